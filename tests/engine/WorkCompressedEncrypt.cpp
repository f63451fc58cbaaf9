#include "engine/Work.h"

#include "cipher/CipherIds.h"
#include "engine/ChunkCodec.h"
#include "engine/ContainerHeader.h"
#include "tests/support/FullDisk.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestSupport.h"

#include <cmath>
#include <gtest/gtest.h>
#include <unistd.h>
#include <zlib.h>

namespace mv::engine {
namespace {

using test::ReadBytes;
using test::TRecordingHost;
using test::TTempDir;
using test::WriteBytes;
namespace fs = std::filesystem;

// Compressible bytes with a little variety, so chunks differ in length.
std::vector<uint8_t> TextBytes(size_t count, uint64_t seed)
{
    const auto noise = test::PseudoRandomBytes(count, seed);
    std::vector<uint8_t> bytes(count);
    for (size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<uint8_t>("abcdefgh \n"[noise[i] % 10]);
    return bytes;
}

uint32_t Le32(const std::vector<uint8_t>& b, size_t at)
{
    return uint32_t{b[at]} | uint32_t{b[at + 1]} << 8 | uint32_t{b[at + 2]} << 16 |
           uint32_t{b[at + 3]} << 24;
}

class EncryptCompressedTest : public ::testing::Test
{
protected:
    void SetUp() override { CurrentHeader.Clear(); }

    fs::path MakeInput(std::vector<uint8_t> bytes, const std::string& name = "plain.bin")
    {
        input = dir / name;
        plain = std::move(bytes);
        WriteBytes(input, plain);
        return input;
    }

    TTempDir dir;
    TRecordingHost host;
    TJobOptions options;
    fs::path input;
    std::vector<uint8_t> plain;
};

// ---- The container's bytes, read back by hand --------------------------------------------------

struct TLayoutCase
{
    uint8_t algorithm;
    uint8_t mode;
    bool crc;
    size_t size;
    bool text;
};

class EncryptCompressedLayout : public EncryptCompressedTest,
                                public ::testing::WithParamInterface<TLayoutCase>
{
};

TEST_P(EncryptCompressedLayout, MatchesTheFormat)
{
    const TLayoutCase c = GetParam();
    MakeInput(c.text ? TextBytes(c.size, c.size) : test::PseudoRandomBytes(c.size, c.size));
    options.AlgorithmIndex = c.algorithm;
    options.CipherModeIndex = c.mode;
    options.IncludeCRC = c.crc;
    options.IncludePass = false; // ignored: a compressed body always has the check value
    const fs::path output = dir / "out.mvx";
    ASSERT_EQ(EncryptCompressedFile(host, options, input, output).Outcome, TJobOutcome::Finished)
        << host.AllMessages();
    const auto written = ReadBytes(output);
    ASSERT_GE(written.size(), 296u + 2u);

    const size_t chunks = c.size / 32767 + 1;
    EXPECT_EQ(Le32(written, 276), 2 * chunks);
    EXPECT_EQ(Le32(written, 280), c.size % 32767);
    EXPECT_EQ(written[292], 1) << "check value always stored";
    EXPECT_EQ(written[293], 1);
    EXPECT_EQ(written[294], c.crc ? 1 : 0);
    EXPECT_EQ(Le32(written, 0),
              c.crc ? static_cast<uint32_t>(crc32(0, plain.data(), static_cast<uInt>(c.size))) : 0);
    const int ids[] = {6, 9, 1, 8, 7, 5};
    EXPECT_EQ(Le32(written, 268), static_cast<uint32_t>(ids[c.algorithm]));
    EXPECT_EQ(Le32(written, 272), c.mode);

    // The table: big-endian lengths at the very end, covering the body exactly.
    std::vector<size_t> lengths;
    const size_t tableAt = written.size() - 2 * chunks;
    for (size_t k = 0; k < chunks; ++k)
        lengths.push_back(size_t{written[tableAt + 2 * k]} << 8 | written[tableAt + 2 * k + 1]);
    size_t body = 0;
    for (size_t n : lengths) {
        EXPECT_GT(n, 0u);
        body += n;
    }
    ASSERT_EQ(296 + body + 2 * chunks, written.size());

    // The check value, then each chunk in portions of 8192 and a remainder, one cipher state
    // running on; each chunk is a zlib stream that zlib itself inflates to the chunk's bytes.
    auto cipher = cipher::CreateCipher(c.algorithm);
    cipher->CipherMode = static_cast<cipher::TMV_ciphermode>(c.mode);
    cipher->SetPassword(host.PasswordText);
    uint8_t check[8];
    cipher->DecryptBuffer(written.data() + 284, check, 8);
    EXPECT_TRUE(std::equal(check, check + 4, check + 4)) << "copies differ";
    size_t at = 296;
    for (size_t k = 0; k < chunks; ++k) {
        std::vector<uint8_t> stream(written.begin() + at, written.begin() + at + lengths[k]);
        for (size_t p = 0; p < stream.size(); p += 8192) {
            const auto n = static_cast<int32_t>(std::min<size_t>(8192, stream.size() - p));
            cipher->DecryptBuffer(stream.data() + p, stream.data() + p, n);
        }
        at += lengths[k];
        const size_t expected = k + 1 < chunks ? 32767 : c.size % 32767;
        std::vector<uint8_t> back(32767);
        uLongf length = 32767;
        ASSERT_EQ(
            uncompress(back.data(), &length, stream.data(), static_cast<uLong>(stream.size())),
            Z_OK)
            << "chunk " << k;
        ASSERT_EQ(length, expected) << "chunk " << k;
        EXPECT_TRUE(std::equal(back.begin(), back.begin() + static_cast<long>(expected),
                               plain.begin() + static_cast<long>(32767 * k)))
            << "chunk " << k;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Containers, EncryptCompressedLayout,
    ::testing::Values(TLayoutCase{0, 0, true, 100, true}, TLayoutCase{0, 0, false, 0, true},
                      TLayoutCase{1, 2, true, 32767, false}, TLayoutCase{2, 1, false, 40000, true},
                      TLayoutCase{3, 3, true, 65534, true}, TLayoutCase{4, 0, true, 32766, false},
                      TLayoutCase{5, 3, false, 100000, false},
                      TLayoutCase{0, 1, true, 98301, true}));

TEST_F(EncryptCompressedTest, EdgeSizesGiveTheirTables)
{
    struct TCase
    {
        size_t size;
        uint32_t tableSize, lastChunkSize;
    };
    for (const TCase c : {TCase{0, 2, 0}, TCase{100, 2, 100}, TCase{32767, 4, 0},
                          TCase{40000, 4, 7233}, TCase{65534, 6, 0}}) {
        MakeInput(TextBytes(c.size, 1));
        TRecordingHost writer;
        const fs::path output = dir / "out.mvx";
        fs::remove(output);
        ASSERT_EQ(EncryptCompressedFile(writer, options, input, output).Outcome,
                  TJobOutcome::Finished);
        const auto written = ReadBytes(output);
        EXPECT_EQ(Le32(written, 276), c.tableSize) << c.size;
        EXPECT_EQ(Le32(written, 280), c.lastChunkSize) << c.size;
        // One status update per chunk: the loop ran exactly once per table entry.
        EXPECT_EQ(writer.Updates.size(), c.tableSize / 2) << c.size;
    }
    // An empty input: one empty zlib stream (header, an empty final block, Adler-32 of nothing).
    MakeInput({});
    fs::remove(dir / "out.mvx");
    TRecordingHost writer;
    ASSERT_EQ(EncryptCompressedFile(writer, options, input, dir / "out.mvx").Outcome,
              TJobOutcome::Finished);
    const auto written = ReadBytes(dir / "out.mvx");
    const size_t c0 = size_t{written[written.size() - 2]} << 8 | written.back();
    EXPECT_EQ(written.size(), 296 + c0 + 2);
    EXPECT_GE(c0, 8u);
}

// ---- Status figures ----------------------------------------------------------------------------

TEST_F(EncryptCompressedTest, RateAfterEveryChunkFromTheTotalsSoFar)
{
    // Text first, then random bytes: the rate must rise as the random chunks come in.
    auto bytes = TextBytes(3 * 32767, 5);
    const auto noise = test::PseudoRandomBytes(2 * 32767 + 500, 6);
    bytes.insert(bytes.end(), noise.begin(), noise.end());
    MakeInput(bytes);
    ASSERT_EQ(EncryptCompressedFile(host, options, input, dir / "out.mvx").Outcome,
              TJobOutcome::Finished);
    const auto written = ReadBytes(dir / "out.mvx");
    const size_t chunks = 6;
    ASSERT_EQ(host.Updates.size(), chunks);
    EXPECT_EQ(host.Events[1], "Loop:") << "lblRate is not set before the first chunk";
    int64_t compressed = 0;
    std::vector<int64_t> rates;
    for (size_t k = 0; k < chunks; ++k) {
        const size_t at = written.size() - 2 * chunks + 2 * k;
        compressed += int64_t{written[at]} << 8 | written[at + 1];
        const int64_t processed = std::min<int64_t>(32767 * int64_t(k + 1), int64_t(bytes.size()));
        const auto rate = static_cast<int64_t>(std::nearbyint(100.0 * compressed / processed));
        EXPECT_EQ(host.Updates[k].ProcessedBytes, processed);
        EXPECT_EQ(host.Updates[k].TotalBytes, int64_t(bytes.size()));
        EXPECT_EQ(host.Updates[k].RateText, "Compressed to : " + std::to_string(rate) + " %");
        rates.push_back(rate);
    }
    EXPECT_LT(rates[0], 50);
    EXPECT_GT(rates[5], rates[2]);
    EXPECT_EQ(host.Updates.back().Progress, 100);
    EXPECT_EQ(host.Events.back(), "Finished:Encryption OK >> " + input.string());
    EXPECT_FALSE(CurrentHeader.HasMark()) << "cleared after a finished job";
}

// ---- The job frame -----------------------------------------------------------------------------

TEST_F(EncryptCompressedTest, StopDeletesTheHalfWrittenContainer)
{
    MakeInput(test::PseudoRandomBytes(5 * 32767, 9));
    options.EncWipeInput = true;
    host.StopInLoopRound = 2;
    EXPECT_EQ(EncryptCompressedFile(host, options, input, dir / "out.mvx").Outcome,
              TJobOutcome::Stopped);
    EXPECT_EQ(host.Updates.size(), 2u);
    EXPECT_EQ(host.Events.back(), "Stopped:Encryption STOPPED >> " + input.string());
    EXPECT_TRUE(host.WaitWindows.empty());
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"plain.bin"});
    EXPECT_EQ(ReadBytes(input), plain);
}

TEST_F(EncryptCompressedTest, WipesTheInputOnlyAfterAFinishedJob)
{
    MakeInput(TextBytes(70000, 3));
    options.EncWipeInput = true;
    ASSERT_EQ(EncryptCompressedFile(host, options, input, dir / "out.mvx").Outcome,
              TJobOutcome::Finished);
    EXPECT_EQ(host.WaitWindows, std::vector<std::string>{"  Wipping file  |" + input.string()});
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"out.mvx"});
}

TEST_F(EncryptCompressedTest, RefusesTheSameFileAndKeepsADeclinedOutput)
{
    MakeInput(TextBytes(1000, 3));
    fs::create_symlink(input, dir / "link.mvx");
    EXPECT_EQ(EncryptCompressedFile(host, options, input, dir / "link.mvx").Outcome,
              TJobOutcome::SameFile);
    const std::vector<uint8_t> old = {1, 2, 3};
    WriteBytes(dir / "old.mvx", old);
    host.Answers = {TAnswer::No};
    EXPECT_EQ(EncryptCompressedFile(host, options, input, dir / "old.mvx").Outcome,
              TJobOutcome::OverwriteDeclined);
    EXPECT_EQ(ReadBytes(dir / "old.mvx"), old);
    EXPECT_EQ(ReadBytes(input), plain);
}

// ---- Fault 2: more chunks than the table holds -------------------------------------------------

TEST_F(EncryptCompressedTest, InputBeyond16383ChunksIsRefusedBeforeAnythingIsWritten)
{
    // Sparse files: the refusal must come before a byte is read.
    input = dir / "huge.bin";
    {
        WriteBytes(input, {});
        fs::resize_file(input, MaxCompressedInput + 1);
    }
    options.IncludeCRC = true;
    options.EncWipeInput = true;
    const TJobResult result = EncryptCompressedFile(host, options, input, dir / "huge.mvx");
    EXPECT_EQ(result.Outcome, TJobOutcome::InputUnopenable);
    EXPECT_EQ(host.Events,
              std::vector<std::string>{std::string("Message:") + TextTooLargeToCompress});
    EXPECT_EQ(host.Messages.back().Kind, TMessageKind::Error);
    EXPECT_TRUE(host.WaitWindows.empty()) << "no CRC-32 pass over a file that is refused";
    EXPECT_EQ(host.PasswordReads, 0);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"huge.bin"});

    // Exactly 16383 chunks are accepted: the job begins (and is stopped after one chunk).
    fs::resize_file(input, MaxCompressedInput);
    TRecordingHost atLimit;
    atLimit.StopInLoopRound = 1;
    EXPECT_EQ(EncryptCompressedFile(atLimit, {}, input, dir / "huge.mvx").Outcome,
              TJobOutcome::Stopped)
        << atLimit.AllMessages();
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"huge.bin"});
}

// ---- Failures while running --------------------------------------------------------------------

TEST_F(EncryptCompressedTest, InputShrinkingMidwayFailsCleanly)
{
    MakeInput(test::PseudoRandomBytes(4 * 32767, 4));
    options.EncWipeInput = true;
    host.OnProcessMessages = [&] { ASSERT_EQ(::truncate(input.c_str(), 40000), 0); };
    const TJobResult result = EncryptCompressedFile(host, options, input, dir / "out.mvx");
    EXPECT_EQ(result.Outcome, TJobOutcome::InputChanged);
    EXPECT_NE(host.Messages.back().Text.find("changed while it was being encrypted"),
              std::string::npos);
    EXPECT_EQ(host.Events.back().rfind("Message:", 0), 0u);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"plain.bin"}) << "no container, input kept";
}

TEST_F(EncryptCompressedTest, FailingWriteUnderAFileSizeLimit)
{
    MakeInput(test::PseudoRandomBytes(100000, 8));
    options.EncWipeInput = true;
    TJobResult result;
    {
        test::TFileSizeLimit limit(50000);
        result = EncryptCompressedFile(host, options, input, dir / "out.mvx");
    }
    EXPECT_EQ(result.Outcome, TJobOutcome::IoFailed);
    EXPECT_NE(host.Messages.back().Text.find("File too large"), std::string::npos)
        << host.AllMessages();
    EXPECT_EQ(host.JobLines.back(), "Encryption FAILED >> " + input.string());
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"plain.bin"});
    EXPECT_EQ(ReadBytes(input), plain);
}

} // namespace
} // namespace mv::engine
