#include "engine/Work.h"

#include "tests/support/RecordingHost.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace mv::engine {
namespace {

using test::TRecordingHost;
using test::TTempDir;
namespace fs = std::filesystem;

// Each 32768-byte portion of the file, as its one repeated byte or -1 when it holds others.
std::vector<int> PortionValues(const fs::path& path)
{
    const auto bytes = test::ReadBytes(path);
    std::vector<int> values;
    for (size_t at = 0; at < bytes.size(); at += 32768) {
        const size_t end = std::min(bytes.size(), at + 32768);
        const bool uniform = std::all_of(bytes.begin() + at, bytes.begin() + end,
                                         [&](uint8_t b) { return b == bytes[at]; });
        values.push_back(uniform ? bytes[at] : -1);
    }
    return values;
}

struct TWipeCase
{
    size_t size;
    bool secure;
    // The portions after each round of message processing, one round per portion written.
    std::vector<std::vector<int>> rounds;
};

class WipeFilePasses : public ::testing::TestWithParam<TWipeCase>
{
};

TEST_P(WipeFilePasses, OverwritesEveryByteWithEachPatternInOrderThenDeletes)
{
    const TWipeCase& c = GetParam();
    TTempDir dir;
    const fs::path file = dir / "secret.bin";
    const auto original = test::PseudoRandomBytes(c.size, 11);
    test::WriteBytes(file, original);
    TRecordingHost host;
    std::vector<std::vector<int>> rounds;
    std::vector<size_t> sizes;
    host.OnProcessMessages = [&] {
        // The file works under its temporary name while it is overwritten.
        EXPECT_FALSE(fs::exists(file));
        rounds.push_back(PortionValues(dir / "wiped.file"));
        sizes.push_back(fs::file_size(dir / "wiped.file"));
    };
    std::string error;
    EXPECT_TRUE(WipeFile(host, file, c.secure, &error)) << error;
    EXPECT_EQ(rounds, c.rounds);
    for (size_t size : sizes)
        EXPECT_EQ(size, c.size); // never truncated or extended
    EXPECT_TRUE(dir.Names().empty());
    ASSERT_EQ(host.WaitWindows.size(), 1u);
    EXPECT_EQ(host.WaitWindows[0], "  Wipping file  |" + file.string());
    EXPECT_TRUE(host.MainWindowEnabled);
}

// The random bytes are never uniform over a portion, so -1 marks an untouched portion.
INSTANTIATE_TEST_SUITE_P(
    Patterns, WipeFilePasses,
    ::testing::Values(
        TWipeCase{0, false, {{}}}, TWipeCase{0, true, {{}}},
        TWipeCase{65536, false, {{0, -1}, {0, 0}}},
        TWipeCase{65600, false, {{0, -1, -1}, {0, 0, -1}, {0, 0, 0}}},
        TWipeCase{40000, true, {{0, -1}, {0, 0}, {1, 0}, {1, 1}, {0x2A, 1}, {0x2A, 0x2A}}}));

TEST(WipeFile, AnExistingWipedFileIsLeftAlone)
{
    TTempDir dir;
    const auto bystander = test::PseudoRandomBytes(1000, 1);
    test::WriteBytes(dir / "wiped.file", bystander);
    test::WriteBytes(dir / "secret.bin", test::PseudoRandomBytes(5000, 2));
    TRecordingHost host;
    std::vector<int> seen;
    host.OnProcessMessages = [&] { seen = PortionValues(dir / "secret.bin"); };
    EXPECT_TRUE(WipeFile(host, dir / "secret.bin", false));
    EXPECT_EQ(seen, std::vector<int>{0}); // wiped under its own name
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"wiped.file"});
    EXPECT_EQ(test::ReadBytes(dir / "wiped.file"), bystander);
}

TEST(WipeFile, AFileThatCannotBeOpenedKeepsItsNameAndTheWindowCloses)
{
    TTempDir dir;
    fs::create_directory(dir / "folder");
    for (const auto& path : {dir / "folder", dir / "missing"}) {
        TRecordingHost host;
        std::string error;
        EXPECT_FALSE(WipeFile(host, path, true, &error)) << path;
        EXPECT_FALSE(error.empty());
        EXPECT_TRUE(host.MainWindowEnabled);
        EXPECT_EQ(host.Events.back(), "EndWait");
    }
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"folder"});
}

TEST(WipeFile, ASymlinkWipesTheFileItLeadsTo)
{
    TTempDir dir;
    test::WriteBytes(dir / "target.bin", test::PseudoRandomBytes(100, 3));
    fs::create_symlink(dir / "target.bin", dir / "link");
    TRecordingHost host;
    std::vector<int> seen;
    host.OnProcessMessages = [&] { seen = PortionValues(dir / "wiped.file"); };
    EXPECT_TRUE(WipeFile(host, dir / "link", false));
    EXPECT_EQ(seen, std::vector<int>{0});
    EXPECT_TRUE(dir.Names().empty());
}

} // namespace
} // namespace mv::engine
