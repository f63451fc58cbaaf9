#include "engine/Work.h"

#include "tests/support/RecordingHost.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <zlib.h>

namespace mv::engine {
namespace {

using test::TRecordingHost;
using test::TTempDir;

std::vector<uint8_t> Bytes(const std::string& text)
{
    return {text.begin(), text.end()};
}

TEST(FileCRC32, KnownVectors)
{
    const struct
    {
        const char* text;
        uint32_t crc;
    } cases[] = {{"", 0x00000000},
                 {"a", 0xE8B7BE43},
                 {"abc", 0x352441C2},
                 {"123456789", 0xCBF43926},
                 {"The quick brown fox jumps over the lazy dog", 0x414FA339}};
    TTempDir dir;
    for (const auto& c : cases) {
        test::WriteBytes(dir / "f", Bytes(c.text));
        TRecordingHost host;
        std::string error = "stale";
        EXPECT_EQ(FileCRC32(host, dir / "f", &error), c.crc) << c.text;
        EXPECT_TRUE(error.empty());
    }
}

TEST(FileCRC32, AgreesWithZlibAcrossReadBoundaries)
{
    TTempDir dir;
    for (size_t size : {65520u, 65521u, 65522u, 131042u, 200000u}) {
        const auto bytes = test::PseudoRandomBytes(size, size);
        test::WriteBytes(dir / "f", bytes);
        TRecordingHost host;
        const uLong expected = crc32(0L, bytes.data(), static_cast<uInt>(bytes.size()));
        EXPECT_EQ(FileCRC32(host, dir / "f"), static_cast<uint32_t>(expected)) << size;
    }
}

TEST(FileCRC32, ProcessesMessagesOncePerRead)
{
    TTempDir dir;
    // Messages before every read of up to 65521 bytes, the last read delivering 0.
    const struct
    {
        size_t size;
        int rounds;
    } cases[] = {{0, 1}, {1, 2}, {65521, 2}, {65522, 3}, {131042, 3}};
    for (const auto& c : cases) {
        test::WriteBytes(dir / "f", std::vector<uint8_t>(c.size, 7));
        TRecordingHost host;
        bool disabledMeanwhile = true;
        host.OnProcessMessages = [&] { disabledMeanwhile &= !host.MainWindowEnabled; };
        FileCRC32(host, dir / "f");
        EXPECT_EQ(host.ProcessMessagesCalls, c.rounds) << c.size;
        EXPECT_TRUE(disabledMeanwhile);
    }
}

TEST(FileCRC32, WaitingWindowNamesTheFileAndCloses)
{
    TTempDir dir;
    test::WriteBytes(dir / "f", Bytes("123456789"));
    TRecordingHost host;
    FileCRC32(host, dir / "f");
    ASSERT_EQ(host.WaitWindows.size(), 1u);
    EXPECT_EQ(host.WaitWindows[0], "  Calculating CRC32 for file  |" + (dir / "f").string());
    EXPECT_TRUE(host.MainWindowEnabled);
    EXPECT_EQ(host.Events.back(), "EndWait");
}

TEST(FileCRC32, UnreadableFileGivesZeroSilently)
{
    TTempDir dir;
    for (const auto& path : {dir / "missing", dir.Path()}) {
        TRecordingHost host;
        std::string error;
        EXPECT_EQ(FileCRC32(host, path, &error), 0u) << path;
        EXPECT_FALSE(error.empty()) << path; // a directory opens but cannot be read
        EXPECT_TRUE(host.Messages.empty());
        EXPECT_TRUE(host.MainWindowEnabled);
        EXPECT_EQ(host.Events.back(), "EndWait");
    }
}

} // namespace
} // namespace mv::engine
