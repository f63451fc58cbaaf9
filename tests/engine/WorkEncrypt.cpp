#include "engine/Work.h"

#include "cipher/CipherIds.h"
#include "engine/ContainerHeader.h"
#include "tests/support/FullDisk.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <zlib.h>

namespace mv::engine {
namespace {

using test::ReadBytes;
using test::TRecordingHost;
using test::TTempDir;
using test::WriteBytes;
namespace fs = std::filesystem;

class EncryptFileTest : public ::testing::Test
{
protected:
    void SetUp() override { CurrentHeader.Clear(); }

    fs::path MakeInput(size_t size, const std::string& name = "plain.bin")
    {
        input = dir / name;
        plain = test::PseudoRandomBytes(size, size + 1);
        WriteBytes(input, plain);
        return input;
    }

    TTempDir dir;
    TRecordingHost host;
    TJobOptions options;
    fs::path input;
    std::vector<uint8_t> plain;
};

// ---- The container's bytes, laid out by hand ---------------------------------------------------

struct TLayoutCase
{
    uint8_t algorithm;
    uint8_t mode;
    bool pass;
    bool crc;
    size_t size;
};

class EncryptFileLayout : public EncryptFileTest, public ::testing::WithParamInterface<TLayoutCase>
{
};

TEST_P(EncryptFileLayout, MatchesTheFormatByteForByte)
{
    const TLayoutCase c = GetParam();
    MakeInput(c.size);
    options.AlgorithmIndex = c.algorithm;
    options.CipherModeIndex = c.mode;
    options.IncludePass = c.pass;
    options.IncludeCRC = c.crc;
    const fs::path output = dir / "out.mvx";
    ASSERT_EQ(EncryptFile(host, options, input, output).Outcome, TJobOutcome::Finished)
        << host.AllMessages();
    const auto written = ReadBytes(output);
    ASSERT_EQ(written.size(), 296 + c.size);

    // Header: every field at the offset the format gives it.
    std::vector<uint8_t> expected(296, 0);
    const auto le32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            expected[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    if (c.crc)
        le32(0, static_cast<uint32_t>(crc32(0, plain.data(), static_cast<uInt>(plain.size()))));
    const uint8_t mark[] = {0x04, 0x4D, 0x56, 0x2A, 0x2A};
    std::copy(std::begin(mark), std::end(mark), expected.begin() + 4);
    const std::string name = "plain.bin";
    expected[9] = static_cast<uint8_t>(name.size());
    std::copy(name.begin(), name.end(), expected.begin() + 10);
    const int ids[] = {6, 9, 1, 8, 7, 5};
    le32(268, static_cast<uint32_t>(ids[c.algorithm]));
    le32(272, c.mode);
    expected[292] = c.pass ? 1 : 0;
    expected[294] = c.crc ? 1 : 0;

    // The check value, and the cipher state the body starts from.
    auto cipher = cipher::CreateCipher(c.algorithm);
    cipher->CipherMode = static_cast<cipher::TMV_ciphermode>(c.mode);
    cipher->SetPassword(host.PasswordText);
    uint8_t check[8];
    std::copy(written.begin() + 284, written.begin() + 292, check);
    if (c.pass) {
        auto reader = cipher::CreateCipher(c.algorithm);
        reader->CipherMode = cipher->CipherMode;
        reader->SetPassword(host.PasswordText);
        uint8_t clear[8];
        reader->DecryptBuffer(check, clear, 8);
        EXPECT_TRUE(std::equal(clear, clear + 4, clear + 4)) << "copies differ";
        uint8_t again[8];
        cipher->EncryptBuffer(clear, again, 8);
        EXPECT_TRUE(std::equal(again, again + 8, check));
    } else {
        EXPECT_TRUE(std::equal(check, check + 4, check + 4)) << "plain copies differ";
    }
    if (!c.pass) { // two draws below 65535
        EXPECT_LT(check[0] | (check[1] << 8), 65535);
    }
    std::copy(check, check + 8, expected.begin() + 284);
    EXPECT_EQ(test::ToHex(written.data(), 296), test::ToHex(expected.data(), 296));

    // Body: the input in portions of 8192, 8192, 8192, 8191 per step, one cipher throughout.
    std::vector<uint8_t> body(plain.size());
    size_t at = 0;
    for (int portion = 0; at < plain.size(); ++portion) {
        const size_t n = std::min<size_t>(portion % 4 == 3 ? 8191 : 8192, plain.size() - at);
        cipher->EncryptBuffer(plain.data() + at, body.data() + at, static_cast<int32_t>(n));
        at += n;
    }
    EXPECT_TRUE(std::equal(body.begin(), body.end(), written.begin() + 296));
}

INSTANTIATE_TEST_SUITE_P(
    Containers, EncryptFileLayout,
    ::testing::Values(TLayoutCase{0, 0, true, true, 40000}, TLayoutCase{0, 0, false, false, 40000},
                      TLayoutCase{1, 2, true, false, 32767}, TLayoutCase{2, 1, false, true, 1000},
                      TLayoutCase{3, 3, true, true, 65534}, TLayoutCase{4, 0, true, false, 8191},
                      TLayoutCase{5, 3, false, true, 0}));

// ---- The job frame -----------------------------------------------------------------------------

TEST_F(EncryptFileTest, FinishedJobShowsItsStepsAndCleansUp)
{
    MakeInput(40000);
    options.IncludeCRC = true;
    host.ClockScript = {100, 100, 101};
    const fs::path output = dir / "out.mvx";
    const TJobResult result = EncryptFile(host, options, input, output);
    EXPECT_EQ(result.Outcome, TJobOutcome::Finished);
    EXPECT_EQ(result.OutputPath, output);
    const std::string in = input.string();
    // The CRC-32 is taken in the encryption's own pass: no waiting window before it.
    const std::vector<std::string> events = {"Begin:Task : Encrypting " + in,
                                             "Loop:Compressed to : 100 %", "EndLoop",
                                             "Finished:Encryption OK >> " + in};
    EXPECT_EQ(host.Events, events);
    ASSERT_EQ(host.Updates.size(), 2u); // 32767 bytes, then the rest
    EXPECT_EQ(host.Updates[0].ProcessedBytes, 32767);
    EXPECT_EQ(host.Updates[0].ElapsedText, "Elapsed time : 0 s");
    EXPECT_EQ(host.Updates[1].Progress, 100);
    EXPECT_EQ(host.Updates[1].ElapsedSeconds, 1);
    EXPECT_EQ(host.Updates[1].SpeedText, "Encryption speed : 19.5 KB/s");
    EXPECT_EQ(host.PasswordReads, 1);
    EXPECT_TRUE(host.PasswordCleared);
    EXPECT_TRUE(host.ControlsEnabled);
    EXPECT_FALSE(host.StopEnabled);
    EXPECT_EQ(CurrentHeader.Encode(), THeaderBytes{});
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"out.mvx", "plain.bin"}));
    EXPECT_EQ(ReadBytes(input), plain);
}

TEST_F(EncryptFileTest, StepsFollowTheInputSize)
{
    const struct
    {
        size_t size;
        size_t steps;
    } cases[] = {{0, 1},     {1, 1},     {32766, 1}, {32767, 2},
                 {32768, 2}, {65534, 3}, {65535, 3}, {98301, 4}};
    for (const auto& c : cases) {
        TRecordingHost stepHost;
        MakeInput(c.size);
        ASSERT_EQ(EncryptFile(stepHost, options, input, dir / "out.mvx").Outcome,
                  TJobOutcome::Finished);
        EXPECT_EQ(stepHost.Updates.size(), c.steps) << c.size;
        EXPECT_EQ(stepHost.Updates.back().Progress, 100) << c.size;
        EXPECT_EQ(stepHost.Updates.back().RemainingSeconds, 0) << c.size;
        EXPECT_EQ(fs::file_size(dir / "out.mvx"), 296 + c.size);
        fs::remove(dir / "out.mvx");
    }
}

TEST_F(EncryptFileTest, MissingInputChangesNothing)
{
    const TJobResult result = EncryptFile(host, options, dir / "missing.bin", dir / "out.mvx");
    EXPECT_EQ(result.Outcome, TJobOutcome::InputMissing);
    ASSERT_EQ(host.Messages.size(), 1u);
    EXPECT_EQ(host.Messages[0].Kind, TMessageKind::Error);
    EXPECT_EQ(host.Messages[0].Text, "Input file doesn't exist !");
    EXPECT_EQ(host.Messages[0].Focus, TFocus::EncInput);
    EXPECT_TRUE(dir.Names().empty());
    EXPECT_TRUE(host.JobLines.empty());
}

TEST_F(EncryptFileTest, OverwriteQuestion)
{
    MakeInput(5000);
    const fs::path output = dir / "out.mvx";
    const std::vector<uint8_t> old = {1, 2, 3};
    for (TAnswer answer : {TAnswer::No, TAnswer::Cancel}) {
        WriteBytes(output, old);
        TRecordingHost asked;
        asked.Answers = {answer};
        EXPECT_EQ(EncryptFile(asked, options, input, output).Outcome,
                  TJobOutcome::OverwriteDeclined);
        EXPECT_EQ(asked.Questions,
                  std::vector<std::string>{"Output file already exists - Overwrite?"});
        EXPECT_TRUE(asked.Messages.empty());
        EXPECT_FALSE(asked.PasswordCleared);
        EXPECT_EQ(ReadBytes(output), old);
    }
    host.Answers = {TAnswer::Yes};
    EXPECT_EQ(EncryptFile(host, options, input, output).Outcome, TJobOutcome::Finished);
    EXPECT_EQ(fs::file_size(output), 5296u);
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"out.mvx", "plain.bin"}));
}

TEST_F(EncryptFileTest, InputThatIsNoFileAndOutputThatCannotBeCreated)
{
    fs::create_directory(dir / "folder");
    TJobResult result = EncryptFile(host, options, dir / "folder", dir / "out.mvx");
    EXPECT_EQ(result.Outcome, TJobOutcome::InputUnopenable);
    // The box says what the name is, not only that it failed.
    EXPECT_EQ(host.Messages.back().Text, "Unable to open input file\n\"" +
                                             (dir / "folder").string() +
                                             "\" is a directory, not a regular file");
    MakeInput(10);
    for (const fs::path& output : {dir / "no-such-dir" / "out.mvx", dir / "folder"}) {
        result = EncryptFile(host, options, input, output);
        EXPECT_EQ(result.Outcome, TJobOutcome::OutputUncreatable) << output;
        EXPECT_EQ(host.Messages.back().Text.rfind("Unable to create output file\n", 0), 0u);
        EXPECT_NE(host.Messages.back().Text.find(output.filename() == "folder"
                                                     ? output.string()
                                                     : output.parent_path().string()),
                  std::string::npos)
            << host.Messages.back().Text;
        EXPECT_FALSE(result.Detail.empty());
    }
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"folder", "plain.bin"}));
    EXPECT_TRUE(fs::is_empty(dir / "folder"));
}

TEST_F(EncryptFileTest, SameFileUnderAnyNameIsRefusedUntouched)
{
    MakeInput(3000);
    fs::create_hard_link(input, dir / "hard.bin");
    fs::create_symlink(input, dir / "soft.bin");
    host.Answers = {TAnswer::Yes, TAnswer::Yes, TAnswer::Yes, TAnswer::Yes};
    for (const fs::path& output :
         {input, dir / "hard.bin", dir / "soft.bin", dir / "." / "plain.bin"}) {
        host.Messages.clear();
        EXPECT_EQ(EncryptFile(host, options, input, output).Outcome, TJobOutcome::SameFile)
            << output;
        ASSERT_EQ(host.Messages.size(), 1u);
        EXPECT_EQ(host.Messages[0].Kind, TMessageKind::Plain);
        EXPECT_EQ(host.Messages[0].Text, "Input and output must not be the same !");
    }
    EXPECT_TRUE(host.Questions.empty());
    EXPECT_EQ(ReadBytes(input), plain);
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"hard.bin", "plain.bin", "soft.bin"}));
}

TEST_F(EncryptFileTest, StopDeletesTheOutputAndKeepsTheInput)
{
    MakeInput(100000);
    options.EncWipeInput = true;
    host.StopInLoopRound = 2;
    const TJobResult result = EncryptFile(host, options, input, dir / "out.mvx");
    EXPECT_EQ(result.Outcome, TJobOutcome::Stopped);
    EXPECT_EQ(host.Updates.size(), 2u);
    EXPECT_EQ(host.JobLines, std::vector<std::string>{"Encryption STOPPED >> " + input.string()});
    EXPECT_TRUE(host.PasswordCleared);
    EXPECT_FALSE(host.StopEnabled);
    EXPECT_TRUE(host.ControlsEnabled);
    EXPECT_TRUE(host.WaitWindows.empty()); // cipher bytes only: deleted, not wiped
    EXPECT_TRUE(CurrentHeader.HasMark());  // a stopped job leaves the header as it was
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"plain.bin"});
    EXPECT_EQ(ReadBytes(input), plain);
}

TEST_F(EncryptFileTest, NoOutputUnderTheFinalNameBeforeTheEnd)
{
    MakeInput(100000);
    const fs::path output = dir / "out.mvx";
    int rounds = 0;
    host.OnProcessMessages = [&] {
        ++rounds;
        EXPECT_FALSE(fs::exists(output));
    };
    EXPECT_EQ(EncryptFile(host, options, input, output).Outcome, TJobOutcome::Finished);
    EXPECT_EQ(rounds, 4);
    EXPECT_TRUE(fs::exists(output));
}

TEST_F(EncryptFileTest, WipesTheInputAfterAFinishedJob)
{
    for (bool secure : {false, true}) {
        MakeInput(70000);
        options.EncWipeInput = true;
        options.SecureWipe = secure;
        TRecordingHost wiping;
        EXPECT_EQ(EncryptFile(wiping, options, input, dir / "out.mvx").Outcome,
                  TJobOutcome::Finished);
        EXPECT_EQ(wiping.WaitWindows,
                  std::vector<std::string>{"  Wipping file  |" + input.string()});
        EXPECT_EQ(dir.Names(), std::vector<std::string>{"out.mvx"});
        EXPECT_EQ(fs::file_size(dir / "out.mvx"), 70296u);
        // Three passes of three portions, or one.
        EXPECT_EQ(wiping.ProcessMessagesCalls, 3 + (secure ? 9 : 3));
        fs::remove(dir / "out.mvx");
    }
}

TEST_F(EncryptFileTest, ImpossibleOptionsAreInternalErrors)
{
    MakeInput(100);
    const struct
    {
        uint8_t algorithm, mode;
        const char* text;
    } cases[] = {{6, 0, "Internal error : No cipher to burn !"},
                 {255, 0, "Internal error : No cipher to burn !"},
                 {0, 4, "Internal error : Invalid ciphermode !"}};
    for (const auto& c : cases) {
        options.AlgorithmIndex = c.algorithm;
        options.CipherModeIndex = c.mode;
        try {
            EncryptFile(host, options, input, dir / "out.mvx");
            ADD_FAILURE() << "no internal error";
        } catch (const test::EInternalError& e) {
            EXPECT_STREQ(e.what(), c.text);
        }
    }
}

TEST_F(EncryptFileTest, ASymlinkPlantedAtTheOutputIsReplacedNotFollowed)
{
    MakeInput(500);
    TTempDir elsewhere;
    const std::vector<uint8_t> victim = {9, 9, 9};
    WriteBytes(elsewhere / "victim", victim);
    fs::create_symlink(elsewhere / "victim", dir / "out.mvx");
    host.Answers = {TAnswer::Yes};
    EXPECT_EQ(EncryptFile(host, options, input, dir / "out.mvx").Outcome, TJobOutcome::Finished);
    EXPECT_FALSE(fs::is_symlink(dir / "out.mvx"));
    EXPECT_EQ(fs::file_size(dir / "out.mvx"), 796u);
    EXPECT_EQ(ReadBytes(elsewhere / "victim"), victim);
}

// ---- Failing writes ----------------------------------------------------------------------------

void ExpectCleanWriteFailure(TRecordingHost& host, const TJobResult& result, const TTempDir& in,
                             const fs::path& output, const std::vector<uint8_t>& plain,
                             const std::vector<uint8_t>& oldOutput)
{
    EXPECT_EQ(result.Outcome, TJobOutcome::IoFailed);
    ASSERT_FALSE(host.Messages.empty());
    EXPECT_EQ(host.Messages.back().Kind, TMessageKind::Error);
    EXPECT_NE(host.Messages.back().Text.find(output.string()), std::string::npos)
        << host.Messages.back().Text;
    EXPECT_FALSE(result.Detail.empty());
    EXPECT_EQ(host.JobLines.back().rfind("Encryption FAILED >> ", 0), 0u);
    EXPECT_TRUE(host.ControlsEnabled);
    // Nothing but the old output is left there, and the input was not wiped.
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(output.parent_path()))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{output.filename().string()});
    EXPECT_EQ(ReadBytes(output), oldOutput);
    EXPECT_EQ(ReadBytes(in / "plain.bin"), plain);
}

TEST_F(EncryptFileTest, FullDiskOnASmallTmpfs)
{
    TTempDir mountDir;
    test::TSmallTmpfs tmpfs(mountDir / "disk", 64 * 1024);
    if (!tmpfs.Mounted())
        GTEST_SKIP() << "needs root and tmpfs mounts";
    MakeInput(300000);
    options.EncWipeInput = true;
    const fs::path output = mountDir / "disk" / "out.mvx";
    const std::vector<uint8_t> old = {5, 5, 5};
    WriteBytes(output, old);
    host.Answers = {TAnswer::Yes};
    const TJobResult result = EncryptFile(host, options, input, output);
    ExpectCleanWriteFailure(host, result, dir, output, plain, old);
    EXPECT_NE(host.Messages.back().Text.find("No space left on device"), std::string::npos);
}

TEST_F(EncryptFileTest, FailingWriteUnderAFileSizeLimit)
{
    MakeInput(100000);
    options.EncWipeInput = true;
    const fs::path output = dir / "out" / "out.mvx";
    fs::create_directory(dir / "out");
    const std::vector<uint8_t> old = {7};
    WriteBytes(output, old);
    host.Answers = {TAnswer::Yes};
    TJobResult result;
    {
        test::TFileSizeLimit limit(50000);
        result = EncryptFile(host, options, input, output);
    }
    ExpectCleanWriteFailure(host, result, dir, output, plain, old);
    EXPECT_NE(host.Messages.back().Text.find("File too large"), std::string::npos);
}

} // namespace
} // namespace mv::engine
