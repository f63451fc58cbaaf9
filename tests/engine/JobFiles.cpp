// The job's file streams: a container range read through its read-ahead run, and the output
// gathering small writes, both giving exactly the file's bytes whatever the sizes of the calls;
// the output's checksums and failures the same whether its runs are written behind the job or on
// its thread.
#include "engine/JobFiles.h"

#include "cipher/Sha1.h"

#include "tests/support/FullDisk.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestSupport.h"

#include <fstream>
#include <gtest/gtest.h>
#include <libdeflate.h>
#include <optional>

namespace mv::test {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

void Write(const std::filesystem::path& path, const Bytes& bytes)
{
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

Bytes Read(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

TEST(RangeStream, ReadsOfEverySizeGiveTheRangeExactly)
{
    TTempDir dir;
    const Bytes all = PseudoRandomBytes(1000000, 11);
    Write(dir / "file", all);
    platform::TFileStream file(dir / "file", platform::TFileMode::OpenRead);
    const int64_t begin = 1234, end = 900000;
    engine::TRangeStream range(file, begin, end);
    EXPECT_EQ(range.Size(), end - begin);

    const int64_t sizes[] = {1, 8192, 300000, 7, 262144, 65535, 8191, 262143};
    Bytes got;
    for (size_t i = 0;; ++i) {
        Bytes part(static_cast<size_t>(sizes[i % std::size(sizes)]));
        const int64_t n = range.Read(part.data(), static_cast<int64_t>(part.size()));
        got.insert(got.end(), part.begin(), part.begin() + n);
        if (n < static_cast<int64_t>(part.size()))
            break;
    }
    EXPECT_EQ(got, Bytes(all.begin() + begin, all.begin() + end));
    uint8_t byte;
    EXPECT_EQ(range.Read(&byte, 1), 0);

    // A seek drops what was read ahead.
    Bytes ten(10);
    range.Seek(500000, platform::TSeekOrigin::Begin);
    ASSERT_EQ(range.Read(ten.data(), 10), 10);
    EXPECT_EQ(ten, Bytes(all.begin() + begin + 500000, all.begin() + begin + 500010));
    range.Seek(-5, platform::TSeekOrigin::End);
    EXPECT_EQ(range.Read(ten.data(), 10), 5);
    EXPECT_EQ(Bytes(ten.begin(), ten.begin() + 5), Bytes(all.begin() + end - 5, all.begin() + end));
}

TEST(JobOutput, GatheredWritesReachTheFileInOrder)
{
    TTempDir dir;
    const Bytes all = PseudoRandomBytes(1500000, 12);
    engine::TJobOutput output;
    std::string error;
    ASSERT_TRUE(output.Create(dir / "out.bin", error)) << error;
    const size_t sizes[] = {296, 8192, 8191, 1, 300000, 262144, 7233};
    size_t at = 0;
    for (size_t i = 0; at < all.size(); ++i) {
        const size_t n = std::min(sizes[i % std::size(sizes)], all.size() - at);
        EXPECT_EQ(output.Write(all.data() + at, static_cast<int64_t>(n)), static_cast<int64_t>(n));
        at += n;
        if (i == 3) {
            EXPECT_EQ(output.Size(), static_cast<int64_t>(at)); // what was gathered counts
        }
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "out.bin"));
    output.Commit();
    EXPECT_EQ(Read(dir / "out.bin"), all);
}

TEST(JobOutput, NothingIsVisibleUntilCommitAndDiscardLeavesNothing)
{
    TTempDir dir;
    engine::TJobOutput output;
    std::string error;
    ASSERT_TRUE(output.Create(dir / "out.bin", error)) << error;
    const Bytes plain = PseudoRandomBytes(500000, 13);
    output.Write(plain.data(), static_cast<int64_t>(plain.size()));
    // Neither under its name nor under any other while it is written.
    EXPECT_TRUE(dir.Names().empty());
    output.Discard();
    EXPECT_TRUE(dir.Names().empty());
}

constexpr int64_t RunBytes = static_cast<int64_t>(engine::BackgroundRunSize);

engine::TDigest Sha1Of(const uint8_t* bytes, int64_t count)
{
    cipher::TMV_sha1 sha;
    sha.Start();
    sha.AddBytes(bytes, static_cast<int32_t>(count));
    engine::TDigest sum{};
    sha.Finish(sum.data());
    return sum;
}

TEST(JobOutput, ChecksumsWrittenBehindAreThoseOfTheWritesOnTheJobsThread)
{
    const Bytes all = PseudoRandomBytes(static_cast<size_t>(3 * RunBytes + 12345), 14);
    const int64_t sizes[] = {
        0, 1, RunBytes - 1, RunBytes, RunBytes + 1, 2 * RunBytes, 3 * RunBytes + 12345};
    // The cipher's portions, a group of plain decryption, more than a run at once.
    const int64_t portions[] = {8192, 131068, 4 * RunBytes};
    for (const int64_t size : sizes) {
        for (const int64_t portion : portions) {
            SCOPED_TRACE("size " + std::to_string(size) + ", portion " + std::to_string(portion));
            TTempDir dir;
            std::string error;
            // A regular file is written behind the job; /dev/null on the job's thread.
            engine::TJobOutput file;
            engine::TJobOutput device;
            ASSERT_TRUE(file.Create(dir / "out.bin", error)) << error;
            ASSERT_TRUE(
                device.Create(engine::InspectOutput("/dev/null", true), std::nullopt, error))
                << error;
            ASSERT_TRUE(device.IsPassThrough());
            file.TakeDigest();
            device.TakeDigest();
            bool looked = false;
            for (int64_t at = 0; at < size;) {
                const int64_t n = std::min(portion, size - at);
                file.Write(all.data() + at, n);
                device.Write(all.data() + at, n);
                at += n;
                if (!looked && at >= size / 2) {
                    // Midway, with runs handed over and bytes still gathered.
                    looked = true;
                    const uint32_t part = libdeflate_crc32(0, all.data(), static_cast<size_t>(at));
                    EXPECT_EQ(file.WrittenCrc32(), part);
                    EXPECT_EQ(device.WrittenCrc32(), part);
                }
            }
            const uint32_t crc = libdeflate_crc32(0, all.data(), static_cast<size_t>(size));
            EXPECT_EQ(file.WrittenCrc32(), crc);
            EXPECT_EQ(device.WrittenCrc32(), crc);
            EXPECT_EQ(file.BytesWritten(), size);
            EXPECT_EQ(file.Size(), size);
            const engine::TDigest digest = Sha1Of(all.data(), size);
            EXPECT_EQ(file.WrittenDigest(), digest);
            EXPECT_EQ(device.WrittenDigest(), digest);
            file.Commit();
            device.Commit();
            EXPECT_EQ(Read(dir / "out.bin"), Bytes(all.begin(), all.begin() + size));
        }
    }
}

TEST(JobOutput, AFailedWriteIsRaisedNamingTheFileAndNothingIsWrittenAfterIt)
{
    struct TCase
    {
        const char* Name;
        bool SizeLimit; // a regular file that may not grow beyond 300000 bytes (written behind)
        const char* Reason;
    };
    const TCase cases[] = {{"regular file beyond the size limit", true, "File too large"},
                           {"/dev/full through a symlink", false, "No space left on device"}};
    const Bytes all = PseudoRandomBytes(static_cast<size_t>(4 * RunBytes), 15);
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TTempDir dir;
        fs::path path = dir / "out.bin";
        if (!c.SizeLimit) {
            path = dir / "full";
            fs::create_symlink("/dev/full", path);
        }
        engine::TJobOutput output;
        std::string error;
        ASSERT_TRUE(output.Create(engine::InspectOutput(path, true), std::nullopt, error)) << error;
        EXPECT_EQ(output.IsPassThrough(), !c.SizeLimit);
        std::string raised;
        {
            std::optional<TFileSizeLimit> limit;
            if (c.SizeLimit)
                limit.emplace(300000);
            try {
                for (int64_t at = 0; at < static_cast<int64_t>(all.size()); at += 8192)
                    output.Write(all.data() + at, 8192);
                output.Commit();
            } catch (const platform::EStreamError& e) {
                raised = e.what();
            }
        }
        EXPECT_NE(raised.find("\"" + path.string() + "\""), std::string::npos) << raised;
        EXPECT_NE(raised.find(c.Reason), std::string::npos) << raised;
        // The limit is gone, so a write would now succeed: none is made, and nothing is claimed.
        try {
            output.Write(all.data(), 8192);
            ADD_FAILURE() << "a write after the failure was taken";
        } catch (const platform::EStreamError& e) {
            EXPECT_EQ(e.what(), raised);
        }
        EXPECT_THROW(output.Commit(), platform::EStreamError);
        output.Discard();
        EXPECT_EQ(dir.Names(),
                  c.SizeLimit ? std::vector<std::string>{} : std::vector<std::string>{"full"});
    }
}

TEST(JobOutput, StoppedMidRunLeavesNoThreadAndNoFile)
{
    const size_t threadsBefore = ThreadsOfProcess();
    const Bytes all = PseudoRandomBytes(static_cast<size_t>(4 * RunBytes + 100), 16);
    for (const bool discard : {true, false}) {
        SCOPED_TRACE(discard ? "discarded" : "destroyed");
        TTempDir dir;
        {
            engine::TJobOutput output;
            std::string error;
            ASSERT_TRUE(output.Create(dir / "out.bin", error)) << error;
            for (int64_t at = 0; at < static_cast<int64_t>(all.size()); at += 8192)
                output.Write(all.data() + at,
                             std::min<int64_t>(8192, static_cast<int64_t>(all.size()) - at));
            if (discard)
                output.Discard();
        }
        EXPECT_TRUE(ThreadsDropTo(threadsBefore));
        EXPECT_TRUE(dir.Names().empty()) << ::testing::PrintToString(dir.Names());
    }
}

} // namespace
} // namespace mv::test
