#include "engine/ContainerHeader.h"
#include "platform/Exception.h"

#include "tests/support/TempDir.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <set>

namespace mv::engine {
namespace {

using test::Hex;

TContainerHeader SampleHeader()
{
    TContainerHeader h;
    h.Crc32 = 0xCBF43926;
    h.SetMark();
    h.FileName = "a.txt";
    h.CipherId = 6;
    h.ModeIndex = 3;
    h.ChunkTableSize = 0x01020304;
    h.LastChunkSize = 7233;
    h.CheckValue1 = 0x11223344;
    h.CheckValue2 = 0x55667788;
    h.HasPasswordCheck = true;
    h.IsCompressed = false;
    h.HasCrc = true;
    return h;
}

TEST(ContainerHeaderLayout, EncodesEveryFieldAtItsOffsetLittleEndian)
{
    const THeaderBytes bytes = SampleHeader().Encode();
    ASSERT_EQ(bytes.size(), 296u);
    // Laid out by hand from the record's table.
    std::array<uint8_t, 296> expected{};
    const auto put = [&](size_t offset, const std::vector<uint8_t>& v) {
        std::copy(v.begin(), v.end(), expected.begin() + offset);
    };
    put(0, Hex("26 39 F4 CB"));
    put(4, Hex("04 4D 56 2A 2A"));
    put(9, Hex("05 61 2E 74 78 74"));
    put(268, Hex("06 00 00 00"));
    put(272, Hex("03 00 00 00"));
    put(276, Hex("04 03 02 01"));
    put(280, Hex("41 1C 00 00"));
    put(284, Hex("44 33 22 11 88 77 66 55"));
    put(292, Hex("01 00 01 00"));
    EXPECT_EQ(test::ToHex(bytes.data(), bytes.size()),
              test::ToHex(expected.data(), expected.size()));
}

TEST(ContainerHeaderLayout, DecodesHandMadeBytes)
{
    THeaderBytes bytes{};
    const auto put = [&](size_t offset, const std::vector<uint8_t>& v) {
        std::copy(v.begin(), v.end(), bytes.begin() + offset);
    };
    put(0, Hex("78 56 34 12"));
    put(4, Hex("04 4D 56 2A 2A"));
    put(9, Hex("03 78 2E 79 FF FF")); // bytes behind the length carry no meaning
    put(265, Hex("AA BB CC"));        // padding
    put(268, Hex("06 01 00 00"));     // 262: low byte 6, still not Twofish
    put(272, Hex("FE FF FF FF"));
    put(276, Hex("06 00 00 00"));
    put(280, Hex("00 00 00 00"));
    put(284, Hex("01 00 00 00 02 00 00 00"));
    put(292, Hex("80 00 02 FF"));
    const TContainerHeader h = TContainerHeader::Decode(bytes);
    EXPECT_EQ(h.Crc32, 0x12345678u);
    EXPECT_TRUE(h.HasMark());
    EXPECT_EQ(h.FileName, "x.y");
    EXPECT_EQ(h.CipherId, 262);
    EXPECT_EQ(h.ModeIndex, -2);
    EXPECT_EQ(h.ChunkTableSize, 6);
    EXPECT_EQ(h.CheckValue1, 1u);
    EXPECT_EQ(h.CheckValue2, 2u);
    EXPECT_TRUE(h.HasPasswordCheck); // any non-zero byte is true
    EXPECT_FALSE(h.IsCompressed);
    EXPECT_TRUE(h.HasCrc);
    EXPECT_FALSE(HasKnownCipherAndMode(h));
}

TEST(ContainerHeaderLayout, EncodeDecodeRoundTripAndClear)
{
    const TContainerHeader h = SampleHeader();
    const TContainerHeader back = TContainerHeader::Decode(h.Encode());
    EXPECT_EQ(back.Encode(), h.Encode());
    TContainerHeader cleared = h;
    cleared.Clear();
    EXPECT_EQ(cleared.Encode(), THeaderBytes{});
}

TEST(ContainerHeaderLayout, LongNamesAreCutTo255)
{
    TContainerHeader h;
    h.FileName = StoredFileName(std::string(300, 'n') + ".txt");
    EXPECT_EQ(h.FileName.size(), 255u);
    const THeaderBytes bytes = h.Encode();
    EXPECT_EQ(bytes[9], 255);
    EXPECT_EQ(bytes[264], 'n');
    EXPECT_EQ(bytes[265], 0);
    EXPECT_EQ(StoredFileName("/dir/a.txt"), "a.txt");
    h.FileName = std::string(300, 'q'); // set directly: Encode cuts as well
    EXPECT_EQ(h.Encode()[9], 255);
}

TEST(ContainerHeaderLayout, CheckBytesAreOffsets284To291)
{
    TContainerHeader h = SampleHeader();
    const auto check = h.CheckBytes();
    const THeaderBytes bytes = h.Encode();
    EXPECT_TRUE(std::equal(check.begin(), check.end(), bytes.begin() + 284));
    const std::array<uint8_t, 8> other = {1, 2, 3, 4, 5, 6, 7, 8};
    h.SetCheckBytes(other);
    EXPECT_EQ(h.CheckValue1, 0x04030201u);
    EXPECT_EQ(h.CheckValue2, 0x08070605u);
}

TEST(ContainerHeaderRecognition, MarkNeedsAllFiveBytes)
{
    const struct
    {
        const char* mark;
        bool accepted;
    } cases[] = {{"04 4D 56 2A 2A", true},  {"03 4D 56 2A 2A", false}, {"04 6D 76 2A 2A", false},
                 {"04 4D 56 2A 2B", false}, {"00 00 00 00 00", false}, {"05 4D 56 2A 2A", false}};
    for (const auto& c : cases) {
        THeaderBytes bytes{};
        const auto mark = Hex(c.mark);
        std::copy(mark.begin(), mark.end(), bytes.begin() + 4);
        EXPECT_EQ(TContainerHeader::Decode(bytes).HasMark(), c.accepted) << c.mark;
    }
}

TEST(ContainerHeaderRecognition, OnlyListedCipherIdsAndModes)
{
    std::set<int32_t> listed = {1, 5, 6, 7, 8, 9};
    TContainerHeader h;
    for (int32_t id : {-1, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 262, 0x01000006}) {
        for (int32_t mode : {-1, 0, 1, 2, 3, 4, 256}) {
            h.CipherId = id;
            h.ModeIndex = mode;
            const bool expected = listed.count(id) == 1 && mode >= 0 && mode <= 3;
            EXPECT_EQ(HasKnownCipherAndMode(h), expected) << id << " " << mode;
        }
    }
}

TEST(ContainerHeaderNames, StoredNameIsReducedToItsLastElement)
{
    const struct
    {
        const char* stored;
        const char* safe; // nullptr: refused
    } cases[] = {
        {"a.txt", "a.txt"},
        {"../escaped.bin", "escaped.bin"},
        {"../../etc/passwd", "passwd"},
        {"/tmp/absolute.bin", "absolute.bin"},
        {"C:\\dir\\windows.bin", "windows.bin"},
        {"C:drive.bin", "drive.bin"},
        {"sub/dir\\mixed.bin", "mixed.bin"},
        {".hidden", ".hidden"},
        {"..hidden", "..hidden"},
        {"", nullptr},
        {".", nullptr},
        {"..", nullptr},
        {"dir/", nullptr},
        {"dir/..", nullptr},
        {"C:", nullptr},
        {"bad\nname.bin", nullptr},
        {"tab\tname", nullptr},
        {"del\x7Fname", nullptr},
    };
    for (const auto& c : cases) {
        const auto safe = SafeFileName(c.stored);
        if (c.safe == nullptr) {
            EXPECT_FALSE(safe.has_value()) << c.stored;
        } else {
            ASSERT_TRUE(safe.has_value()) << c.stored;
            EXPECT_EQ(*safe, c.safe);
        }
    }
    // 8-bit characters of the ANSI code page are names, not controls.
    EXPECT_EQ(SafeFileName("caf\xE9.txt").value_or(""), "caf\xE9.txt");
}

TEST(ContainerHeaderCheckValue, TwoDrawsBelow65535)
{
    std::set<uint32_t> seen;
    for (int i = 0; i < 10000; ++i) {
        const uint32_t value = NewCheckValue();
        EXPECT_LT(value & 0xFFFF, 65535u);
        EXPECT_LT(value >> 16, 65535u);
        seen.insert(value);
    }
    EXPECT_GT(seen.size(), 9990u);
}

TEST(ContainerHeaderFile, ReadsTheHeaderAtAnOffsetOrNothingWhenShort)
{
    test::TTempDir dir;
    const THeaderBytes bytes = SampleHeader().Encode();
    std::vector<uint8_t> file(100 + bytes.size(), 0xEE);
    std::copy(bytes.begin(), bytes.end(), file.begin() + 100);
    test::WriteBytes(dir / "c.mvx", file);
    const auto at100 = ReadContainerHeader(dir / "c.mvx", 100);
    ASSERT_TRUE(at100.has_value());
    EXPECT_EQ(at100->Encode(), bytes);
    EXPECT_FALSE(ReadContainerHeader(dir / "c.mvx", 101).has_value());
    EXPECT_FALSE(ReadContainerHeader(dir / "c.mvx", 0)->HasMark());
    EXPECT_THROW(ReadContainerHeader(dir / "missing.mvx"), platform::EStreamError);
}

} // namespace
} // namespace mv::engine
