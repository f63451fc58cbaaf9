#include "engine/ChunkCodec.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <zlib.h>

namespace mv::engine {
namespace {

std::vector<uint8_t> TextBytes(size_t count)
{
    const std::string line = "the quick brown fox jumps over the lazy dog 0123456789\n";
    std::vector<uint8_t> bytes(count);
    for (size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<uint8_t>(line[(i * 7 / 5) % line.size()]);
    return bytes;
}

// A stream written by zlib itself with the given parameters.
std::vector<uint8_t> ZlibStream(const std::vector<uint8_t>& plain, int level, int windowBits = 15,
                                int memLevel = 8, int strategy = Z_DEFAULT_STRATEGY)
{
    z_stream z{};
    EXPECT_EQ(deflateInit2(&z, level, Z_DEFLATED, windowBits, memLevel, strategy), Z_OK);
    std::vector<uint8_t> out(deflateBound(&z, static_cast<uLong>(plain.size())) + 16);
    z.next_in = const_cast<Bytef*>(plain.data());
    z.avail_in = static_cast<uInt>(plain.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

TInflateResult InflateInto(const std::vector<uint8_t>& stream, size_t expected,
                           std::vector<uint8_t>* plain = nullptr)
{
    std::vector<uint8_t> buffer(expected);
    TChunkInflater inflater;
    const TInflateResult result = inflater.Inflate(stream, buffer);
    if (plain)
        *plain = buffer;
    return result;
}

// ---- Writing ----------------------------------------------------------------------------------

TEST(ChunkCompressor, WritesStandardLevelNineStreamsThatZlibInflates)
{
    TChunkCompressor compressor;
    for (size_t size : {0u, 1u, 100u, 8191u, 32766u, 32767u}) {
        for (const auto& plain : {TextBytes(size), test::PseudoRandomBytes(size, size)}) {
            const auto stream = compressor.Compress(plain);
            ASSERT_GE(stream.size(), 2u);
            // 32 KiB window, deflate, the "best compression" level hint.
            EXPECT_EQ(stream[0], 0x78) << size;
            EXPECT_EQ(stream[1], 0xDA) << size;
            std::vector<uint8_t> back(plain.size() + 1);
            uLongf length = static_cast<uLongf>(back.size());
            ASSERT_EQ(
                uncompress(back.data(), &length, stream.data(), static_cast<uLong>(stream.size())),
                Z_OK)
                << size;
            back.resize(length);
            EXPECT_EQ(back, plain) << size;
        }
    }
}

TEST(ChunkCompressor, IncompressibleFullChunkFitsATableEntry)
{
    TChunkCompressor compressor;
    size_t largest = 0;
    for (uint64_t seed = 1; seed <= 8; ++seed)
        largest =
            std::max(largest, compressor.Compress(test::PseudoRandomBytes(32767, seed)).size());
    EXPECT_GT(largest, 32767u) << "random bytes do not shrink";
    EXPECT_LE(largest, 32767u + 11u + 5u) << "stored blocks, header and checksum only";
    EXPECT_LE(compressBound(32767), 0xFFFFu) << "zlib's own bound fits 16 bits as well";
}

TEST(ChunkCompressor, CompressesTextWell)
{
    TChunkCompressor compressor;
    const auto plain = TextBytes(32767);
    EXPECT_LT(compressor.Compress(plain).size(), plain.size() / 10);
}

// ---- Reading streams of any standard writer ----------------------------------------------------

struct TZlibParameters
{
    int level, windowBits, memLevel, strategy;
};

TEST(ChunkInflater, AcceptsEveryStreamZlibWrites)
{
    const TZlibParameters cases[] = {{9, 15, 8, Z_DEFAULT_STRATEGY},
                                     {0, 15, 8, Z_DEFAULT_STRATEGY},
                                     {1, 15, 8, Z_DEFAULT_STRATEGY},
                                     {6, 15, 8, Z_DEFAULT_STRATEGY},
                                     {9, 9, 1, Z_DEFAULT_STRATEGY},
                                     {9, 12, 9, Z_DEFAULT_STRATEGY},
                                     {9, 15, 8, Z_FILTERED},
                                     {9, 15, 8, Z_HUFFMAN_ONLY},
                                     {9, 15, 8, Z_RLE},
                                     {9, 15, 8, Z_FIXED}};
    for (const auto& p : cases) {
        for (size_t size : {0u, 1u, 1000u, 32767u}) {
            for (const auto& plain : {TextBytes(size), test::PseudoRandomBytes(size, 3)}) {
                std::vector<uint8_t> back;
                EXPECT_EQ(
                    InflateInto(ZlibStream(plain, p.level, p.windowBits, p.memLevel, p.strategy),
                                size, &back),
                    TInflateResult::Inflated)
                    << "level " << p.level << " window " << p.windowBits << " strategy "
                    << p.strategy << " size " << size;
                EXPECT_EQ(back, plain);
            }
        }
    }
}

TEST(ChunkInflater, StreamsOfTheCompressorRoundTrip)
{
    TChunkCompressor compressor;
    const auto plain = TextBytes(32767);
    const auto span = compressor.Compress(plain);
    std::vector<uint8_t> back;
    EXPECT_EQ(InflateInto({span.begin(), span.end()}, plain.size(), &back),
              TInflateResult::Inflated);
    EXPECT_EQ(back, plain);
}

// ---- Reading damaged streams -------------------------------------------------------------------

TEST(ChunkInflater, NamesEveryWayAStreamIsWrong)
{
    const auto plain = TextBytes(5000);
    const auto good = ZlibStream(plain, 9);
    auto with = [&](auto change) {
        auto s = good;
        change(s);
        return s;
    };
    struct TCase
    {
        const char* what;
        std::vector<uint8_t> stream;
        size_t expected;
        TInflateResult result;
    };
    const TCase cases[] = {
        {"right", good, 5000, TInflateResult::Inflated},
        {"empty", {}, 5000, TInflateResult::BadHeader},
        {"one byte", {0x78}, 5000, TInflateResult::BadHeader},
        {"check bits", with([](auto& s) { s[1] ^= 0x01; }), 5000, TInflateResult::BadHeader},
        {"method 7", with([](auto& s) { s[0] = 0x77; }), 5000, TInflateResult::BadHeader},
        {"window 64 KiB", with([](auto& s) { s[0] = 0x88, s[1] = 0x1C; }), 5000,
         TInflateResult::BadHeader},
        {"preset dictionary", with([](auto& s) { s[1] = 0xF9; }), 5000,
         TInflateResult::NeedsDictionary},
        {"longer than the chunk", good, 4999, TInflateResult::TooLong},
        {"shorter than the chunk", good, 5001, TInflateResult::TooShort},
        {"checksum", with([](auto& s) { s.back() ^= 0x40; }), 5000, TInflateResult::BadChecksum},
        {"checksum cut", with([](auto& s) { s.pop_back(); }), 5000, TInflateResult::BadChecksum},
        {"bytes after the end", with([](auto& s) { s.push_back(0); }), 5000,
         TInflateResult::TrailingBytes},
        {"a second stream after it",
         with([&](auto& s) { s.insert(s.end(), good.begin(), good.end()); }), 5000,
         TInflateResult::TrailingBytes},
        {"cut inside the data", with([](auto& s) { s.resize(s.size() - 6); }), 5000,
         TInflateResult::BadData},
        {"block type 3", with([](auto& s) { s[2] |= 0x06; }), 5000, TInflateResult::BadData},
    };
    for (const auto& c : cases)
        EXPECT_EQ(InflateInto(c.stream, c.expected), c.result) << c.what;
    EXPECT_NE(InflateResultText(TInflateResult::BadChecksum),
              InflateResultText(TInflateResult::BadData));
}

TEST(ChunkInflater, EveryCutOfAStreamIsRefused)
{
    const auto plain = TextBytes(20000);
    const auto good = ZlibStream(plain, 9);
    for (size_t cut = 0; cut < good.size(); ++cut) {
        const std::vector<uint8_t> stream(good.begin(), good.begin() + cut);
        EXPECT_NE(InflateInto(stream, plain.size()), TInflateResult::Inflated) << cut;
    }
}

TEST(ChunkInflater, NeverWritesBeyondTheChunk)
{
    // 40,000 zero bytes in a few dozen stream bytes: the output buffer is one chunk exactly and
    // the guard bytes behind it stay as they were.
    const auto stream = ZlibStream(std::vector<uint8_t>(40000, 0), 9);
    std::vector<uint8_t> buffer(32767 + 64, 0xA5);
    TChunkInflater inflater;
    EXPECT_EQ(inflater.Inflate(stream, std::span(buffer).first(32767)), TInflateResult::TooLong);
    EXPECT_TRUE(
        std::all_of(buffer.begin() + 32767, buffer.end(), [](uint8_t b) { return b == 0xA5; }));
}

TEST(ChunkInflater, ReservedLengthSymbolOfAFixedBlockStillNeedsItsChecksum)
{
    // Found by fuzz_chunk: a fixed block using a reserved length symbol, which zlib refuses and
    // libdeflate decodes. Accepted only because its 1000 bytes match the stored Adler-32.
    const std::vector<uint8_t> stream =
        test::Hex("78da333030315228c94855282ccd4cce56482aca2fcf5348cbaf50c82acd2d28"
                  "56c82f4b2d024be72456552aa4e4a773198c6918d530aa61a8690000f1de58f0");
    std::vector<uint8_t> zlibOut(1001);
    uLongf length = static_cast<uLongf>(zlibOut.size());
    EXPECT_EQ(uncompress(zlibOut.data(), &length, stream.data(), static_cast<uLong>(stream.size())),
              Z_DATA_ERROR);
    EXPECT_EQ(InflateInto(stream, 1000), TInflateResult::Inflated);
    auto altered = stream;
    altered.back() ^= 0x01;
    EXPECT_EQ(InflateInto(altered, 1000), TInflateResult::BadChecksum);
}

TEST(ChunkInflater, OverlongBitLengthRepeatStillNeedsItsChecksum)
{
    // Found by fuzz_chunk: a dynamic block whose code-length repeat runs past the count, which
    // zlib refuses ("invalid bit length repeat") and libdeflate decodes. Accepted only because
    // its 32767 bytes match the stored Adler-32.
    const std::vector<uint8_t> stream =
        test::Hex("7801edc101010000008090feafee08a702000000000000000000000000000000"
                  "00000000000000000000000000000000067fff0001");
    std::vector<uint8_t> zlibOut(32768);
    uLongf length = static_cast<uLongf>(zlibOut.size());
    EXPECT_EQ(uncompress(zlibOut.data(), &length, stream.data(), static_cast<uLong>(stream.size())),
              Z_DATA_ERROR);
    EXPECT_EQ(InflateInto(stream, 32767), TInflateResult::Inflated);
    auto altered = stream;
    altered.back() ^= 0x01;
    EXPECT_EQ(InflateInto(altered, 32767), TInflateResult::BadChecksum);
}

// ---- The table ----------------------------------------------------------------------------------

TEST(ChunkTable, EntriesAreBigEndian)
{
    std::vector<uint8_t> table(4);
    SetChunkTableEntry(table, 0, 0x1234);
    SetChunkTableEntry(table, 1, 0xFFFE);
    EXPECT_EQ(table, (std::vector<uint8_t>{0x12, 0x34, 0xFF, 0xFE}));
    EXPECT_EQ(ChunkTableEntry(table, 0), 0x1234);
    EXPECT_EQ(ChunkTableEntry(table, 1), 0xFFFE);
}

TEST(ChunkTable, LimitsAndCounts)
{
    EXPECT_EQ(ChunkCountFor(0), 1);
    EXPECT_EQ(ChunkCountFor(32766), 1);
    EXPECT_EQ(ChunkCountFor(32767), 2);
    EXPECT_EQ(ChunkCountFor(65534), 3);
    EXPECT_EQ(MaxCompressedInput, 536821760);
    EXPECT_EQ(ChunkCountFor(MaxCompressedInput), MaxChunkCount);
    EXPECT_EQ(ChunkCountFor(MaxCompressedInput + 1), MaxChunkCount + 1);
    EXPECT_EQ(MaxChunkTableSize, 32766);
}

TEST(ChunkTable, TableSizeChecks)
{
    struct TCase
    {
        int32_t tableSize;
        int64_t containerSize;
        bool usable;
    };
    const TCase cases[] = {{2, 298, true},           {2, 297, false},
                           {0, 1000, false},         {-2, 1000, false},
                           {3, 1000, false},         {32766, 33062, true},
                           {32766, 33061, false},    {32768, 100000, false},
                           {INT32_MIN, 1000, false}, {INT32_MAX - 1, INT64_MAX, false}};
    for (const auto& c : cases)
        EXPECT_EQ(!CheckChunkTableSize(c.tableSize, c.containerSize).has_value(), c.usable)
            << c.tableSize << " in " << c.containerSize;
    EXPECT_NE(CheckChunkTableSize(32768, 100000)->find("16383"), std::string::npos);
}

TEST(ChunkTable, LayoutChecks)
{
    TContainerHeader header;
    header.LastChunkSize = 100;
    const std::vector<uint8_t> table = {0x00, 0x10, 0x00, 0x20}; // 16 and 32 bytes
    const int64_t exact = 296 + 16 + 32 + 4;
    EXPECT_FALSE(CheckChunkLayout(header, table, exact));
    EXPECT_TRUE(CheckChunkLayout(header, table, exact + 1));
    EXPECT_TRUE(CheckChunkLayout(header, table, exact - 1));
    EXPECT_TRUE(CheckChunkLayout(header, std::vector<uint8_t>{0x00, 0x00, 0x00, 0x30}, exact));
    for (int32_t last : {-1, 32767, INT32_MIN, INT32_MAX}) {
        header.LastChunkSize = last;
        EXPECT_TRUE(CheckChunkLayout(header, table, exact)) << last;
    }
    header.LastChunkSize = 32766;
    EXPECT_FALSE(CheckChunkLayout(header, table, exact));
    header.LastChunkSize = 0;
    EXPECT_FALSE(CheckChunkLayout(header, table, exact));
}

} // namespace
} // namespace mv::engine
