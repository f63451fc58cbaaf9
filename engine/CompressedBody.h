// The compressed body as a job moves through it. The writer reads the input a chunk at a time,
// deflates the chunks on the machine's cores a few ahead of the cipher, encrypts each stream in
// chunk order into the output and, after the last chunk, appends the table: one chunk per step
// of the job loop. The reader takes the cipher bytes of a group of chunks in table order,
// decrypts them and inflates each to its exact plain length, both on the machine's cores, and
// writes one chunk per step. Either holds a bounded number of chunks at a time, and the bytes are
// those of one thread: every chunk is its own stream, so which thread deflates or inflates it
// changes nothing. The self-decrypting jobs write and read the same body inside their own frame.
#pragma once

#include "cipher/CipherBase.h"
#include "cipher/ParallelDecrypt.h"
#include "engine/ChunkCodec.h"
#include "engine/JobFrame.h"
#include "platform/Exception.h"
#include "platform/Stream.h"

#include <array>
#include <cstdint>
#include <memory>
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
    // running on from what it encrypted before. threads deflate, the calling thread among them:
    // 1 deflates on the calling thread alone, 0 takes std::thread::hardware_concurrency(). The
    // input is read on the calling thread, a few chunks ahead of the output.
    TCompressedBodyWriter(cipher::TMV_blockcipher& cipher, platform::TStream& input,
                          int64_t totalBytes, platform::TStream& output,
                          const std::string& rateCaption, unsigned threads = 0);
    // Stops the deflating threads (each ends the chunk it is on) and overwrites the chunks held.
    ~TCompressedBodyWriter();
    TCompressedBodyWriter(const TCompressedBodyWriter&) = delete;
    TCompressedBodyWriter& operator=(const TCompressedBodyWriter&) = delete;

    // One chunk, a step of RunChunkLoop: its plain bytes, last when fewer than JobChunkSize, and
    // lblRate from the compressed and plain totals so far. An input that ends before totalBytes
    // (it shrank meanwhile) raises platform::EStreamError.
    TLoopStep WriteChunk();
    // The table in plain after the last chunk.
    void WriteTable();

    int64_t CompressedBytes() const { return compressedBytes; }
    // Plain bytes of the chunks written so far.
    int64_t PlainBytes() const { return processedBytes; }
    // The header's layout fields of what was written (for a stream, known only at its end).
    int32_t ChunkTableBytes() const { return static_cast<int32_t>(table.size()); }
    int32_t LastChunkBytes() const { return lastChunkBytes; }

private:
    class TDeflateQueue;

    // Reads chunks into free places of the queue until it is full or the input has ended.
    void ReadAhead();

    cipher::TMV_blockcipher& cipher;
    platform::TStream& input;
    platform::TStream& output;
    const int64_t totalBytes;
    const std::string rateCaption;
    int64_t readBytes = 0;
    size_t chunksRead = 0;
    bool inputEnded = false;
    int64_t processedBytes = 0;
    int64_t compressedBytes = 0;
    size_t chunkIndex = 0;
    int32_t lastChunkBytes = 0;
    std::vector<uint8_t> table;
    std::unique_ptr<TDeflateQueue> queue;
};

class TCompressedBodyReader
{
public:
    // Chunks decrypted and inflated together: enough for the cores to share, few enough that
    // the status and Stop are seen every few milliseconds.
    static constexpr size_t GroupChunks = 8;

    // container stands at the first chunk; table holds the checked chunk table (CheckChunkLayout),
    // lastChunkSize the header's LastChunkSize. threads counts the calling thread (1: no thread
    // is started; 0: std::thread::hardware_concurrency()); a body of one group starts none.
    TCompressedBodyReader(cipher::TMV_blockcipher& cipher, platform::TStream& container,
                          std::span<const uint8_t> table, int32_t lastChunkSize,
                          platform::TStream& output, unsigned threads = 0);

    // One chunk, a step of RunChunkLoop: its cipher bytes, last after the table's last entry.
    // Raises EDamagedContainer for a chunk that does not inflate to exactly its plain length
    // (nothing of it is written then) and platform::EStreamError for a failed read or write.
    TLoopStep ReadChunk();

private:
    size_t ExpectedPlain(size_t chunk) const;
    // Reads, decrypts and inflates the chunks from chunkIndex on, up to GroupChunks of them.
    void DecodeGroup();

    cipher::TMV_blockcipher& cipher;
    platform::TStream& container;
    platform::TStream& output;
    std::span<const uint8_t> table;
    const int32_t lastChunkSize;
    size_t chunkIndex = 0;
    cipher::TParallelDecryptor decryptor;
    TWipedBuffer stream;
    TWipedBuffer plain;
    // One inflater per thread of the decryptor's pool.
    std::vector<std::unique_ptr<TChunkInflater>> inflaters;
    std::vector<int32_t> portions;
    // The group decoded last: chunks groupBegin .. groupEnd - 1, chunk i's stream at at[i] in
    // stream and its plain bytes JobChunkSize * i into plain; cutAfterGroup when the container
    // ended before the next chunk was whole.
    size_t groupBegin = 0;
    size_t groupEnd = 0;
    bool cutAfterGroup = false;
    std::array<size_t, GroupChunks + 1> at{};
    std::array<TInflateResult, GroupChunks> results{};
};

} // namespace mv::engine
