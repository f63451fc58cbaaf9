// The 296-byte record every container begins with, its explicit little-endian encoding, the
// process-wide CurrentHeader, the password check value, and the checks a reader makes before it
// trusts a header read from a file.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace mv::engine {

inline constexpr int32_t HeaderSize = 296;
// Bytes per job step and per compressed chunk: one less than 32768, so every step ends in a
// partial cipher block.
inline constexpr int32_t JobChunkSize = 32767;
inline constexpr int32_t MaxFileNameLength = 255;

// Field offsets of the record.
inline constexpr int OffsetCrc32 = 0;
inline constexpr int OffsetMagic = 4;
inline constexpr int OffsetFileName = 9;
inline constexpr int OffsetCipherId = 268;
inline constexpr int OffsetModeIndex = 272;
inline constexpr int OffsetChunkTableSize = 276;
inline constexpr int OffsetLastChunkSize = 280;
inline constexpr int OffsetCheckValue = 284; // CheckValue1, then CheckValue2: 8 bytes
inline constexpr int OffsetHasPasswordCheck = 292;
inline constexpr int OffsetIsCompressed = 293;
inline constexpr int OffsetHasCrc = 294;

// The container mark: length byte 4, then "MV**".
inline constexpr std::array<uint8_t, 5> ContainerMark = {4, 'M', 'V', '*', '*'};

using THeaderBytes = std::array<uint8_t, HeaderSize>;

struct TContainerHeader
{
    uint32_t Crc32 = 0;
    std::array<uint8_t, 5> Magic{};
    std::string FileName; // at most 255 bytes, no directory
    int32_t CipherId = 0;
    int32_t ModeIndex = 0;
    int32_t ChunkTableSize = 0; // compressed body only
    int32_t LastChunkSize = 0;  // compressed body only
    uint32_t CheckValue1 = 0;
    uint32_t CheckValue2 = 0;
    bool HasPasswordCheck = false;
    bool IsCompressed = false;
    bool HasCrc = false;

    // The 296 bytes: integers little-endian, booleans as 0 or 1, the padding and the unused tail
    // of FileName zero. A name longer than 255 bytes is stored as its first 255.
    THeaderBytes Encode() const;
    // Any non-zero boolean byte reads as true; the padding is ignored.
    static TContainerHeader Decode(std::span<const uint8_t, HeaderSize> bytes);

    // The 8 bytes at offset 284 (both check copies), as the cipher sees them, and back.
    std::array<uint8_t, 8> CheckBytes() const;
    void SetCheckBytes(std::span<const uint8_t, 8> bytes);

    void SetMark() { Magic = ContainerMark; }
    // All five mark bytes, the length byte first.
    bool HasMark() const { return Magic == ContainerMark; }
    // Every field zero, as at program start.
    void Clear() { *this = TContainerHeader{}; }
};

// The one header record of the process. All zero at start; an encrypt job fills and writes it, a
// decrypt job reads into it; a finished job (and a decrypt job ending in a CRC-32 mismatch)
// clears it, a stopped or refused job leaves it as it was.
extern TContainerHeader CurrentHeader;

// A new password check value: two draws of 0..65534 from the process's pseudo-random generator,
// the first the low, the second the high 16 bits. The generator is a fixed 32-bit linear
// congruential one (x := 1664525 x + 1013904223, starting at 0; a draw is (x * 65535) >> 32),
// never seeded, so every run gives the same sequence; nothing but the comparison of the two copies
// reads the value.
uint32_t NewCheckValue();

// True when the header names a listed cipher id (1, 5, 6, 7, 8, 9) and a mode 0..3, compared as
// whole 32-bit values. A header read from a file is input: anything else is refused as
// "Invalid input file type !", never treated as an internal error.
bool HasKnownCipherAndMode(const TContainerHeader& header);

// The stored name reduced to what may be created inside the chosen directory: its last path
// element ('/', '\\' and a drive prefix "C:" all separate). Nothing when that is empty, "." or
// "..", or holds a control character.
std::optional<std::string> SafeFileName(std::string_view storedName);

// The name part of an input path, as an encrypt job stores it (cut to 255 bytes).
std::string StoredFileName(const std::filesystem::path& inputPath);

// The header at offset of a file, for tools that show the plain fields (morvane-cli info).
// Nothing when the file holds fewer than 296 bytes from there; raises platform::EStreamError when
// the file cannot be opened or read.
std::optional<TContainerHeader> ReadContainerHeader(const std::filesystem::path& path,
                                                    int64_t offset = 0);

} // namespace mv::engine
