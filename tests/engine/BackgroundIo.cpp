// Reading ahead and writing behind on threads of their own: the same bytes, count, CRC-32 and
// digest as the synchronous calls across the run boundaries, a failure of the thread raised on the
// caller's thread as the same exception at the same point, nothing written after a failure, and
// no thread left after destruction.
#include "engine/BackgroundIo.h"

#include "cipher/Sha1.h"
#include "engine/JobFiles.h"
#include "engine/OutputTest.h"
#include "platform/FileStream.h"
#include "platform/MemoryStream.h"

#include "tests/support/TempDir.h"
#include "tests/support/TestSupport.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <mutex>

namespace mv::test {
namespace {

using Bytes = std::vector<uint8_t>;
using engine::BackgroundRunSize;
using engine::TReadAheadStream;
using engine::TWriteBehind;
constexpr int64_t RunBytes = static_cast<int64_t>(BackgroundRunSize);

// Sizes around the boundaries of the runs.
const int64_t Sizes[] = {
    0, 1, RunBytes - 1, RunBytes, RunBytes + 1, 2 * RunBytes, 3 * RunBytes + 12345};

// A read error of a type of its own: the type that reaches the caller is the one raised.
class ETestReadError : public platform::EStreamError
{
public:
    using platform::EStreamError::EStreamError;
};

// The bytes of data; a read that asks for any byte at or beyond failAt raises, having delivered
// nothing (as a file's read that fails does).
class TFailingSource : public platform::TStream
{
public:
    TFailingSource(Bytes bytes, int64_t failAt) : data(std::move(bytes)), failAt(failAt) {}
    int64_t Read(void* buffer, int64_t count) override
    {
        const int64_t n = std::min<int64_t>(count, static_cast<int64_t>(data.size()) - position);
        if (position + n > failAt)
            throw ETestReadError("Cannot read \"in.bin\": Input/output error");
        std::copy_n(data.begin() + position, n, static_cast<uint8_t*>(buffer));
        position += n;
        return n;
    }
    int64_t Write(const void*, int64_t) override { return 0; }
    int64_t Seek(int64_t, platform::TSeekOrigin) override { return position; }
    int64_t Size() override { return static_cast<int64_t>(data.size()); }

private:
    Bytes data;
    int64_t failAt;
    int64_t position = 0;
};

struct TReadOutcome
{
    Bytes Delivered;
    std::string Failure; // empty when every read succeeded
    int64_t Count = 0;
    uint32_t Crc32 = 0;
    engine::TDigest Digest{};
};

// Reads source to its end in calls of the given sizes (in turn).
void ReadAll(platform::TStream& source, const std::vector<int64_t>& calls, TReadOutcome& out)
{
    for (size_t i = 0;; ++i) {
        Bytes part(static_cast<size_t>(calls[i % calls.size()]));
        const int64_t n = source.Read(part.data(), static_cast<int64_t>(part.size()));
        out.Delivered.insert(out.Delivered.end(), part.begin(), part.begin() + n);
        if (n < static_cast<int64_t>(part.size()))
            return;
    }
}

// The job's chain over bytes begin..end of a file: a range, counted with its CRC-32 and digested,
// read directly or through a read-ahead.
TReadOutcome ReadChain(const std::filesystem::path& path, int64_t size, bool ahead,
                       const std::vector<int64_t>& calls)
{
    platform::TFileStream file(path, platform::TFileMode::OpenRead);
    engine::TRangeStream range(file, 0, size);
    engine::TReadCounter counted(range, true);
    engine::TDigestingReader digested(counted);
    TReadOutcome out;
    if (ahead) {
        TReadAheadStream stream(digested);
        EXPECT_EQ(stream.Size(), size);
        ReadAll(stream, calls, out);
        stream.Finish();
        EXPECT_EQ(stream.Delivered(), static_cast<int64_t>(out.Delivered.size()));
    } else {
        ReadAll(digested, calls, out);
    }
    out.Count = counted.Count();
    out.Crc32 = counted.Crc32();
    out.Digest = digested.Finish();
    return out;
}

TEST(ReadAhead, GivesTheBytesCountCrcAndDigestOfTheSynchronousReads)
{
    TTempDir dir;
    const Bytes all = PseudoRandomBytes(static_cast<size_t>(3 * RunBytes + 12345), 31);
    WriteBytes(dir / "in.bin", all);
    // The cipher's portions, a job step, and calls that straddle the runs.
    const std::vector<std::vector<int64_t>> patterns = {
        {8192}, {32767}, {1, RunBytes + 3, 7, 65536, RunBytes - 1}, {4 * RunBytes}};
    for (const int64_t size : Sizes) {
        for (const auto& calls : patterns) {
            SCOPED_TRACE("size " + std::to_string(size) + ", first call " +
                         std::to_string(calls[0]));
            const TReadOutcome direct = ReadChain(dir / "in.bin", size, false, calls);
            const TReadOutcome ahead = ReadChain(dir / "in.bin", size, true, calls);
            EXPECT_EQ(direct.Delivered, Bytes(all.begin(), all.begin() + size));
            EXPECT_EQ(ahead.Delivered, direct.Delivered);
            EXPECT_EQ(ahead.Count, size);
            EXPECT_EQ(ahead.Crc32, direct.Crc32);
            EXPECT_EQ(ahead.Digest, direct.Digest);
        }
    }
}

TEST(ReadAhead, ARunThatFailsIsRaisedHereWhenTheReadsReachIt)
{
    const Bytes all = PseudoRandomBytes(static_cast<size_t>(4 * RunBytes), 32);
    // The failure at the first byte, inside the first run, at a run's start, inside a later run.
    const int64_t failures[] = {0, 100, RunBytes, 2 * RunBytes + 5};
    for (const int64_t failAt : failures) {
        SCOPED_TRACE("fails at " + std::to_string(failAt));
        TFailingSource source(all, failAt);
        TReadAheadStream stream(source);
        // The runs before the failing one, whole: those a job's range stream would have read
        // before the read that failed.
        const int64_t before = failAt / RunBytes * RunBytes;
        Bytes got;
        std::string raised;
        try {
            for (;;) {
                Bytes part(8192);
                const int64_t n = stream.Read(part.data(), 8192);
                got.insert(got.end(), part.begin(), part.begin() + n);
                ASSERT_EQ(n, 8192) << "ended without the failure";
            }
        } catch (const ETestReadError& e) {
            raised = e.what();
        }
        EXPECT_EQ(raised, "Cannot read \"in.bin\": Input/output error");
        EXPECT_EQ(got, Bytes(all.begin(), all.begin() + before));
        // And again at every read after it.
        uint8_t byte;
        EXPECT_THROW(stream.Read(&byte, 1), ETestReadError);
    }
}

TEST(ReadAhead, DestroyedMidRunLeavesNoThreadAndReadsNoMore)
{
    const size_t threadsBefore = ThreadsOfProcess();
    const Bytes all = PseudoRandomBytes(static_cast<size_t>(8 * RunBytes), 33);
    platform::TMemoryStream source(all);
    {
        TReadAheadStream stream(source);
        Bytes part(1000);
        ASSERT_EQ(stream.Read(part.data(), 1000), 1000);
        EXPECT_EQ(part, Bytes(all.begin(), all.begin() + 1000));
    }
    EXPECT_TRUE(ThreadsDropTo(threadsBefore));
    // At most the runs it holds were read ahead, and the source is this thread's again.
    const int64_t readByThread = source.Position();
    EXPECT_LE(readByThread, static_cast<int64_t>(engine::BackgroundRuns) * RunBytes);
    Bytes rest(16);
    EXPECT_EQ(source.Read(rest.data(), 16), 16);
    EXPECT_EQ(rest, Bytes(all.begin() + readByThread, all.begin() + readByThread + 16));
}

TEST(ReadAhead, FinishEndsTheThreadAndTheReads)
{
    const size_t threadsBefore = ThreadsOfProcess();
    platform::TMemoryStream source(PseudoRandomBytes(static_cast<size_t>(5 * RunBytes), 34));
    TReadAheadStream stream(source);
    Bytes part(8192);
    ASSERT_EQ(stream.Read(part.data(), 8192), 8192);
    stream.Finish();
    EXPECT_TRUE(ThreadsDropTo(threadsBefore));
    EXPECT_EQ(stream.Read(part.data(), 8192), 0);
    EXPECT_EQ(stream.Delivered(), 8192);
}

// ---- TWriteBehind ------------------------------------------------------------------------------

class ETestWriteError : public platform::EStreamError
{
public:
    using platform::EStreamError::EStreamError;
};

// What a sink was given, run by run; it raises at run number failAt (when not negative).
struct TRecordingSink
{
    explicit TRecordingSink(int64_t failAt = -1) : failAt(failAt) {}
    TWriteBehind::TSink Sink()
    {
        return [this](const uint8_t* bytes, size_t count) {
            std::lock_guard guard(lock);
            ++calls;
            if (failAt >= 0 && calls > failAt)
                throw ETestWriteError("Cannot write \"out.bin\": No space left on device");
            got.insert(got.end(), bytes, bytes + count);
            sizes.push_back(count);
        };
    }
    std::mutex lock;
    const int64_t failAt;
    int64_t calls = 0;
    Bytes got;
    std::vector<size_t> sizes;
};

TEST(WriteBehind, TheSinkGetsEveryByteInOrderInWholeRuns)
{
    const Bytes all = PseudoRandomBytes(static_cast<size_t>(3 * RunBytes + 12345), 35);
    const std::vector<std::vector<int64_t>> patterns = {
        {8192}, {131068}, {1, RunBytes + 3, 7, 65536, RunBytes - 1}, {4 * RunBytes}};
    for (const bool threaded : {true, false}) {
        for (const int64_t size : Sizes) {
            for (const auto& calls : patterns) {
                SCOPED_TRACE(std::string(threaded ? "threaded" : "unthreaded") + ", size " +
                             std::to_string(size) + ", first call " + std::to_string(calls[0]));
                TRecordingSink sink;
                TWriteBehind writer(sink.Sink(), threaded);
                int64_t at = 0;
                for (size_t i = 0; at < size; ++i) {
                    const int64_t n = std::min(calls[i % calls.size()], size - at);
                    writer.Write(all.data() + at, static_cast<size_t>(n));
                    at += n;
                }
                writer.Wait();
                // What is still gathered is the end of what was written.
                const auto gathered = writer.Gathered();
                EXPECT_EQ(static_cast<int64_t>(sink.got.size() + gathered.size()), size);
                EXPECT_EQ(
                    Bytes(gathered.begin(), gathered.end()),
                    Bytes(all.begin() + static_cast<int64_t>(sink.got.size()), all.begin() + size));
                writer.Flush();
                EXPECT_EQ(sink.got, Bytes(all.begin(), all.begin() + size));
                for (size_t i = 0; i + 1 < sink.sizes.size(); ++i)
                    EXPECT_EQ(sink.sizes[i], BackgroundRunSize);
                EXPECT_TRUE(writer.Gathered().empty());
            }
        }
    }
}

TEST(WriteBehind, AFailureIsRaisedHereAndNothingReachesTheSinkAfterIt)
{
    const Bytes all = PseudoRandomBytes(static_cast<size_t>(6 * RunBytes), 36);
    for (const bool threaded : {true, false}) {
        for (const int64_t failAt : {0, 1, 2}) {
            SCOPED_TRACE(std::string(threaded ? "threaded" : "unthreaded") + ", fails at run " +
                         std::to_string(failAt));
            TRecordingSink sink(failAt);
            TWriteBehind writer(sink.Sink(), threaded);
            std::string raised;
            int64_t at = 0;
            try {
                for (; at < static_cast<int64_t>(all.size()); at += 8192)
                    writer.Write(all.data() + at, 8192);
                writer.Flush();
            } catch (const ETestWriteError& e) {
                raised = e.what();
            }
            EXPECT_EQ(raised, "Cannot write \"out.bin\": No space left on device");
            EXPECT_TRUE(writer.Failed());
            // Raised again by every later call that writes.
            EXPECT_THROW(writer.Write(all.data(), 8192), ETestWriteError);
            EXPECT_THROW(writer.Flush(), ETestWriteError);
            writer.Abandon();
            EXPECT_THROW(writer.Flush(), ETestWriteError);
            // The runs before the failing one, and not a byte after.
            std::lock_guard guard(sink.lock);
            EXPECT_EQ(sink.calls, failAt + 1);
            EXPECT_EQ(sink.got, Bytes(all.begin(), all.begin() + failAt * RunBytes));
        }
    }
}

TEST(WriteBehind, AbandonedMidRunLeavesNoThreadAndWritesNoPartialRun)
{
    const size_t threadsBefore = ThreadsOfProcess();
    const Bytes all = PseudoRandomBytes(static_cast<size_t>(5 * RunBytes / 2), 37);
    TRecordingSink sink;
    {
        TWriteBehind writer(sink.Sink(), true);
        for (int64_t at = 0; at < static_cast<int64_t>(all.size()); at += 8192)
            writer.Write(all.data() + at,
                         static_cast<size_t>(std::min<int64_t>(8192, all.size() - at)));
    } // destroyed as a job that stops destroys its output
    EXPECT_TRUE(ThreadsDropTo(threadsBefore));
    std::lock_guard guard(sink.lock);
    // Whole runs only (those written before the end), never the half run still gathered.
    EXPECT_LE(sink.got.size(), static_cast<size_t>(2 * RunBytes));
    EXPECT_EQ(sink.got.size() % BackgroundRunSize, 0u);
    EXPECT_EQ(sink.got, Bytes(all.begin(), all.begin() + static_cast<int64_t>(sink.got.size())));
}

} // namespace
} // namespace mv::test
