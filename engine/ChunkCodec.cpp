#include "engine/ChunkCodec.h"

#include "cipher/BitOps.h"
#include "platform/Exception.h"

#include <libdeflate.h>

namespace mv::engine {

TWipedBuffer::~TWipedBuffer()
{
    cipher::SecureFill(bytes.data(), bytes.size(), 0);
}

// ---- TChunkCompressor -------------------------------------------------------------------------

namespace {

size_t StreamCapacity()
{
    libdeflate_compressor* probe = libdeflate_alloc_compressor(ChunkLevel);
    if (!probe)
        throw platform::Exception("Insufficient memory");
    const size_t bound = libdeflate_zlib_compress_bound(probe, JobChunkSize);
    libdeflate_free_compressor(probe);
    return bound;
}

} // namespace

TChunkCompressor::TChunkCompressor() : stream(StreamCapacity())
{
    compressor = libdeflate_alloc_compressor(ChunkLevel);
    if (!compressor)
        throw platform::Exception("Insufficient memory");
}

TChunkCompressor::~TChunkCompressor()
{
    libdeflate_free_compressor(compressor);
}

std::span<uint8_t> TChunkCompressor::Compress(std::span<const uint8_t> plain)
{
    const size_t length = libdeflate_zlib_compress(compressor, plain.data(), plain.size(),
                                                   stream.data(), stream.size());
    // The bound makes room for stored blocks, so 0 (did not fit) cannot happen for a chunk; a
    // table entry must hold the length.
    if (length == 0 || length > 0xFFFF || plain.size() > size_t{JobChunkSize})
        throw platform::Exception("Internal error : chunk does not fit its table entry");
    return stream.first(length);
}

// ---- TChunkInflater ---------------------------------------------------------------------------

TChunkInflater::TChunkInflater()
{
    decompressor = libdeflate_alloc_decompressor();
    if (!decompressor)
        throw platform::Exception("Insufficient memory");
}

TChunkInflater::~TChunkInflater()
{
    libdeflate_free_decompressor(decompressor);
}

TInflateResult TChunkInflater::LongOrCut(std::span<const uint8_t> stream)
{
    // A stream cut off inside its data also fills any buffer (the decoder reads zero bits behind
    // the end): only a stream that ends properly in a larger buffer really is too long. The
    // larger buffer exists only on this way out, and a stream longer even than it is called
    // invalid, which it is for every chunk.
    TWipedBuffer scratch(4 * size_t{JobChunkSize});
    size_t consumed = 0;
    size_t produced = 0;
    const libdeflate_result result =
        libdeflate_deflate_decompress_ex(decompressor, stream.data() + 2, stream.size() - 2,
                                         scratch.data(), scratch.size(), &consumed, &produced);
    return result == LIBDEFLATE_SUCCESS ? TInflateResult::TooLong : TInflateResult::BadData;
}

TInflateResult TChunkInflater::Inflate(std::span<const uint8_t> stream, std::span<uint8_t> plain)
{
    // RFC 1950 header: method 8 (deflate), window at most 32 KiB, check bits, no dictionary.
    if (stream.size() < 2)
        return TInflateResult::BadHeader;
    const unsigned cmf = stream[0];
    const unsigned flg = stream[1];
    if ((cmf & 0x0F) != 8 || (cmf >> 4) > 7 || (cmf << 8 | flg) % 31 != 0)
        return TInflateResult::BadHeader;
    if (flg & 0x20)
        return TInflateResult::NeedsDictionary;

    // The deflate data are inflated on their own so that each way of being wrong has its name;
    // the output buffer is exactly the expected size, so a longer stream stops at once.
    uint8_t none = 0;
    size_t consumed = 0;
    size_t produced = 0;
    const libdeflate_result result = libdeflate_deflate_decompress_ex(
        decompressor, stream.data() + 2, stream.size() - 2, plain.empty() ? &none : plain.data(),
        plain.size(), &consumed, &produced);
    if (result == LIBDEFLATE_INSUFFICIENT_SPACE)
        return LongOrCut(stream);
    if (result != LIBDEFLATE_SUCCESS)
        return TInflateResult::BadData;
    if (produced != plain.size())
        return TInflateResult::TooShort;
    const size_t trailer = stream.size() - 2 - consumed;
    if (trailer < 4)
        return TInflateResult::BadChecksum;
    const uint8_t* stored = stream.data() + 2 + consumed;
    const uint32_t expected = uint32_t{stored[0]} << 24 | uint32_t{stored[1]} << 16 |
                              uint32_t{stored[2]} << 8 | stored[3];
    if (libdeflate_adler32(1, plain.data(), plain.size()) != expected)
        return TInflateResult::BadChecksum;
    if (trailer > 4)
        return TInflateResult::TrailingBytes;
    return TInflateResult::Inflated;
}

std::string InflateResultText(TInflateResult result)
{
    switch (result) {
    case TInflateResult::Inflated:
        return "inflated";
    case TInflateResult::BadHeader:
        return "not a zlib stream";
    case TInflateResult::NeedsDictionary:
        return "a zlib stream that needs a preset dictionary";
    case TInflateResult::BadData:
        return "invalid or cut-off deflate data";
    case TInflateResult::TooLong:
        return "inflates to more bytes than the chunk holds";
    case TInflateResult::TooShort:
        return "inflates to fewer bytes than the chunk holds";
    case TInflateResult::BadChecksum:
        return "the Adler-32 checksum differs";
    case TInflateResult::TrailingBytes:
        return "bytes follow the end of the zlib stream";
    }
    return "unknown";
}

// ---- Layout checks ----------------------------------------------------------------------------

std::optional<std::string> CheckChunkTableSize(int32_t chunkTableSize, int64_t containerSize)
{
    if (chunkTableSize <= 0)
        return "ChunkTableSize " + std::to_string(chunkTableSize) + " is not positive";
    if (chunkTableSize % 2 != 0)
        return "ChunkTableSize " + std::to_string(chunkTableSize) + " is odd";
    if (chunkTableSize > MaxChunkTableSize)
        return "ChunkTableSize " + std::to_string(chunkTableSize) + " exceeds " +
               std::to_string(MaxChunkTableSize) + " (more than " + std::to_string(MaxChunkCount) +
               " chunks)";
    if (containerSize - HeaderSize < chunkTableSize)
        return "the chunk table of " + std::to_string(chunkTableSize) +
               " bytes does not fit behind the header";
    return std::nullopt;
}

std::optional<std::string> CheckChunkLayout(const TContainerHeader& header,
                                            std::span<const uint8_t> table, int64_t containerSize)
{
    if (header.LastChunkSize < 0 || header.LastChunkSize >= JobChunkSize)
        return "LastChunkSize " + std::to_string(header.LastChunkSize) + " is outside 0..32766";
    int64_t body = 0;
    for (size_t k = 0; k < table.size() / 2; ++k) {
        const uint16_t entry = ChunkTableEntry(table, k);
        if (entry == 0)
            return "entry " + std::to_string(k) + " of the chunk table is 0";
        body += entry;
    }
    const int64_t expected = int64_t{HeaderSize} + body + static_cast<int64_t>(table.size());
    if (expected != containerSize)
        return "the chunks and their table make " + std::to_string(expected) +
               " bytes, the container has " + std::to_string(containerSize);
    return std::nullopt;
}

} // namespace mv::engine
