// What the checksum tool computes: the CRC-32 (the same figure a container stores and morvane-cli
// crc prints) and the SHA-1 of a file, in one pass. No toolkit in here.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace mv::plugins {

struct TChecksums
{
    uint64_t Size = 0;
    uint32_t Crc32 = 0;
    std::array<uint8_t, 20> Sha1{};
};

// Called after every block with the bytes done and the file's size; false stops the pass.
using TChecksumProgress = std::function<bool(uint64_t done, uint64_t total)>;

// The checksums of file, read in blocks of 1 MiB; nothing when the file cannot be read (the
// reason in error) or progress stopped the pass (error left empty).
std::optional<TChecksums> FileChecksums(const std::filesystem::path& file,
                                        const TChecksumProgress& progress, std::string* error);

// Eight lower-case hex digits, as morvane-cli crc prints them.
std::string Crc32Text(uint32_t crc);
// Forty lower-case hex digits.
std::string Sha1Text(const std::array<uint8_t, 20>& digest);
// True when expected (spaces around it and the letter case ignored) is the CRC-32 or the SHA-1
// text of checksums.
bool MatchesChecksum(const TChecksums& checksums, const std::string& expected);

} // namespace mv::plugins
