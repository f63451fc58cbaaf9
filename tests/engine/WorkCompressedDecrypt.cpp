#include "engine/Work.h"

#include "engine/ContainerHeader.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <set>

namespace mv::engine {
namespace {

using test::ReadBytes;
using test::TRecordingHost;
using test::TTempDir;
using test::WriteBytes;
namespace fs = std::filesystem;

const std::string GoldenPassword = "golden password";

std::vector<uint8_t> TextBytes(size_t count, uint64_t seed)
{
    const auto noise = test::PseudoRandomBytes(count, seed);
    std::vector<uint8_t> bytes(count);
    for (size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<uint8_t>("abcdefgh \n"[noise[i] % 10]);
    return bytes;
}

class DecryptCompressedTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CurrentHeader.Clear();
        fs::create_directory(inDir());
        fs::create_directory(outDir());
        host.PasswordText = GoldenPassword;
    }

    fs::path inDir() const { return root / "in"; }
    fs::path outDir() const { return root / "out"; }

    std::vector<std::string> OutNames() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(outDir()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    // Compresses and encrypts bytes stored as name into inDir()/name.mvx.
    fs::path MakeContainer(std::vector<uint8_t> bytes, TJobOptions writeOptions,
                           const std::string& name = "plain.bin")
    {
        plain = std::move(bytes);
        WriteBytes(inDir() / name, plain);
        TRecordingHost writer;
        writer.PasswordText = host.PasswordText;
        const fs::path container = inDir() / (name + ".mvx");
        fs::remove(container);
        EXPECT_EQ(EncryptCompressedFile(writer, writeOptions, inDir() / name, container).Outcome,
                  TJobOutcome::Finished)
            << writer.AllMessages();
        fs::remove(inDir() / name);
        return container;
    }

    TJobResult Decrypt(const fs::path& container, TContainerRange range = {})
    {
        return DecryptFile(host, options, container, outDir(), range);
    }

    TTempDir root;
    TRecordingHost host;
    TJobOptions options;
    std::vector<uint8_t> plain;
};

// ---- Round trips -------------------------------------------------------------------------------

class DecryptCompressedRoundTrip : public DecryptCompressedTest,
                                   public ::testing::WithParamInterface<std::tuple<int, int>>
{
};

TEST_P(DecryptCompressedRoundTrip, RestoresEveryEdgeSize)
{
    const auto [algorithm, mode] = GetParam();
    for (size_t size : {0u, 1u, 32766u, 32767u, 32768u, 65534u, 100000u}) {
        TJobOptions writeOptions;
        writeOptions.AlgorithmIndex = static_cast<uint8_t>(algorithm);
        writeOptions.CipherModeIndex = static_cast<uint8_t>(mode);
        writeOptions.IncludeCRC = size % 2 == 0;
        const fs::path container = MakeContainer(
            size % 3 ? TextBytes(size, size) : test::PseudoRandomBytes(size, size), writeOptions);
        const TJobResult result = Decrypt(container);
        ASSERT_EQ(result.Outcome, TJobOutcome::Finished) << size << host.AllMessages();
        EXPECT_TRUE(result.Verified);
        EXPECT_EQ(OutNames(), std::vector<std::string>{"plain.bin"});
        EXPECT_EQ(ReadBytes(outDir() / "plain.bin"), plain) << size;
        fs::remove(outDir() / "plain.bin");
    }
}

INSTANTIATE_TEST_SUITE_P(EveryCipherAndMode, DecryptCompressedRoundTrip,
                         ::testing::Combine(::testing::Range(0, 6), ::testing::Range(0, 4)));

TEST_F(DecryptCompressedTest, HandedOverByDecryptFileWithItsStatusFigures)
{
    const fs::path container = MakeContainer(TextBytes(100000, 2), {});
    const auto bytes = ReadBytes(container);
    ASSERT_EQ(Decrypt(container).Outcome, TJobOutcome::Finished) << host.AllMessages();
    const std::string in = container.string();
    EXPECT_EQ(host.Events.front(), "Begin:Task : Decrypting " + in);
    EXPECT_EQ(host.Events[1], "Loop:Compressed to : 100 %");
    EXPECT_EQ(host.Events.back(), "Finished:focus:Decryption OK >> " + in);
    // One update per chunk, counting the chunks' cipher bytes against the container's size.
    ASSERT_EQ(host.Updates.size(), 4u);
    int64_t consumed = 0;
    for (size_t k = 0; k < 4; ++k) {
        const size_t at = bytes.size() - 8 + 2 * k;
        consumed += int64_t{bytes[at]} << 8 | bytes[at + 1];
        EXPECT_EQ(host.Updates[k].ProcessedBytes, consumed);
        EXPECT_EQ(host.Updates[k].TotalBytes, int64_t(bytes.size()));
        EXPECT_EQ(host.Updates[k].RateText, "") << "lblRate stays at 100 %";
    }
    EXPECT_EQ(consumed + 296 + 8, int64_t(bytes.size()));
    EXPECT_TRUE(host.PasswordCleared);
    EXPECT_FALSE(CurrentHeader.HasMark());
}

// ---- Containers of the independent writer (streams written by zlib) ---------------------------

class DecryptCompressedGolden : public DecryptCompressedTest,
                                public ::testing::WithParamInterface<std::string>
{
};

TEST_P(DecryptCompressedGolden, RestoresTextTxt)
{
    const TJobResult result = Decrypt(test::DataPath("golden/" + GetParam()));
    ASSERT_EQ(result.Outcome, TJobOutcome::Finished) << host.AllMessages();
    EXPECT_EQ(OutNames(), std::vector<std::string>{"text.txt"});
    EXPECT_EQ(ReadBytes(outDir() / "text.txt"), ReadBytes(test::DataPath("golden/text.txt")));
}

std::vector<std::string> GoldenCompressedContainers()
{
    std::vector<std::string> names;
    for (const char* cipher : {"twofish", "aes", "rc2", "gost", "cast128", "blowfish"})
        for (const char* mode : {"cbc", "cfb8", "cfb", "ofb"})
            names.push_back(std::string(cipher) + "-" + mode + "-compressed.mvx");
    return names;
}

INSTANTIATE_TEST_SUITE_P(CompressedBodies, DecryptCompressedGolden,
                         ::testing::ValuesIn(GoldenCompressedContainers()), [](const auto& info) {
                             std::string name = info.param.substr(0, info.param.size() - 4);
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

TEST_F(DecryptCompressedTest, TableIsFoundAtTheEndOfTheRange)
{
    const fs::path exe = test::DataPath("golden/sfx-blowfish-ofb-compressed.exe");
    const auto size = static_cast<int64_t>(fs::file_size(exe));
    const TJobResult result = Decrypt(exe, {50000, size - 16});
    ASSERT_EQ(result.Outcome, TJobOutcome::Finished) << host.AllMessages();
    EXPECT_EQ(ReadBytes(outDir() / "text.txt"), ReadBytes(test::DataPath("golden/text.txt")));
}

// ---- Password and Stop -------------------------------------------------------------------------

TEST_F(DecryptCompressedTest, WrongPasswordIsAlwaysNoticedBeforeAnythingIsWritten)
{
    TJobOptions writeOptions;
    writeOptions.IncludePass = false; // has no effect on a compressed body
    const fs::path container = MakeContainer(TextBytes(50000, 1), writeOptions);
    host.PasswordText = "wrong";
    EXPECT_EQ(Decrypt(container).Outcome, TJobOutcome::InvalidPassword);
    EXPECT_EQ(host.Messages.back().Text, "Invalid password !");
    EXPECT_TRUE(host.Updates.empty());
    EXPECT_TRUE(OutNames().empty());
    EXPECT_FALSE(host.PasswordCleared);
}

TEST_F(DecryptCompressedTest, StopWipesThePartialOutput)
{
    // Five chunks are decoded on the calling thread; forty in groups on the machine's threads,
    // stopped inside the second group.
    for (const size_t chunks : {5, 40}) {
        const fs::path container =
            MakeContainer(test::PseudoRandomBytes(chunks * 32767, chunks), {});
        host = TRecordingHost();
        host.PasswordText = GoldenPassword;
        host.StopInLoopRound = chunks == 5 ? 2 : 11;
        EXPECT_EQ(Decrypt(container).Outcome, TJobOutcome::Stopped) << chunks;
        EXPECT_EQ(host.Updates.size(), static_cast<size_t>(host.StopInLoopRound)) << chunks;
        ASSERT_EQ(host.WaitWindows.size(), 1u) << chunks;
        EXPECT_EQ(host.WaitWindows[0].rfind("  Wipping file  |", 0), 0u);
        EXPECT_TRUE(OutNames().empty()) << chunks;
        EXPECT_TRUE(fs::exists(container));
        EXPECT_EQ(host.Events.back(), "Stopped:Decryption STOPPED >> " + container.string());
    }
}

// ---- Fault 1: damaged compressed bodies --------------------------------------------------------

struct TFixtureCase
{
    const char* fixture;
    TJobOutcome outcome;
    const char* reason; // part of the message after TextDamagedContainer
    bool written;       // the loop began: a partial output was wiped
};

class DecryptCompressedFixture : public DecryptCompressedTest,
                                 public ::testing::WithParamInterface<TFixtureCase>
{
};

TEST_P(DecryptCompressedFixture, ReactsToItsFault)
{
    const TFixtureCase& c = GetParam();
    const fs::path container = inDir() / (std::string(c.fixture) + ".mvx");
    fs::copy_file(test::DataPath("fixtures/" + std::string(c.fixture) + ".mvx"), container);
    const auto before = ReadBytes(container);
    const TJobResult result = Decrypt(container);
    EXPECT_EQ(result.Outcome, c.outcome) << host.AllMessages();
    if (c.outcome == TJobOutcome::Finished) {
        EXPECT_EQ(OutNames(), std::vector<std::string>{"small.txt"});
        const auto text = ReadBytes(test::DataPath("golden/text.txt"));
        EXPECT_EQ(ReadBytes(outDir() / "small.txt"),
                  std::vector<uint8_t>(text.begin(), text.begin() + 33767));
    } else {
        EXPECT_TRUE(OutNames().empty());
        ASSERT_FALSE(host.Messages.empty());
        const std::string message = host.Messages.back().Text;
        EXPECT_EQ(message.rfind(TextDamagedContainer, 0), 0u) << message;
        EXPECT_NE(message.find(c.reason), std::string::npos) << message;
        EXPECT_EQ(host.Messages.back().Kind, TMessageKind::Error);
        EXPECT_EQ(host.JobLines.back(), "Decryption FAILED >> " + container.string());
        // A table that cannot be right is refused before the password is asked for.
        EXPECT_EQ(host.PasswordReads, c.written ? 1 : 0);
        EXPECT_EQ(host.WaitWindows.size(), c.written ? 1u : 0u) << "partial output wiped";
        EXPECT_TRUE(host.ControlsEnabled);
        EXPECT_FALSE(host.StopEnabled);
    }
    EXPECT_EQ(root.Names(), (std::vector<std::string>{"in", "out"}));
    EXPECT_EQ(ReadBytes(container), before);
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, DecryptCompressedFixture,
    ::testing::Values(
        TFixtureCase{"compressed_valid", TJobOutcome::Finished, "", false},
        TFixtureCase{"compressed_check_flag_clear", TJobOutcome::Finished, "", false},
        TFixtureCase{"chunk_bad_zlib_header", TJobOutcome::Damaged, "chunk 1 of 2: not a zlib",
                     true},
        TFixtureCase{"chunk_needs_dictionary", TJobOutcome::Damaged, "preset dictionary", true},
        TFixtureCase{"chunk_flipped_bit", TJobOutcome::Damaged, "chunk 1 of 2", true},
        TFixtureCase{"chunk_bad_checksum", TJobOutcome::Damaged, "chunk 2 of 2: the Adler-32",
                     true},
        TFixtureCase{"chunk_stream_cut", TJobOutcome::Damaged, "chunk 2 of 2: invalid or cut-off",
                     true},
        TFixtureCase{"chunk_trailing_bytes", TJobOutcome::Damaged, "bytes follow the end", true},
        TFixtureCase{"chunk_inflates_short", TJobOutcome::Damaged,
                     "chunk 1 of 2: inflates to fewer", true},
        TFixtureCase{"chunk_inflates_long", TJobOutcome::Damaged, "chunk 1 of 2: inflates to more",
                     true},
        TFixtureCase{"last_chunk_inflates_long", TJobOutcome::Damaged,
                     "chunk 2 of 2: inflates to more", true},
        TFixtureCase{"last_chunk_inflates_short", TJobOutcome::Damaged,
                     "chunk 2 of 2: inflates to fewer", true},
        TFixtureCase{"last_chunk_size_negative", TJobOutcome::Damaged, "LastChunkSize -1", false},
        TFixtureCase{"last_chunk_size_too_large", TJobOutcome::Damaged, "LastChunkSize 32767",
                     false},
        TFixtureCase{"table_entry_zero", TJobOutcome::Damaged, "entry 0 of the chunk table is 0",
                     false},
        TFixtureCase{"table_entry_past_body", TJobOutcome::Damaged, "the container has", false},
        TFixtureCase{"table_entries_short_of_body", TJobOutcome::Damaged, "the container has",
                     false},
        TFixtureCase{"table_size_odd", TJobOutcome::Damaged, "ChunkTableSize 3 is odd", false},
        TFixtureCase{"table_size_zero", TJobOutcome::Damaged, "ChunkTableSize 0 is not positive",
                     false},
        TFixtureCase{"table_size_negative", TJobOutcome::Damaged,
                     "ChunkTableSize -2 is not positive", false},
        TFixtureCase{"table_size_above_limit", TJobOutcome::Damaged, "more than 16383 chunks",
                     false},
        TFixtureCase{"table_size_mismatch", TJobOutcome::Damaged, "", false},
        TFixtureCase{"table_cut_off", TJobOutcome::Damaged, "the container has", false},
        TFixtureCase{"header_compressed_flag", TJobOutcome::Damaged, "ChunkTableSize", false}),
    [](const auto& info) { return std::string(info.param.fixture); });

// ---- Hostile containers: every cut, every flipped bit -------------------------------------------

// Runs one job on bytes and checks what any hostile container must leave: an outcome from the
// allowed set, a file under the final name exactly when the outcome keeps one, nothing else.
class DecryptCompressedHostile : public DecryptCompressedTest
{
protected:
    std::vector<uint8_t> ContainerBytes(std::vector<uint8_t> bytes, const std::string& name)
    {
        TJobOptions writeOptions;
        writeOptions.IncludeCRC = true;
        const fs::path container = MakeContainer(std::move(bytes), writeOptions, name);
        auto whole = ReadBytes(container);
        fs::remove(container);
        return whole;
    }

    TJobOutcome RunOn(const std::vector<uint8_t>& bytes, const std::string& what)
    {
        const fs::path container = inDir() / "hostile.mvx";
        WriteBytes(container, bytes);
        TRecordingHost jobHost;
        jobHost.PasswordText = host.PasswordText;
        const TJobResult result = DecryptFile(jobHost, options, container, outDir());
        const bool kept =
            result.Outcome == TJobOutcome::Finished || result.Outcome == TJobOutcome::CrcMismatch;
        if (kept) {
            EXPECT_EQ(OutNames(), std::vector<std::string>{result.OutputPath.filename().string()})
                << what;
            if (result.Outcome == TJobOutcome::Finished) {
                EXPECT_EQ(ReadBytes(result.OutputPath), plain) << what;
            }
            for (const auto& name : OutNames())
                fs::remove(outDir() / name);
        } else {
            EXPECT_TRUE(OutNames().empty()) << what;
        }
        EXPECT_EQ(root.Names(), (std::vector<std::string>{"in", "out"})) << what;
        EXPECT_EQ(std::distance(fs::directory_iterator(inDir()), fs::directory_iterator()), 1)
            << what;
        return result.Outcome;
    }
};

TEST_F(DecryptCompressedHostile, TruncationAtEveryOffset)
{
    const auto whole = ContainerBytes(TextBytes(40000, 4), "cut.bin");
    for (size_t cut = 0; cut <= whole.size(); ++cut) {
        const TJobOutcome outcome =
            RunOn(std::vector<uint8_t>(whole.begin(), whole.begin() + cut), std::to_string(cut));
        const TJobOutcome expected = cut < 296            ? TJobOutcome::InvalidFileType
                                     : cut < whole.size() ? TJobOutcome::Damaged
                                                          : TJobOutcome::Finished;
        EXPECT_EQ(outcome, expected) << cut;
    }
}

TEST_F(DecryptCompressedHostile, EveryHeaderBitFlipped)
{
    const auto whole = ContainerBytes(TextBytes(1000, 5), "flip.bin");
    using O = TJobOutcome;
    const auto allowed = [](int offset, int bit) -> std::set<O> {
        if (offset <= 3)
            return {O::CrcMismatch};
        if (offset <= 9) // the mark, the name's length (reaching into the zero tail, or empty)
            return {O::InvalidFileType};
        if (offset <= 17) // "flip.bin": a separator shortens it, a control character refuses it
            return {O::Finished, O::InvalidFileType};
        if (offset >= 268 && offset <= 275) // another cipher or mode
            return {O::InvalidFileType, O::InvalidPassword, O::Damaged};
        if (offset >= 276 && offset <= 283) // ChunkTableSize, LastChunkSize
            return {O::Damaged};
        if (offset >= 284 && offset <= 291)
            return {O::InvalidPassword};
        if (offset == 293 && bit == 0) // now a plain container: the whole rest as its body
            return {O::CrcMismatch};
        return {O::Finished}; // name tail, padding, flags that stay true or are not consulted
    };
    for (int offset = 0; offset < 296; ++offset) {
        for (int bit = 0; bit < 8; ++bit) {
            auto bytes = whole;
            bytes[offset] ^= static_cast<uint8_t>(1 << bit);
            const std::string what = std::to_string(offset) + " bit " + std::to_string(bit);
            const TJobOutcome outcome = RunOn(bytes, what);
            EXPECT_TRUE(allowed(offset, bit).count(outcome))
                << what << " gave " << static_cast<int>(outcome);
        }
    }
}

TEST_F(DecryptCompressedHostile, EveryChunkTableBitFlipped)
{
    const auto whole = ContainerBytes(TextBytes(3 * 32767, 6), "t.bin");
    const size_t table = whole.size() - 8;
    for (size_t offset = table; offset < whole.size(); ++offset) {
        for (int bit = 0; bit < 8; ++bit) {
            auto bytes = whole;
            bytes[offset] ^= static_cast<uint8_t>(1 << bit);
            const std::string what = std::to_string(offset) + " bit " + std::to_string(bit);
            EXPECT_EQ(RunOn(bytes, what), TJobOutcome::Damaged) << what;
        }
    }
}

} // namespace
} // namespace mv::engine
