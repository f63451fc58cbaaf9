#include "engine/OutputTest.h"

#include "cipher/BitOps.h"
#include "engine/ChunkCodec.h"
#include "engine/CompressedBody.h"
#include "engine/JobFrame.h"
#include "engine/SfxTrailer.h"
#include "engine/Work.h"
#include "platform/Exception.h"

#include <algorithm>
#include <cstring>
#include <libdeflate.h>

namespace mv::engine {

namespace {

// Steps of the read-back of a restored file: as long as the gathered writes of TJobOutput.
constexpr int64_t ReadBackStep = 256 * 1024;

void AddToSha(cipher::TMV_sha1& sha, const void* buffer, int64_t count)
{
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    for (int64_t done = 0; done < count;) {
        const auto portion = static_cast<int32_t>(std::min<int64_t>(count - done, 1 << 30));
        sha.AddBytes(bytes + done, portion);
        done += portion;
    }
}

// The bytes begin..end of the output as read back from its file, in runs of ReadBackStep bytes;
// each run passes the options' ReadBackFilter at its offset in the file.
class TReadBackStream : public platform::TStream
{
public:
    TReadBackStream(TJobOutput& output, int64_t begin, int64_t end, const TJobOptions& options)
        : output(output), begin(begin), end(end), filter(options.ReadBackFilter),
          run(static_cast<size_t>(ReadBackStep))
    {
    }
    ~TReadBackStream() override { cipher::SecureFill(run.data(), run.size(), 0); }

    int64_t Read(void* buffer, int64_t count) override
    {
        auto* out = static_cast<uint8_t*>(buffer);
        int64_t done = 0;
        while (done < count && position < end - begin) {
            if (position < runStart || position >= runStart + runBytes)
                Fill();
            if (runBytes == 0 || position >= runStart + runBytes)
                break; // the file ends before the range does
            const int64_t offset = position - runStart;
            const int64_t n = std::min(count - done, runBytes - offset);
            std::memcpy(out + done, run.data() + offset, static_cast<size_t>(n));
            done += n;
            position += n;
        }
        return done;
    }
    int64_t Write(const void*, int64_t) override
    {
        throw platform::EStreamError("The output read back is not written to");
    }
    int64_t Seek(int64_t offset, platform::TSeekOrigin origin) override
    {
        const int64_t base = origin == platform::TSeekOrigin::Begin     ? 0
                             : origin == platform::TSeekOrigin::Current ? position
                                                                        : end - begin;
        position = std::clamp<int64_t>(base + offset, 0, end - begin);
        return position;
    }
    int64_t Size() override { return end - begin; }

private:
    void Fill()
    {
        runStart = position;
        const int64_t wanted = std::min<int64_t>(ReadBackStep, end - begin - position);
        output.Seek(begin + position, platform::TSeekOrigin::Begin);
        runBytes = 0;
        while (runBytes < wanted) {
            const int64_t n = output.Read(run.data() + runBytes, wanted - runBytes);
            if (n <= 0)
                break;
            runBytes += n;
        }
        if (filter && runBytes > 0)
            filter(run.data(), runBytes, begin + runStart);
    }

    TJobOutput& output;
    const int64_t begin;
    const int64_t end;
    const std::function<void(uint8_t*, int64_t, int64_t)>& filter;
    std::vector<uint8_t> run;
    int64_t runStart = 0;
    int64_t runBytes = 0;
    int64_t position = 0;
};

// Where the test puts the plain bytes it gets back: only their count, SHA-1 and CRC-32 stay.
class TDigestSink : public platform::TStream
{
public:
    TDigestSink() { sha.Start(); }
    int64_t Read(void*, int64_t) override { return 0; }
    int64_t Write(const void* buffer, int64_t count) override
    {
        if (count <= 0)
            return 0;
        AddToSha(sha, buffer, count);
        crc = libdeflate_crc32(crc, buffer, static_cast<size_t>(count));
        bytes += count;
        return count;
    }
    int64_t Seek(int64_t, platform::TSeekOrigin) override { return bytes; }
    int64_t Size() override { return bytes; }

    int64_t Count() const { return bytes; }
    uint32_t Crc32() const { return crc; }
    TDigest Finish()
    {
        TDigest sum{};
        sha.Finish(sum.data());
        return sum;
    }

private:
    cipher::TMV_sha1 sha;
    uint32_t crc = 0;
    int64_t bytes = 0;
};

void BeginTestPhase(TJobHost& host, TJobOutput& output)
{
    host.BeginDisplay(TextTaskTesting + output.FinalPath().string());
    output.DropCache();
}

TTestResult Failed(std::string reason)
{
    return {TTestEnd::Failed, std::move(reason)};
}

} // namespace

TDigestingReader::TDigestingReader(platform::TStream& source) : source(source)
{
    sha.Start();
}

int64_t TDigestingReader::Read(void* buffer, int64_t count)
{
    const int64_t n = source.Read(buffer, count);
    if (n > 0)
        AddToSha(sha, buffer, n);
    return n;
}

int64_t TDigestingReader::Write(const void*, int64_t)
{
    throw platform::EStreamError("The input is not written to");
}

int64_t TDigestingReader::Seek(int64_t offset, platform::TSeekOrigin origin)
{
    return source.Seek(offset, origin);
}

int64_t TDigestingReader::Size()
{
    return source.Size();
}

TDigest TDigestingReader::Finish()
{
    TDigest sum{};
    sha.Finish(sum.data());
    return sum;
}

TTestResult TestContainer(TJobHost& host, const TJobOptions& options, TJobOutput& output,
                          cipher::TMV_blockcipher& cipher, const TWrittenContainer& written)
{
    const TJobTexts& texts = host.Texts();
    BeginTestPhase(host, output);
    const int64_t expectedEnd = written.TrailerEnd >= 0 ? written.TrailerEnd : written.End;
    if (output.Size() != expectedEnd)
        return Failed("the file on the disk has " + std::to_string(output.Size()) +
                      " bytes instead of " + std::to_string(expectedEnd));

    TReadBackStream back(output, written.Begin, written.End, options);
    const int64_t containerSize = written.End - written.Begin;
    THeaderBytes headerBytes{};
    if (back.Read(headerBytes.data(), HeaderSize) != HeaderSize || headerBytes != written.Header)
        return Failed("the header read back is not the one written");
    TContainerHeader header = TContainerHeader::Decode(headerBytes);
    if (header.HasPasswordCheck || header.IsCompressed) {
        auto check = header.CheckBytes();
        cipher.DecryptBuffer(check.data(), check.data(), 8);
        header.SetCheckBytes(check);
        if (header.CheckValue1 != header.CheckValue2)
            return Failed("the password check value read back does not decrypt");
    }

    TDigestSink sink;
    TLoopEnd end = TLoopEnd::Finished;
    if (header.IsCompressed) {
        std::optional<std::string> fault =
            CheckChunkTableSize(header.ChunkTableSize, containerSize);
        std::vector<uint8_t> table;
        if (!fault) {
            table.resize(static_cast<size_t>(header.ChunkTableSize));
            back.Seek(containerSize - header.ChunkTableSize, platform::TSeekOrigin::Begin);
            if (back.Read(table.data(), header.ChunkTableSize) != header.ChunkTableSize)
                fault = "the chunk table is cut off";
            back.Seek(HeaderSize, platform::TSeekOrigin::Begin);
        }
        if (!fault)
            fault = CheckChunkLayout(header, table, containerSize);
        if (fault)
            return Failed(*fault);
        try {
            TCompressedBodyReader reader(cipher, back, table, header.LastChunkSize, sink);
            // The steps count the chunks' cipher bytes: the bar ends full.
            end = RunChunkLoop(host, texts.TestingSpeed, {},
                               containerSize - HeaderSize - header.ChunkTableSize,
                               [&] { return reader.ReadChunk(); });
        } catch (const EDamagedContainer& e) {
            host.EndLoop();
            return Failed(e.what());
        }
    } else {
        end = RunStepLoop(host, texts.TestingSpeed, {}, containerSize - HeaderSize,
                          [&] { return cipher.DecryptFromStream(back, sink, JobChunkSize); });
    }
    host.EndLoop();
    if (end == TLoopEnd::Stopped)
        return {TTestEnd::Stopped, {}};
    if (sink.Count() != written.PlainSize || sink.Finish() != written.PlainDigest)
        return Failed("the container read back does not decrypt to the input");

    if (written.TrailerEnd > written.End) {
        TReadBackStream trailerBack(output, written.End, written.TrailerEnd, options);
        TSfxTrailerBytes trailer{};
        if (trailerBack.Read(trailer.data(), SfxTrailerSize) != SfxTrailerSize ||
            DecodeSfxTrailer(trailer) != containerSize - HeaderSize)
            return Failed("the trailer read back does not lead to the container");
    }
    return {};
}

TTestResult TestRestoredFile(TJobHost& host, const TJobOptions& options, TJobOutput& output,
                             const TDigest& written, std::optional<uint32_t> storedCrc)
{
    const TJobTexts& texts = host.Texts();
    BeginTestPhase(host, output);
    const int64_t size = output.BytesWritten();
    if (output.Size() != size)
        return Failed("the file on the disk has " + std::to_string(output.Size()) +
                      " bytes instead of " + std::to_string(size));
    TReadBackStream back(output, 0, size, options);
    TDigestSink sink;
    TWipedBuffer buffer(static_cast<size_t>(ReadBackStep));
    const TLoopEnd end = RunChunkLoop(host, texts.TestingSpeed, {}, size, [&] {
        const int64_t n = back.Read(buffer.data(), ReadBackStep);
        sink.Write(buffer.data(), n);
        return TLoopStep{n, n < ReadBackStep, {}};
    });
    host.EndLoop();
    if (end == TLoopEnd::Stopped)
        return {TTestEnd::Stopped, {}};
    if (sink.Count() != size || sink.Finish() != written)
        return Failed("the file read back is not the one written");
    if (storedCrc && sink.Crc32() != *storedCrc)
        return Failed("the file read back does not match the stored CRC-32");
    return {};
}

std::string UntestableOutputText(const TOutputTarget& target)
{
    if (target.Kind != TOutputKind::PassThrough)
        return {};
    return "\"" + target.Path.string() + "\" is " + target.What +
           ": what is written there cannot be read back, so the output cannot be tested and the "
           "input cannot be wiped (a wipe needs a tested output). Nothing was written";
}

} // namespace mv::engine
