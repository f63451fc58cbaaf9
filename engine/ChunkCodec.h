// The chunks of a compressed body: each JobChunkSize plain bytes become one complete zlib stream
// (RFC 1950) on their own, and the chunk table at the end of the body lists the stream lengths as
// big-endian 16-bit numbers. This unit compresses and inflates single chunks and checks a table
// read from a file against the header and the container's length before a reader trusts it.
#pragma once

#include "engine/ContainerHeader.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

struct libdeflate_compressor;
struct libdeflate_decompressor;

namespace mv::engine {

// The table buffer holds 32767 bytes, so at most 16383 two-byte entries: inputs of at most
// 16383 chunks, (16383 - 1) * 32767 + 32766 = 536,821,760 plain bytes.
inline constexpr int32_t MaxChunkCount = 16383;
inline constexpr int32_t MaxChunkTableSize = 2 * MaxChunkCount;
inline constexpr int64_t MaxCompressedInput = int64_t{MaxChunkCount} * JobChunkSize - 1;
inline constexpr int ChunkLevel = 9;

// Chunks for a plain size: one per started JobChunkSize bytes plus the last (possibly empty) one.
inline constexpr int64_t ChunkCountFor(int64_t plainSize)
{
    return plainSize / JobChunkSize + 1;
}

// A byte buffer that overwrites its bytes before it frees them: chunks hold plain data.
class TWipedBuffer
{
public:
    explicit TWipedBuffer(size_t size) : bytes(size) {}
    ~TWipedBuffer();
    TWipedBuffer(const TWipedBuffer&) = delete;
    TWipedBuffer& operator=(const TWipedBuffer&) = delete;

    uint8_t* data() { return bytes.data(); }
    size_t size() const { return bytes.size(); }
    std::span<uint8_t> first(size_t count) { return std::span(bytes).first(count); }

private:
    std::vector<uint8_t> bytes;
};

// Writes one zlib stream per chunk at level 9 (a 32 KiB window, as zlib's 15-bit one). The stream
// of a full chunk of incompressible bytes is at most 32778 bytes here (stored blocks plus header
// and checksum), well inside a 16-bit table entry.
class TChunkCompressor
{
public:
    TChunkCompressor(); // raises platform::Exception when out of memory
    ~TChunkCompressor();
    TChunkCompressor(const TChunkCompressor&) = delete;
    TChunkCompressor& operator=(const TChunkCompressor&) = delete;

    // The stream of plain (at most JobChunkSize bytes), valid until the next call.
    std::span<uint8_t> Compress(std::span<const uint8_t> plain);

private:
    libdeflate_compressor* compressor = nullptr;
    TWipedBuffer stream;
};

enum class TInflateResult
{
    Inflated,        // exactly the expected plain bytes, checksum right, nothing after the stream
    BadHeader,       // not a zlib header (method, window, check bits)
    NeedsDictionary, // a preset dictionary, which no chunk may use
    BadData,         // invalid deflate data, or the stream ends before its last block
    TooLong,         // inflates to more than the expected bytes
    TooShort,        // inflates to fewer than the expected bytes
    BadChecksum,     // the Adler-32 of the plain bytes differs, or is cut off
    TrailingBytes    // the stream ends before the bytes the table gives it
};

// Inflates one chunk's stream, which must be a complete zlib stream of exactly plain.size()
// bytes filling all of stream. Any standard zlib stream is accepted, whatever wrote it (the fuzz
// target fuzz_chunk holds it to zlib's verdict). libdeflate also decodes the two reserved length
// symbols of a fixed Huffman block, which zlib refuses; the exact length and the Adler-32 still
// decide about such a stream. Work and memory are bounded by the two sizes: hostile bytes give a
// result, never a hang.
class TChunkInflater
{
public:
    TChunkInflater();
    ~TChunkInflater();
    TChunkInflater(const TChunkInflater&) = delete;
    TChunkInflater& operator=(const TChunkInflater&) = delete;

    TInflateResult Inflate(std::span<const uint8_t> stream, std::span<uint8_t> plain);

private:
    TInflateResult LongOrCut(std::span<const uint8_t> stream);

    libdeflate_decompressor* decompressor = nullptr;
};

// What a result means, for the damaged-container message ("invalid deflate data").
std::string InflateResultText(TInflateResult result);

// Entry k of a table buffer (big-endian) and the writer's counterpart.
inline uint16_t ChunkTableEntry(std::span<const uint8_t> table, size_t k)
{
    return static_cast<uint16_t>(table[2 * k] << 8 | table[2 * k + 1]);
}
inline void SetChunkTableEntry(std::span<uint8_t> table, size_t k, uint16_t length)
{
    table[2 * k] = static_cast<uint8_t>(length >> 8);
    table[2 * k + 1] = static_cast<uint8_t>(length);
}

// Whether the header's ChunkTableSize can be used to read a table at the end of a container of
// containerSize bytes: nothing when it can, else what is wrong with it.
std::optional<std::string> CheckChunkTableSize(int32_t chunkTableSize, int64_t containerSize);

// Whether a compressed body can be what its header and table say: LastChunkSize 0..32766,
// every entry non-zero, and header + chunks + table exactly the container's length. Nothing when
// it can, else what is wrong (the reader then refuses it as damaged before writing anything).
// table holds the ChunkTableSize bytes read from the end of the container (already checked).
std::optional<std::string> CheckChunkLayout(const TContainerHeader& header,
                                            std::span<const uint8_t> table, int64_t containerSize);

} // namespace mv::engine
