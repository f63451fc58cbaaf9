// What the jobs never do to a user's files, whatever happens around them while they run: replace
// a file that appeared at the output's name, replace a device, FIFO or a file other than the one
// confirmed, show a half-written output under any name, leave plain bytes behind when a signal
// ends them, keep or wipe after an input changed under them, or wipe a file they did not read.
#include "engine/ContainerHeader.h"
#include "engine/JobFiles.h"
#include "engine/Work.h"
#include "engine/WorkSfx.h"
#include "platform/TerminationSignals.h"

#include "tests/support/RecordingHost.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestSupport.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace mv::test {
namespace {

namespace fs = std::filesystem;
using engine::TAnswer;
using engine::TJobOptions;
using engine::TJobOutcome;
using engine::TJobResult;
using Bytes = std::vector<uint8_t>;

using TEncryptJob = TJobResult (*)(engine::TJobHost&, const TJobOptions&, const fs::path&,
                                   const fs::path&);
struct TWriterCase
{
    const char* Name;
    TEncryptJob Job;
};
const TWriterCase Writers[] = {{"plain", engine::EncryptFile},
                               {"compressed", engine::EncryptCompressedFile}};

// The names in dir that a user would see (hidden ones start with a dot).
std::vector<std::string> VisibleNames(const TTempDir& dir)
{
    std::vector<std::string> names;
    for (const std::string& name : dir.Names())
        if (name[0] != '.')
            names.push_back(name);
    return names;
}

bool TemporaryFilesWork(const fs::path& directory)
{
    const int handle = ::open(directory.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (handle < 0)
        return false;
    ::close(handle);
    return true;
}

class JobSafetyTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        input = dir / "notes.txt";
        plain = PseudoRandomBytes(3 * 32767 + 5, 21);
        WriteBytes(input, plain);
        options.IncludePass = true;
        options.IncludeCRC = true;
    }

    fs::path Encrypt(const fs::path& container)
    {
        TRecordingHost quiet;
        const TJobResult result = engine::EncryptFile(quiet, options, input, container);
        EXPECT_EQ(result.Outcome, TJobOutcome::Finished) << quiet.AllMessages();
        return container;
    }

    TTempDir dir;
    fs::path input;
    Bytes plain;
    TJobOptions options;
    TRecordingHost host;
};

// ---- The output's name -------------------------------------------------------------------------

TEST_F(JobSafetyTest, NothingIsVisibleWhileAJobRuns)
{
    for (const TWriterCase& writer : Writers) {
        SCOPED_TRACE(writer.Name);
        std::vector<std::vector<std::string>> seen;
        host.OnProcessMessages = [&] { seen.push_back(VisibleNames(dir)); };
        const fs::path output = dir / "out.mvx";
        ASSERT_EQ(writer.Job(host, options, input, output).Outcome, TJobOutcome::Finished);
        ASSERT_FALSE(seen.empty());
        for (const auto& names : seen)
            EXPECT_EQ(names, std::vector<std::string>{"notes.txt"});
        fs::remove(output);
    }
}

TEST_F(JobSafetyTest, AFileThatAppearsAtTheOutputNameIsNeverReplaced)
{
    options.EncWipeInput = true;
    const Bytes theirs = {'m', 'i', 'n', 'e'};
    for (const TWriterCase& writer : Writers) {
        SCOPED_TRACE(writer.Name);
        const fs::path output = dir / "out.mvx";
        host = {};
        // Another job (or the user) creates the name after the question was not needed.
        host.OnProcessMessages = [&] {
            if (host.StopEnabled && !fs::exists(output))
                WriteBytes(output, theirs);
        };
        const TJobResult result = writer.Job(host, options, input, output);
        EXPECT_EQ(result.Outcome, TJobOutcome::OutputTaken);
        EXPECT_EQ(ReadBytes(output), theirs);
        EXPECT_EQ(ReadBytes(input), plain) << "the input is not wiped";
        ASSERT_FALSE(host.Messages.empty());
        const std::string& message = host.Messages.back().Text;
        EXPECT_NE(message.find(output.string()), std::string::npos) << message;
        EXPECT_NE(message.find(input.string()), std::string::npos) << message;
        EXPECT_EQ(host.JobLines.back(), "Encryption FAILED >> " + input.string());
        EXPECT_EQ(dir.Names(), (std::vector<std::string>{"notes.txt", "out.mvx"}));
        fs::remove(output);
    }
}

TEST_F(JobSafetyTest, AConfirmedOverwriteReplacesOnlyTheConfirmedFile)
{
    const fs::path output = dir / "out.mvx";
    const Bytes old = {'o', 'l', 'd'};
    const Bytes swapped = {'n', 'e', 'w'};

    // The confirmed file is replaced.
    WriteBytes(output, old);
    host.Answers = {TAnswer::Yes};
    ASSERT_EQ(engine::EncryptFile(host, options, input, output).Outcome, TJobOutcome::Finished);
    EXPECT_EQ(fs::file_size(output), engine::HeaderSize + plain.size());

    // Another file put in its place during the job is not.
    WriteBytes(output, old);
    host = {};
    host.Answers = {TAnswer::Yes};
    bool done = false;
    host.OnProcessMessages = [&] {
        if (done || !host.StopEnabled)
            return;
        done = true;
        WriteBytes(dir / "other", swapped);
        fs::rename(dir / "other", output);
    };
    options.EncWipeInput = true;
    EXPECT_EQ(engine::EncryptFile(host, options, input, output).Outcome, TJobOutcome::OutputTaken);
    EXPECT_EQ(ReadBytes(output), swapped);
    EXPECT_EQ(ReadBytes(input), plain);
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"notes.txt", "out.mvx"}));
}

TEST_F(JobSafetyTest, TwoJobsOntoOneNameLeaveOneOutputAndBothInputs)
{
    const fs::path second = dir / "second.txt";
    const Bytes secondPlain = PseudoRandomBytes(70000, 22);
    WriteBytes(second, secondPlain);
    options.EncWipeInput = true;
    const fs::path output = dir / "same.mvx";
    // The second job runs to its end inside the first one's loop.
    TJobResult inner;
    bool started = false;
    host.OnProcessMessages = [&] {
        if (started || !host.StopEnabled)
            return;
        started = true;
        TRecordingHost other;
        inner = engine::EncryptFile(other, options, second, output);
    };
    const TJobResult outer = engine::EncryptFile(host, options, input, output);
    EXPECT_EQ(inner.Outcome, TJobOutcome::Finished);
    EXPECT_EQ(outer.Outcome, TJobOutcome::OutputTaken);
    EXPECT_FALSE(fs::exists(second)) << "the job that got the name wiped its input";
    EXPECT_EQ(ReadBytes(input), plain) << "the one that did not kept its input";
    EXPECT_EQ(fs::file_size(output), engine::HeaderSize + secondPlain.size());
}

TEST_F(JobSafetyTest, DevicesAndFifosAreWrittenThroughAndStay)
{
    // A symlink the user names, leading to /dev/null: the device stays a device.
    fs::create_symlink("/dev/null", dir / "null");
    ASSERT_EQ(engine::EncryptFile(host, options, input, dir / "null").Outcome,
              TJobOutcome::Finished)
        << host.AllMessages();
    EXPECT_TRUE(fs::is_symlink(dir / "null"));
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    EXPECT_TRUE(host.Questions.empty()) << "writing to a device replaces nothing: no question";

    // A FIFO gets the whole container, in order, and is still a FIFO afterwards.
    for (const TWriterCase& writer : Writers) {
        SCOPED_TRACE(writer.Name);
        const fs::path fifo = dir / "pipe";
        ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
        Bytes received;
        std::thread reader([&] {
            std::ifstream in(fifo, std::ios::binary);
            received.assign(std::istreambuf_iterator<char>(in), {});
        });
        host = {};
        const TJobResult result = writer.Job(host, options, input, fifo);
        reader.join();
        ASSERT_EQ(result.Outcome, TJobOutcome::Finished) << host.AllMessages();
        EXPECT_TRUE(fs::is_fifo(fifo));
        // What came through the FIFO is a container that restores the input.
        const fs::path copy = dir / "copy.mvx";
        WriteBytes(copy, received);
        fs::remove(input);
        TRecordingHost back;
        ASSERT_EQ(engine::DecryptFile(back, options, copy, dir.Path()).Outcome,
                  TJobOutcome::Finished)
            << back.AllMessages();
        EXPECT_EQ(ReadBytes(input), plain);
        fs::remove(copy);
        fs::remove(fifo);
    }
}

// ---- Inputs ------------------------------------------------------------------------------------

TEST_F(JobSafetyTest, AFifoOrDeviceInputIsRefusedAtOnce)
{
    const fs::path fifo = dir / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const fs::path& source : {fifo, fs::path("/dev/zero")}) {
        SCOPED_TRACE(source);
        host = {};
        // Without a writer on the FIFO, a blocking open would never return.
        EXPECT_EQ(engine::EncryptFile(host, options, source, dir / "out.mvx").Outcome,
                  TJobOutcome::InputUnopenable);
        EXPECT_NE(host.AllMessages().find("not a regular file"), std::string::npos)
            << host.AllMessages();
        host = {};
        EXPECT_EQ(engine::DecryptFile(host, options, source, dir.Path()).Outcome,
                  TJobOutcome::InputUnopenable);
    }
    // Nor may a FIFO put in place of the self-decrypting module hold the job.
    ASSERT_EQ(::mkfifo((dir / engine::SfxModuleName).c_str(), 0600), 0);
    host = {};
    EXPECT_EQ(
        engine::EncryptToSelfExtractor(host, options, input, dir / "out.exe", dir.Path()).Outcome,
        TJobOutcome::Unsupported);
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"extractor.dat", "notes.txt", "pipe"}));
}

TEST_F(JobSafetyTest, AnInputThatChangesWhileReadIsNeitherKeptNorWiped)
{
    options.EncWipeInput = true;
    // Longer than the runs read ahead of the job: the change comes while the file is being read.
    plain = PseudoRandomBytes(4 << 20, 25);
    struct TChange
    {
        const char* Name;
        std::function<void(const fs::path&)> Apply;
    };
    const TChange changes[] = {
        {"appended",
         [](const fs::path& path) {
             std::ofstream(path, std::ios::binary | std::ios::app) << "more";
         }},
        {"rewritten in place",
         [](const fs::path& path) {
             std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
             file.seekp(10);
             file << "X";
         }},
        {"cut short", [](const fs::path& path) { fs::resize_file(path, 1000); }},
    };
    for (const TWriterCase& writer : Writers) {
        for (const TChange& change : changes) {
            SCOPED_TRACE(std::string(writer.Name) + ", " + change.Name);
            WriteBytes(input, plain);
            host = {};
            bool done = false;
            host.OnProcessMessages = [&] {
                if (!done && host.StopEnabled) {
                    done = true;
                    // Modification times have a coarse tick on some file systems.
                    std::this_thread::sleep_for(std::chrono::milliseconds(10));
                    change.Apply(input);
                }
            };
            const TJobResult result = writer.Job(host, options, input, dir / "out.mvx");
            EXPECT_EQ(result.Outcome, TJobOutcome::InputChanged);
            EXPECT_NE(host.AllMessages().find("changed while it was being encrypted"),
                      std::string::npos);
            EXPECT_TRUE(fs::exists(input)) << "not wiped";
            EXPECT_EQ(VisibleNames(dir), std::vector<std::string>{"notes.txt"});
        }
    }
}

TEST_F(JobSafetyTest, AFileOfProcIsNotTakenForEmpty)
{
    // Its size says 0, its reads say otherwise: no empty container stands for it.
    EXPECT_EQ(engine::EncryptFile(host, options, "/proc/self/status", dir / "out.mvx").Outcome,
              TJobOutcome::InputChanged);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"notes.txt"});
}

TEST_F(JobSafetyTest, TheWipeAfterAJobTouchesOnlyTheFileThatWasRead)
{
    options.EncWipeInput = true;
    const Bytes replacement = {'n', 'e', 'w', 'e', 'r'};
    bool done = false;
    // The input is moved away and another file put under its name while the job runs: the
    // container holds the old content, so the new file must survive.
    host.OnProcessMessages = [&] {
        if (done || !host.StopEnabled)
            return;
        done = true;
        fs::rename(input, dir / "moved.txt");
        WriteBytes(input, replacement);
    };
    const TJobResult result = engine::EncryptFile(host, options, input, dir / "out.mvx");
    EXPECT_EQ(result.Outcome, TJobOutcome::Finished);
    EXPECT_TRUE(result.WipeFailed);
    EXPECT_NE(result.Detail.find("no longer the file that was read"), std::string::npos)
        << result.Detail;
    EXPECT_EQ(ReadBytes(input), replacement);
    EXPECT_EQ(ReadBytes(dir / "moved.txt"), plain);
}

// ---- Wiping ------------------------------------------------------------------------------------

TEST_F(JobSafetyTest, AHardLinkedFileIsNotWiped)
{
    fs::create_hard_link(input, dir / "other-name.txt");
    std::string error;
    EXPECT_FALSE(engine::WipeFile(host, input, false, &error));
    EXPECT_NE(error.find("hard links"), std::string::npos) << error;
    EXPECT_EQ(ReadBytes(input), plain);
    EXPECT_EQ(ReadBytes(dir / "other-name.txt"), plain);
    EXPECT_FALSE(host.MainWindowEnabled == false) << "the waiting window was closed";
}

TEST_F(JobSafetyTest, ASparseFileIsWipedWithoutNewBlocks)
{
    const fs::path sparse = dir / "sparse.bin";
    const int64_t size = 256 * 1024 * 1024;
    {
        const int handle = ::open(sparse.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
        ASSERT_GE(handle, 0);
        const Bytes data = PseudoRandomBytes(100000, 23);
        ASSERT_EQ(::pwrite(handle, data.data(), data.size(), 0), 100000);
        ASSERT_EQ(::pwrite(handle, data.data(), data.size(), 128 * 1024 * 1024), 100000);
        ASSERT_EQ(::ftruncate(handle, size), 0);
        ::close(handle);
    }
    struct stat before
    {
    };
    ASSERT_EQ(::stat(sparse.c_str(), &before), 0);
    if (before.st_blocks * 512 >= size / 2)
        GTEST_SKIP() << "this file system does not keep holes";

    platform::TFileStream file(sparse, platform::TFileMode::OpenReadWrite);
    ASSERT_TRUE(engine::WipeOpenFile(host, file, true));
    struct stat after
    {
    };
    ASSERT_EQ(::fstat(file.Handle(), &after), 0);
    EXPECT_LE(after.st_blocks, before.st_blocks) << "the holes were filled";
    EXPECT_EQ(after.st_size, size);
    // The data is overwritten with the last pattern.
    Bytes check(100000);
    ASSERT_EQ(::pread(file.Handle(), check.data(), check.size(), 128 * 1024 * 1024), 100000);
    EXPECT_EQ(check, Bytes(100000, 0x2A));
}

// ---- CRC-32 ------------------------------------------------------------------------------------

TEST_F(JobSafetyTest, ACrcMismatchNeverReplacesAnExistingFile)
{
    const fs::path container = Encrypt(dir / "notes.mvx");
    // The stored CRC-32 is plain, at offset 0: change it.
    {
        std::fstream file(container, std::ios::binary | std::ios::in | std::ios::out);
        file.seekp(0);
        file.put('\x55');
    }
    const Bytes good = {'g', 'o', 'o', 'd'};
    WriteBytes(input, good);
    host.Answers = {TAnswer::Yes};
    options.DecWipeInput = true;
    const TJobResult result = engine::DecryptFile(host, options, container, dir.Path());
    EXPECT_EQ(result.Outcome, TJobOutcome::CrcMismatch);
    EXPECT_EQ(ReadBytes(input), good) << "the existing file stays";
    const fs::path kept = dir / "notes.txt.crc-mismatch";
    EXPECT_EQ(result.OutputPath, kept);
    EXPECT_EQ(ReadBytes(kept), plain);
    const std::string message = host.Messages.back().Text;
    EXPECT_EQ(message.rfind("Invalid CRC32 for output file !", 0), 0u);
    EXPECT_NE(message.find(kept.string()), std::string::npos) << message;
    EXPECT_NE(message.find(input.string()), std::string::npos) << message;
    EXPECT_TRUE(fs::exists(container)) << "no wipe after a mismatch";

    // With the name free, the mismatched output keeps it, as before.
    fs::remove(input);
    fs::remove(kept);
    host = {};
    EXPECT_EQ(engine::DecryptFile(host, options, container, dir.Path()).Outcome,
              TJobOutcome::CrcMismatch);
    EXPECT_EQ(ReadBytes(input), plain);
    EXPECT_FALSE(fs::exists(kept));
}

// ---- Decryption on the machine's cores ----------------------------------------------------------

TEST_F(JobSafetyTest, DecryptionOnTheCoresRestoresEveryCipherAndModeAcrossItsGroups)
{
    // Several groups of four steps and a last, short one: every cut between the threads and
    // between the groups must give the serial bytes back.
    plain = PseudoRandomBytes(2 * 4 * 32767 + 3 * 8192 + 77, 25);
    WriteBytes(input, plain);
    for (uint8_t algorithm = 0; algorithm < 6; ++algorithm) {
        for (uint8_t mode = 0; mode < 4; ++mode) {
            SCOPED_TRACE(std::to_string(algorithm) + "/" + std::to_string(mode));
            options.AlgorithmIndex = algorithm;
            options.CipherModeIndex = mode;
            TTempDir out;
            const fs::path container = Encrypt(out / "c.mvx");
            TRecordingHost back;
            ASSERT_EQ(engine::DecryptFile(back, options, container, out.Path()).Outcome,
                      TJobOutcome::Finished)
                << back.AllMessages();
            EXPECT_EQ(ReadBytes(out / "notes.txt"), plain);
        }
    }
}

// ---- Signals -----------------------------------------------------------------------------------

// Runs a decryption in a child process and sends it signal once its step loop runs; the child
// ends as the signal ends it.
int DecryptAndSignal(const fs::path& container, const fs::path& outputDirectory, int signal)
{
    int ready[2];
    if (::pipe(ready) != 0)
        return -1;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(ready[0]);
        platform::InstallTerminationHandlers();
        TRecordingHost childHost;
        bool told = false;
        childHost.OnProcessMessages = [&] {
            if (!told) {
                told = true;
                const char byte = 1;
                (void)!::write(ready[1], &byte, 1);
            }
        };
        TJobOptions childOptions;
        engine::DecryptFile(childHost, childOptions, container, outputDirectory);
        if (const int caught = platform::TerminationSignal())
            platform::EndBySignal(caught);
        ::_exit(0);
    }
    ::close(ready[1]);
    char byte = 0;
    const bool started = ::read(ready[0], &byte, 1) == 1;
    ::close(ready[0]);
    if (started)
        ::kill(child, signal);
    int status = 0;
    ::waitpid(child, &status, 0);
    return started && WIFSIGNALED(status) ? WTERMSIG(status) : -1;
}

TEST_F(JobSafetyTest, ASignalMidDecryptionLeavesTheDirectoryAsItWas)
{
    // A slow cipher and mode on a few MiB, so the signal comes while the loop runs.
    options.AlgorithmIndex = 2;  // RC2
    options.CipherModeIndex = 1; // 8-bit CFB
    plain = PseudoRandomBytes(6 * 1024 * 1024, 24);
    WriteBytes(input, plain);
    TTempDir in;
    const fs::path container = Encrypt(in / "notes.mvx");
    const bool unnamedOutputs = TemporaryFilesWork(dir.Path());
    fs::remove(input);

    for (const int signal : {SIGHUP, SIGPIPE, SIGINT, SIGKILL}) {
        SCOPED_TRACE(signal);
        EXPECT_EQ(DecryptAndSignal(container, dir.Path(), signal), signal);
        if (signal == SIGKILL && !unnamedOutputs)
            continue; // a hidden temporary name cannot outlive nothing
        EXPECT_TRUE(dir.Names().empty()) << ::testing::PrintToString(dir.Names());
    }
}

} // namespace
} // namespace mv::test
