#include "engine/CompressedBody.h"

#include "engine/JobStatus.h"
#include "engine/Work.h"

namespace mv::engine {

namespace {

// The cipher sees a chunk's stream in the portions EncryptFromStream would give it: whole
// buffers of StreamBufferSize, then the remainder, the chaining running on throughout.
template <bool Encrypting>
void InPortions(cipher::TMV_blockcipher& cipher, std::span<uint8_t> bytes)
{
    for (size_t at = 0; at < bytes.size(); at += cipher::StreamBufferSize) {
        const auto n =
            static_cast<int32_t>(std::min<size_t>(cipher::StreamBufferSize, bytes.size() - at));
        if constexpr (Encrypting)
            cipher.EncryptBuffer(bytes.data() + at, bytes.data() + at, n);
        else
            cipher.DecryptBuffer(bytes.data() + at, bytes.data() + at, n);
    }
}

// Reads count bytes unless the stream ends first; returns how many it got.
int64_t ReadFully(platform::TStream& stream, uint8_t* buffer, int64_t count)
{
    int64_t got = 0;
    while (got < count) {
        const int64_t n = stream.Read(buffer + got, count - got);
        if (n <= 0)
            break;
        got += n;
    }
    return got;
}

} // namespace

void SetCompressedLayout(TContainerHeader& header, int64_t plainSize)
{
    header.IsCompressed = true;
    header.HasPasswordCheck = true;
    header.LastChunkSize = static_cast<int32_t>(plainSize % JobChunkSize);
    header.ChunkTableSize = static_cast<int32_t>(2 * ChunkCountFor(plainSize));
}

// ---- TCompressedBodyWriter --------------------------------------------------------------------

TCompressedBodyWriter::TCompressedBodyWriter(cipher::TMV_blockcipher& jobCipher,
                                             platform::TStream& source, int64_t total,
                                             platform::TStream& target, const std::string& caption)
    : cipher(jobCipher), input(source), output(target), totalBytes(total), rateCaption(caption),
      table(total < 0 ? 0 : static_cast<size_t>(2 * ChunkCountFor(total))), plain(JobChunkSize)
{
}

TLoopStep TCompressedBodyWriter::WriteChunk()
{
    int64_t n = 0;
    if (totalBytes < 0) {
        // A stream of unknown length: chunks until one comes short, the table growing with them.
        if (chunkIndex >= static_cast<size_t>(MaxChunkCount))
            throw platform::EStreamError(TextTooLargeToCompress);
        n = ReadFully(input, plain.data(), JobChunkSize);
        table.resize(table.size() + 2);
    } else {
        if (chunkIndex >= table.size() / 2)
            throw platform::Exception("Internal error : more chunks than the table holds");
        n = std::min<int64_t>(JobChunkSize, totalBytes - processedBytes);
        if (ReadFully(input, plain.data(), n) != n)
            throw platform::EStreamError("The input file became shorter while it was being read");
    }
    lastChunkBytes = static_cast<int32_t>(n);
    processedBytes += n;

    // Encrypted in the compressor's buffer: the plain stream is not needed again.
    const std::span<uint8_t> bytes = compressor.Compress(plain.first(n));
    InPortions<true>(cipher, bytes);
    output.Write(bytes.data(), static_cast<int64_t>(bytes.size()));
    compressedBytes += static_cast<int64_t>(bytes.size());
    SetChunkTableEntry(table, chunkIndex++, static_cast<uint16_t>(bytes.size()));

    return TLoopStep{n, n != JobChunkSize,
                     rateCaption +
                         std::to_string(CompressionRate(compressedBytes, processedBytes)) + " %"};
}

void TCompressedBodyWriter::WriteTable()
{
    // Every pass of the loop wrote one entry; a table with a gap would make the body unreadable.
    if (chunkIndex != table.size() / 2)
        throw platform::Exception("Internal error : the chunk table is incomplete");
    output.Write(table.data(), static_cast<int64_t>(table.size()));
}

// ---- TCompressedBodyReader --------------------------------------------------------------------

TCompressedBodyReader::TCompressedBodyReader(cipher::TMV_blockcipher& jobCipher,
                                             platform::TStream& source,
                                             std::span<const uint8_t> chunkTable, int32_t lastChunk,
                                             platform::TStream& target)
    : cipher(jobCipher), container(source), output(target), table(chunkTable),
      lastChunkSize(lastChunk), stream(0xFFFF), plain(JobChunkSize)
{
}

TLoopStep TCompressedBodyReader::ReadChunk()
{
    const size_t count = table.size() / 2;
    const uint16_t length = ChunkTableEntry(table, chunkIndex);
    const bool last = chunkIndex + 1 == count;
    const size_t expected = last ? static_cast<size_t>(lastChunkSize) : JobChunkSize;
    const std::string where =
        "chunk " + std::to_string(chunkIndex + 1) + " of " + std::to_string(count);

    // The layout was checked against the file's length; a shorter read means the file changed.
    if (ReadFully(container, stream.data(), length) != length)
        throw EDamagedContainer(where + " is cut off");
    const std::span<uint8_t> bytes = stream.first(length);
    InPortions<false>(cipher, bytes);
    const TInflateResult result = inflater.Inflate(bytes, plain.first(expected));
    if (result != TInflateResult::Inflated)
        throw EDamagedContainer(where + ": " + InflateResultText(result));
    output.Write(plain.data(), static_cast<int64_t>(expected));
    ++chunkIndex;
    return TLoopStep{length, last, {}};
}

} // namespace mv::engine
