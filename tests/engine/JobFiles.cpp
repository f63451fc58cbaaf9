// The job's file streams: a container range read through its read-ahead run, and the output
// gathering small writes, both giving exactly the file's bytes whatever the sizes of the calls.
#include "engine/JobFiles.h"

#include "tests/support/TempDir.h"
#include "tests/support/TestSupport.h"

#include <fstream>
#include <gtest/gtest.h>

namespace mv::test {
namespace {

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

} // namespace
} // namespace mv::test
