// The test of the output and the confirmation of a decryption: every body kind round-trips with
// the test on and shows it as a phase of its own; a bit changed between the write and the
// read-back fails the test, removes the output and keeps the input; a wipe always runs the test;
// an unconfirmed decryption never wipes its container; Stop during the test leaves the input and
// no output.
#include "engine/OutputTest.h"

#include "engine/ContainerHeader.h"
#include "engine/SfxTrailer.h"
#include "engine/Work.h"
#include "engine/WorkSfx.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestSupport.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace mv::engine {
namespace {

using test::ReadBytes;
using test::TRecordingHost;
using test::TTempDir;
using test::WriteBytes;
namespace fs = std::filesystem;

enum class TBody
{
    Plain,
    Compressed,
    SelfDecrypting,
    CompressedSelfDecrypting
};

const char* BodyName(TBody body)
{
    switch (body) {
    case TBody::Plain:
        return "plain";
    case TBody::Compressed:
        return "compressed";
    case TBody::SelfDecrypting:
        return "self-decrypting";
    case TBody::CompressedSelfDecrypting:
        return "compressed self-decrypting";
    }
    return "?";
}

constexpr size_t ModuleSize = 20000;

class OutputTestTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CurrentHeader.Clear();
        fs::create_directory(root / "prog");
        fs::create_directory(root / "out");
        WriteBytes(root / "prog" / SfxModuleName, test::PseudoRandomBytes(ModuleSize, 5));
        host.PasswordText = "test of the output";
    }

    fs::path Input() const { return root / "data.bin"; }
    fs::path Container() const { return root / "data.mvx"; }
    fs::path Restored() const { return root / "out" / "data.bin"; }

    // Writes size pseudo-random bytes as the input.
    void MakeInput(size_t size)
    {
        plain = test::PseudoRandomBytes(size, size + 11);
        WriteBytes(Input(), plain);
    }

    TJobResult Encrypt(TBody body, TJobHost& jobHost, const TJobOptions& jobOptions)
    {
        switch (body) {
        case TBody::Plain:
            return EncryptFile(jobHost, jobOptions, Input(), Container());
        case TBody::Compressed:
            return EncryptCompressedFile(jobHost, jobOptions, Input(), Container());
        case TBody::SelfDecrypting:
            return EncryptToSelfExtractor(jobHost, jobOptions, Input(), Container(), root / "prog");
        case TBody::CompressedSelfDecrypting:
            return EncryptCompressedToSelfExtractor(jobHost, jobOptions, Input(), Container(),
                                                    root / "prog");
        }
        return {};
    }

    // The container's range: a self-decrypting file's is found through its trailer.
    TContainerRange RangeOf(TBody body) const
    {
        if (body == TBody::SelfDecrypting || body == TBody::CompressedSelfDecrypting)
            return LocateSfxContainer(Container()).Range;
        return {};
    }

    TJobResult Decrypt(TBody body, TJobHost& jobHost, const TJobOptions& jobOptions)
    {
        return DecryptFile(jobHost, jobOptions, Container(), root / "out", RangeOf(body));
    }

    // A container of the input written by a host of its own, without any test.
    void MakeContainer(TBody body, TJobOptions writeOptions)
    {
        TRecordingHost writer;
        writer.PasswordText = host.PasswordText;
        ASSERT_EQ(Encrypt(body, writer, writeOptions).Outcome, TJobOutcome::Finished)
            << writer.AllMessages();
    }

    bool SawTestPhase(const fs::path& output) const
    {
        return std::find(host.Events.begin(), host.Events.end(),
                         "Begin:" + std::string(TextTaskTesting) + output.string()) !=
               host.Events.end();
    }

    TTempDir root;
    TRecordingHost host;
    TJobOptions options;
    std::vector<uint8_t> plain;
};

constexpr TBody AllBodies[] = {TBody::Plain, TBody::Compressed, TBody::SelfDecrypting,
                               TBody::CompressedSelfDecrypting};

// Flips one bit of the byte at offset of the output when it passes the read-back.
std::function<void(uint8_t*, int64_t, int64_t)> FlipBitAt(int64_t offset, int* flips)
{
    return [offset, flips](uint8_t* bytes, int64_t count, int64_t at) {
        if (offset >= at && offset < at + count) {
            bytes[offset - at] ^= 0x10;
            ++*flips;
        }
    };
}

// ---- Round trips -------------------------------------------------------------------------------

TEST_F(OutputTestTest, EveryBodyKindRoundTripsWithTheTestOnAndShowsItsPhase)
{
    for (const TBody body : AllBodies) {
        for (const size_t size : {size_t{0}, size_t{32767}, size_t{100000}}) {
            SCOPED_TRACE(std::string(BodyName(body)) + " " + std::to_string(size));
            host = {};
            host.PasswordText = "test of the output";
            MakeInput(size);
            fs::remove(Container());
            options = {};
            options.IncludeCRC = size == 100000; // both endings of the restored file's test
            options.EncTestOutput = true;
            const TJobResult encrypted = Encrypt(body, host, options);
            ASSERT_EQ(encrypted.Outcome, TJobOutcome::Finished) << host.AllMessages();
            EXPECT_TRUE(encrypted.Tested);
            EXPECT_TRUE(SawTestPhase(Container()));
            // The test is a second run of the step loop, with its own speed caption.
            EXPECT_EQ(std::count_if(host.Events.begin(), host.Events.end(),
                                    [](const std::string& e) { return e.rfind("Loop:", 0) == 0; }),
                      2);
            // The test's loop leaves lblRate as the job left it.
            EXPECT_EQ(host.Events.back(), "Finished:Encryption OK >> " + Input().string());
            ASSERT_FALSE(host.Updates.empty());
            EXPECT_EQ(host.Updates.back().SpeedText.rfind("Testing speed : ", 0), 0u);
            if (size > 0) {
                EXPECT_EQ(host.Updates.back().Progress, 100);
            }
            EXPECT_EQ(host.JobLines,
                      std::vector<std::string>{"Encryption OK >> " + Input().string()});

            host = {};
            host.PasswordText = "test of the output";
            fs::remove(Restored());
            options = {};
            options.DecTestOutput = true;
            const TJobResult decrypted = Decrypt(body, host, options);
            ASSERT_EQ(decrypted.Outcome, TJobOutcome::Finished) << host.AllMessages();
            EXPECT_TRUE(decrypted.Tested);
            EXPECT_TRUE(SawTestPhase(Restored()));
            EXPECT_EQ(ReadBytes(Restored()), plain);
        }
    }
}

TEST_F(OutputTestTest, WithoutTheOptionNoTestRuns)
{
    MakeInput(50000);
    const TJobResult result = Encrypt(TBody::Plain, host, options);
    ASSERT_EQ(result.Outcome, TJobOutcome::Finished);
    EXPECT_FALSE(result.Tested);
    EXPECT_FALSE(SawTestPhase(Container()));
}

// ---- A changed bit fails the test --------------------------------------------------------------

TEST_F(OutputTestTest, ABitChangedBeforeTheReadBackFailsTheEncryptionAndKeepsTheInput)
{
    // Offsets from the start of the container: a header byte, the check value, the body; from
    // the end: the last chunk or table byte, the trailer.
    struct TFlipCase
    {
        TBody Body;
        int64_t FromStart; // -1: use FromEnd
        int64_t FromEnd;
        bool Wipe;
    };
    const TFlipCase cases[] = {
        {TBody::Plain, 3, 0, false},
        {TBody::Plain, 290, 0, true},
        {TBody::Plain, 296 + 70000, 0, true},
        {TBody::Plain, -1, 1, false},
        {TBody::Compressed, 296 + 10, 0, true},
        {TBody::Compressed, -1, 1, false},
        {TBody::SelfDecrypting, 296 + 5, 0, true},
        {TBody::SelfDecrypting, -1, 3, false},
        {TBody::CompressedSelfDecrypting, -1, 17, true},
    };
    for (const TFlipCase& c : cases) {
        SCOPED_TRACE(std::string(BodyName(c.Body)) + " at " + std::to_string(c.FromStart) + "/-" +
                     std::to_string(c.FromEnd));
        MakeInput(100000);
        fs::remove(Container());
        // Where the byte lies in the file: first the size of a clean container.
        MakeContainer(c.Body, {});
        const int64_t fileSize = static_cast<int64_t>(fs::file_size(Container()));
        fs::remove(Container());
        const bool sfx =
            c.Body == TBody::SelfDecrypting || c.Body == TBody::CompressedSelfDecrypting;
        const int64_t begin = sfx ? static_cast<int64_t>(ModuleSize) : 0;
        const int64_t offset = c.FromStart >= 0 ? begin + c.FromStart : fileSize - c.FromEnd;

        host = {};
        host.PasswordText = "test of the output";
        options = {};
        options.EncTestOutput = !c.Wipe;
        options.EncWipeInput = c.Wipe;
        int flips = 0;
        options.ReadBackFilter = FlipBitAt(offset, &flips);
        const TJobResult result = Encrypt(c.Body, host, options);
        EXPECT_EQ(result.Outcome, TJobOutcome::TestFailed) << host.AllMessages();
        EXPECT_EQ(flips, 1);
        EXPECT_FALSE(result.Tested);
        // The output is gone, the input is whole, whatever the wipe option said.
        EXPECT_FALSE(fs::exists(Container()));
        EXPECT_EQ(ReadBytes(Input()), plain);
        EXPECT_EQ(root.Names(), (std::vector<std::string>{"data.bin", "out", "prog"}));
        ASSERT_FALSE(host.Messages.empty());
        EXPECT_EQ(host.Messages.back().Text.rfind(TJobTexts{}.TestFailed + Container().string(), 0),
                  0u)
            << host.Messages.back().Text;
        EXPECT_EQ(host.JobLines.back(), "Encryption FAILED >> " + Input().string());
    }
}

TEST_F(OutputTestTest, ABitChangedBeforeTheReadBackFailsTheDecryptionAndKeepsTheContainer)
{
    for (const bool crc : {false, true}) {
        SCOPED_TRACE(crc ? "with a CRC-32" : "compressed");
        MakeInput(90000);
        fs::remove(Container());
        TJobOptions writeOptions;
        writeOptions.IncludeCRC = crc;
        const TBody body = crc ? TBody::Plain : TBody::Compressed;
        MakeContainer(body, writeOptions);
        const auto containerBytes = ReadBytes(Container());

        host = {};
        host.PasswordText = "test of the output";
        options = {};
        options.DecWipeInput = true; // a wipe asks for the test by itself
        int flips = 0;
        options.ReadBackFilter = FlipBitAt(45000, &flips);
        const TJobResult result = Decrypt(body, host, options);
        EXPECT_EQ(result.Outcome, TJobOutcome::TestFailed) << host.AllMessages();
        EXPECT_EQ(flips, 1);
        EXPECT_TRUE(SawTestPhase(Restored()));
        EXPECT_TRUE(fs::is_empty(root / "out"));
        EXPECT_EQ(ReadBytes(Container()), containerBytes);
        // The restored bytes were plain: wiped before they went.
        ASSERT_FALSE(host.WaitWindows.empty());
        EXPECT_EQ(host.WaitWindows.back().rfind("  Wipping file  |", 0), 0u);
        EXPECT_EQ(host.JobLines.back(), "Decryption FAILED >> " + Container().string());
    }
}

// ---- A wipe always follows a test --------------------------------------------------------------

TEST_F(OutputTestTest, AWipeRunsTheTestEvenWithTheOptionOff)
{
    for (const TBody body : AllBodies) {
        SCOPED_TRACE(BodyName(body));
        MakeInput(40000);
        fs::remove(Container());
        host = {};
        host.PasswordText = "test of the output";
        options = {};
        options.EncWipeInput = true;
        const TJobResult encrypted = Encrypt(body, host, options);
        ASSERT_EQ(encrypted.Outcome, TJobOutcome::Finished) << host.AllMessages();
        EXPECT_TRUE(encrypted.Tested);
        EXPECT_TRUE(SawTestPhase(Container()));
        EXPECT_FALSE(fs::exists(Input()));

        // A compressed body confirms itself, so the wipe of its container is allowed; a plain
        // one written with the options above has no CRC-32 and keeps its container.
        host = {};
        host.PasswordText = "test of the output";
        options = {};
        options.DecWipeInput = true;
        const bool compressed = body == TBody::Compressed;
        if (body == TBody::SelfDecrypting || body == TBody::CompressedSelfDecrypting)
            continue; // the program does not decrypt a self-decrypting file from offset 0
        const TJobResult decrypted = Decrypt(body, host, options);
        ASSERT_EQ(decrypted.Outcome, TJobOutcome::Finished) << host.AllMessages();
        EXPECT_TRUE(decrypted.Tested);
        EXPECT_TRUE(SawTestPhase(Restored()));
        EXPECT_EQ(decrypted.Verified, compressed);
        EXPECT_EQ(fs::exists(Container()), !compressed);
        EXPECT_EQ(ReadBytes(Restored()), plain);
        fs::remove(Restored());
        fs::remove(Container());
    }
}

// ---- Confirmed or not --------------------------------------------------------------------------

TEST_F(OutputTestTest, AnUnconfirmedDecryptionNeverWipesItsContainer)
{
    struct TCase
    {
        const char* Name;
        TBody Body;
        bool Check;
        bool Crc;
        const char* Password;
        int ClearedFlag; // header offset set to 0 after writing; -1: none
        bool Confirmed;
    };
    const TCase cases[] = {
        // No check value, no CRC-32: a typo restores garbage, which nothing can tell.
        {"wrong password, nothing stored", TBody::Plain, false, false, "test of the outpuT", -1,
         false},
        {"right password, nothing stored", TBody::Plain, false, false, "test of the output", -1,
         false},
        // A check value proves the password, not the content.
        {"check value only", TBody::Plain, true, false, "test of the output", -1, false},
        // The compressed flag cleared: the body reads as a plain one, its check value passes.
        {"compressed flag cleared", TBody::Compressed, false, false, "test of the output",
         OffsetIsCompressed, false},
        {"CRC-32", TBody::Plain, false, true, "test of the output", -1, true},
        {"compressed", TBody::Compressed, false, false, "test of the output", -1, true},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        MakeInput(70000);
        fs::remove(Container());
        fs::remove(Restored());
        TJobOptions writeOptions;
        writeOptions.IncludePass = c.Check;
        writeOptions.IncludeCRC = c.Crc;
        MakeContainer(c.Body, writeOptions);
        if (c.ClearedFlag >= 0) {
            auto bytes = ReadBytes(Container());
            bytes[c.ClearedFlag] = 0;
            WriteBytes(Container(), bytes);
        }
        const auto containerBytes = ReadBytes(Container());

        host = {};
        host.PasswordText = c.Password;
        options = {};
        options.DecWipeInput = true;
        const TJobResult result = Decrypt(c.Body, host, options);
        ASSERT_EQ(result.Outcome, TJobOutcome::Finished) << host.AllMessages();
        EXPECT_EQ(result.Verified, c.Confirmed);
        EXPECT_EQ(result.WipeSkipped, !c.Confirmed);
        EXPECT_TRUE(result.Tested);
        EXPECT_TRUE(fs::exists(Restored()));
        if (c.Confirmed) {
            EXPECT_FALSE(fs::exists(Container()));
            EXPECT_TRUE(host.Messages.empty()) << host.AllMessages();
        } else {
            EXPECT_EQ(ReadBytes(Container()), containerBytes);
            ASSERT_EQ(host.Messages.size(), 1u) << host.AllMessages();
            EXPECT_EQ(host.Messages[0].Text, TJobTexts{}.NotConfirmedKept + Container().string());
            // The window puts the focus back on the container it kept.
            EXPECT_EQ(host.Messages[0].Focus, TFocus::DecInput);
        }
    }
}

// ---- Stop during the test ----------------------------------------------------------------------

TEST_F(OutputTestTest, StopDuringTheTestLeavesTheInputAndNoOutput)
{
    for (const TBody body : {TBody::Plain, TBody::Compressed, TBody::SelfDecrypting}) {
        SCOPED_TRACE(BodyName(body));
        MakeInput(200000);
        fs::remove(Container());
        host = {};
        host.PasswordText = "test of the output";
        // Stop is pressed in the test's first round, never in the main loop's.
        host.OnProcessMessages = [this] {
            if (host.Task.rfind(TextTaskTesting, 0) == 0 && host.StopEnabled)
                host.Stop = true;
        };
        options = {};
        options.EncWipeInput = true;
        const TJobResult result = Encrypt(body, host, options);
        EXPECT_EQ(result.Outcome, TJobOutcome::Stopped) << host.AllMessages();
        EXPECT_TRUE(SawTestPhase(Container()));
        EXPECT_EQ(ReadBytes(Input()), plain);
        EXPECT_EQ(root.Names(), (std::vector<std::string>{"data.bin", "out", "prog"}));
        EXPECT_EQ(host.JobLines.back(), "Encryption STOPPED >> " + Input().string());
    }

    // The same in a decryption: the restored bytes are wiped, the container stays.
    TJobOptions writeOptions;
    writeOptions.IncludeCRC = true;
    MakeContainer(TBody::Plain, writeOptions);
    const auto containerBytes = ReadBytes(Container());
    host = {};
    host.PasswordText = "test of the output";
    host.OnProcessMessages = [this] {
        if (host.Task.rfind(TextTaskTesting, 0) == 0 && host.StopEnabled)
            host.Stop = true;
    };
    options = {};
    options.DecWipeInput = true;
    const TJobResult result = Decrypt(TBody::Plain, host, options);
    EXPECT_EQ(result.Outcome, TJobOutcome::Stopped) << host.AllMessages();
    EXPECT_TRUE(SawTestPhase(Restored()));
    EXPECT_TRUE(fs::is_empty(root / "out"));
    EXPECT_EQ(ReadBytes(Container()), containerBytes);
    ASSERT_FALSE(host.WaitWindows.empty());
    EXPECT_EQ(host.WaitWindows.back().rfind("  Wipping file  |", 0), 0u);
}

// ---- Outputs that cannot be read back ----------------------------------------------------------

TEST_F(OutputTestTest, AFifoOutputIsRefusedWhenATestOrAWipeIsAsked)
{
    MakeInput(1000);
    const fs::path fifo = root / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const bool wipe : {false, true}) {
        host = {};
        options = {};
        options.EncTestOutput = !wipe;
        options.EncWipeInput = wipe;
        // Refused before the FIFO is opened: an open for writing would wait for a reader.
        const TJobResult result = EncryptFile(host, options, Input(), fifo);
        EXPECT_EQ(result.Outcome, TJobOutcome::Unsupported);
        ASSERT_EQ(host.Messages.size(), 1u);
        EXPECT_NE(host.Messages[0].Text.find("cannot be tested"), std::string::npos);
        EXPECT_EQ(ReadBytes(Input()), plain);
        EXPECT_TRUE(host.Events.size() == 1) << "nothing but the message";
    }
}

} // namespace
} // namespace mv::engine
