// The compressed body as a job moves through it, one chunk per step of the job loop: the writer
// reads a chunk of the input, compresses it, encrypts the stream into the output and, after the
// last chunk, appends the table; the reader takes the chunks' cipher bytes in table order,
// decrypts and inflates each to its exact plain length. Either holds one chunk at a time. The
// self-decrypting jobs write and read the same body inside their own frame.
#pragma once

#include "cipher/CipherBase.h"
#include "engine/ChunkCodec.h"
#include "engine/JobFrame.h"
#include "platform/Exception.h"
#include "platform/Stream.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace mv::engine {

// A compressed body that cannot be read back: its message says where and why.
class EDamagedContainer : public platform::Exception
{
public:
    using platform::Exception::Exception;
};

// The header fields of a compressed body of plainSize bytes (at most MaxCompressedInput).
void SetCompressedLayout(TContainerHeader& header, int64_t plainSize);

class TCompressedBodyWriter
{
public:
    // totalBytes plain bytes are taken from input's position on (-1: all it has, a stream of
    // unknown length); the output receives the chunks where it stands, the chaining of cipher
    // running on from what it encrypted before.
    TCompressedBodyWriter(cipher::TMV_blockcipher& cipher, platform::TStream& input,
                          int64_t totalBytes, platform::TStream& output,
                          const std::string& rateCaption);

    // One chunk, a step of RunChunkLoop: its plain bytes, last when fewer than JobChunkSize, and
    // lblRate from the compressed and plain totals so far. An input that ends before totalBytes
    // (it shrank meanwhile) raises platform::EStreamError.
    TLoopStep WriteChunk();
    // The table in plain after the last chunk.
    void WriteTable();

    int64_t CompressedBytes() const { return compressedBytes; }
    // Plain bytes taken from the input so far.
    int64_t PlainBytes() const { return processedBytes; }
    // The header's layout fields of what was written (for a stream, known only at its end).
    int32_t ChunkTableBytes() const { return static_cast<int32_t>(table.size()); }
    int32_t LastChunkBytes() const { return lastChunkBytes; }

private:
    cipher::TMV_blockcipher& cipher;
    platform::TStream& input;
    platform::TStream& output;
    const int64_t totalBytes;
    const std::string rateCaption;
    int64_t processedBytes = 0;
    int64_t compressedBytes = 0;
    size_t chunkIndex = 0;
    int32_t lastChunkBytes = 0;
    std::vector<uint8_t> table;
    TWipedBuffer plain;
    TChunkCompressor compressor;
};

class TCompressedBodyReader
{
public:
    // container stands at the first chunk; table holds the checked chunk table (CheckChunkLayout),
    // lastChunkSize the header's LastChunkSize.
    TCompressedBodyReader(cipher::TMV_blockcipher& cipher, platform::TStream& container,
                          std::span<const uint8_t> table, int32_t lastChunkSize,
                          platform::TStream& output);

    // One chunk, a step of RunChunkLoop: its cipher bytes, last after the table's last entry.
    // Raises EDamagedContainer for a chunk that does not inflate to exactly its plain length
    // (nothing of it is written then) and platform::EStreamError for a failed read or write.
    TLoopStep ReadChunk();

private:
    cipher::TMV_blockcipher& cipher;
    platform::TStream& container;
    platform::TStream& output;
    std::span<const uint8_t> table;
    const int32_t lastChunkSize;
    size_t chunkIndex = 0;
    TWipedBuffer stream;
    TWipedBuffer plain;
    TChunkInflater inflater;
};

} // namespace mv::engine
