// morvane-cli on a terminal: the no-echo password asked twice, the mismatch, the overwrite
// question and the progress line, driven through a pseudo-terminal; and Ctrl-C as the Stop
// button, through the terminal host and the real job.
#include "cli/Password.h"
#include "cli/Terminal.h"
#include "cli/TerminalHost.h"
#include "engine/Work.h"
#include "tests/cli/CliRunner.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <set>
#include <vector>

namespace mv::test {
namespace {

namespace fs = std::filesystem;

class CliTerminal : public ::testing::Test
{
protected:
    void SetUp() override
    {
        WriteFile(dir / "pw", "typed secret\n");
        std::vector<uint8_t> bytes = PseudoRandomBytes(100000, 42);
        plain.assign(bytes.begin(), bytes.end());
        WriteFile(dir / "plain.bin", plain);
    }

    TTempDir dir;
    std::string plain;
};

TEST_F(CliTerminal, EncryptAsksTwiceWithoutEcho)
{
    TPtySession session({"encrypt", "--check", "plain.bin"}, dir / "");
    ASSERT_TRUE(session.Expect("Password : ")) << session.Seen();
    EXPECT_TRUE(session.EchoOff());
    session.Type("typed secret\n");
    ASSERT_TRUE(session.Expect("Please reenter your password : ")) << session.Seen();
    EXPECT_TRUE(session.EchoOff());
    session.Type("typed secret\n");
    ASSERT_TRUE(session.Expect("Encryption OK >> plain.bin")) << session.Seen();
    EXPECT_EQ(session.Finish(), 0) << session.Seen();
    EXPECT_EQ(session.Seen().find("typed secret"), std::string::npos) << session.Seen();

    // The typed password is the one in the file: the container opens with it.
    fs::create_directory(dir / "out");
    TRunResult d = RunCli({"decrypt", "-d", "out", "--password-file", "pw", "plain.mvx"}, dir / "");
    EXPECT_EQ(d.status, 0) << d.err;
    EXPECT_EQ(ReadFile(dir / "out/plain.bin"), plain);
}

// A mismatched retype asks both again, up to three times; the third mismatch starts no job.
TEST_F(CliTerminal, MismatchedRetypeAsksAgainThreeTimes)
{
    {
        TPtySession session({"encrypt", "plain.bin"}, dir.Path());
        for (int attempt = 1; attempt <= 3; ++attempt) {
            SCOPED_TRACE(attempt);
            ASSERT_TRUE(session.Expect("Password : ")) << session.Seen();
            session.Type("one\n");
            ASSERT_TRUE(session.Expect("Please reenter your password : ")) << session.Seen();
            session.Type("two\n");
            ASSERT_TRUE(session.Expect("Password retyped incorectly !")) << session.Seen();
        }
        EXPECT_EQ(session.Finish(), 1) << session.Seen();
        EXPECT_EQ(session.Seen().find("Encryption"), std::string::npos) << session.Seen();
        EXPECT_FALSE(Exists(dir / "plain.mvx"));
    }
    {
        // A slip, then the same password twice: the container opens with it.
        TPtySession session({"encrypt", "--check", "plain.bin"}, dir.Path());
        ASSERT_TRUE(session.Expect("Password : "));
        session.Type("first try\n");
        ASSERT_TRUE(session.Expect("Please reenter your password : "));
        session.Type("first tyr\n");
        ASSERT_TRUE(session.Expect("Please type it again (2 of 3)")) << session.Seen();
        ASSERT_TRUE(session.Expect("Password : "));
        session.Type("typed secret\n");
        ASSERT_TRUE(session.Expect("Please reenter your password : "));
        session.Type("typed secret\n");
        EXPECT_EQ(session.Finish(), 0) << session.Seen();
        fs::create_directory(dir / "out");
        const TRunResult d =
            RunCli({"decrypt", "-d", "out", "--password-file", "pw", "plain.mvx"}, dir.Path());
        EXPECT_EQ(d.status, 0) << d.err;
        EXPECT_EQ(ReadFile(dir / "out/plain.bin"), plain);
    }
}

// A terminal in line mode passes at most 4095 bytes of a line: a password that long may have been
// cut, and is refused instead of locking the file away.
TEST_F(CliTerminal, OverlongTypedPasswordIsRefused)
{
    TPtySession session({"encrypt", "plain.bin"}, dir.Path());
    ASSERT_TRUE(session.Expect("Password : "));
    session.Type(std::string(5000, 'x') + "\n");
    ASSERT_TRUE(session.Expect("The password is too long for a terminal")) << session.Seen();
    EXPECT_EQ(session.Finish(), 1) << session.Seen();
    EXPECT_FALSE(Exists(dir / "plain.mvx"));

    // Just under the limit is a password like any other.
    const std::string longest(cli::MaxTypedPassword, 'y');
    WriteFile(dir / "long", longest + "\n");
    TPtySession accepted({"encrypt", "--check", "plain.bin"}, dir.Path());
    ASSERT_TRUE(accepted.Expect("Password : "));
    accepted.Type(longest + "\n");
    ASSERT_TRUE(accepted.Expect("Please reenter your password : ")) << accepted.Seen();
    accepted.Type(longest + "\n");
    EXPECT_EQ(accepted.Finish(), 0) << accepted.Seen();
    fs::create_directory(dir / "out");
    EXPECT_EQ(
        RunCli({"decrypt", "-d", "out", "--password-file", "long", "plain.mvx"}, dir.Path()).status,
        0);
}

TEST_F(CliTerminal, DecryptAsksOnceAndOnlyForAContainer)
{
    ASSERT_EQ(RunCli({"encrypt", "--crc", "--password-file", "pw", "plain.bin"}, dir / "").status,
              0);
    fs::create_directory(dir / "out");
    {
        TPtySession session({"decrypt", "-d", "out", "plain.mvx"}, dir / "");
        ASSERT_TRUE(session.Expect("Password : "));
        EXPECT_TRUE(session.EchoOff());
        session.Type("typed secret\n");
        ASSERT_TRUE(session.Expect("Decryption OK >> plain.mvx")) << session.Seen();
        EXPECT_EQ(session.Finish(), 0) << session.Seen();
        EXPECT_EQ(ReadFile(dir / "out/plain.bin"), plain);
    }
    {
        // Not a container: refused before any password is asked.
        TPtySession session({"decrypt", "-d", "out", "pw"}, dir / "");
        EXPECT_EQ(session.Finish(), 3) << session.Seen();
        EXPECT_EQ(session.Seen().find("Password"), std::string::npos) << session.Seen();
        EXPECT_NE(session.Seen().find("Invalid input file type !"), std::string::npos);
    }
}

// Standard input carries data, never the password: with stdin redirected the questions and the
// password come from the controlling terminal, as for gpg or ssh.
TEST_F(CliTerminal, PasswordFromTheTerminalWhateverStandardInputIs)
{
    WriteFile(dir / "stdin.txt", "not the password\ny\n");
    WriteFile(dir / "plain.mvx", "existing");
    TPtyProcess session(
        {"/bin/sh", "-c",
         std::string("exec '") + MORVANE_CLI_PROGRAM + "' encrypt --check plain.bin < stdin.txt"},
        dir.Path());
    ASSERT_TRUE(session.Expect("plain.mvx: Output file already exists - Overwrite? [y/n/c] "))
        << session.Seen();
    session.Type("y\n");
    ASSERT_TRUE(session.Expect("Password : ")) << session.Seen();
    EXPECT_TRUE(session.EchoOff());
    session.Type("typed secret\n");
    ASSERT_TRUE(session.Expect("Please reenter your password : ")) << session.Seen();
    session.Type("typed secret\n");
    EXPECT_EQ(session.Finish(), 0) << session.Seen();
    fs::create_directory(dir / "out");
    const TRunResult d =
        RunCli({"decrypt", "-d", "out", "--password-file", "pw", "plain.mvx"}, dir.Path());
    EXPECT_EQ(d.status, 0) << d.err;
    EXPECT_EQ(ReadFile(dir / "out/plain.bin"), plain);
}

// A prompt left without a password (end of input, Ctrl-C) ends the job with nothing written, and
// without the misleading "Invalid password !" of a check made with no password; Ctrl-C ends the
// program as the signal does (130 in a shell).
TEST_F(CliTerminal, AbandonedPasswordPromptLeavesNothing)
{
    ASSERT_EQ(
        RunCli({"encrypt", "--check", "--password-file", "pw", "-o", "checked.mvx", "plain.bin"},
               dir / "")
            .status,
        0);
    ASSERT_EQ(RunCli({"encrypt", "--password-file", "pw", "-o", "bare.mvx", "plain.bin"}, dir / "")
                  .status,
              0);
    fs::create_directory(dir / "out");
    for (const char* container : {"checked.mvx", "bare.mvx"}) {
        for (const char* keys : {"\x04", "\x03"}) {
            SCOPED_TRACE(std::string(container) + (keys[0] == 4 ? " end of input" : " Ctrl-C"));
            TPtySession session({"decrypt", "-d", "out", container}, dir / "");
            ASSERT_TRUE(session.Expect("Password : "));
            session.Type(keys);
            EXPECT_EQ(session.Finish(), keys[0] == 4 ? 1 : 128 + SIGINT) << session.Seen();
            EXPECT_EQ(session.Seen().find("Invalid password !"), std::string::npos)
                << session.Seen();
            EXPECT_EQ(fs::directory_iterator(dir / "out"), fs::directory_iterator());
        }
    }
}

TEST_F(CliTerminal, OverwriteQuestion)
{
    WriteFile(dir / "plain.mvx", "existing");
    {
        TPtySession session({"encrypt", "--password-file", "pw", "plain.bin"}, dir / "");
        ASSERT_TRUE(session.Expect("Output file already exists - Overwrite? [y/n/c] "))
            << session.Seen();
        session.Type("n\n");
        EXPECT_EQ(session.Finish(), 1) << session.Seen();
        EXPECT_EQ(ReadFile(dir / "plain.mvx"), "existing");
    }
    {
        TPtySession session({"encrypt", "--password-file", "pw", "plain.bin"}, dir / "");
        ASSERT_TRUE(session.Expect("Overwrite? [y/n/c] "));
        session.Type("y\n");
        EXPECT_EQ(session.Finish(), 0) << session.Seen();
        EXPECT_EQ(ReadFile(dir / "plain.mvx").size(), 296 + plain.size());
    }
}

TEST_F(CliTerminal, ProgressLineOnATerminalOnly)
{
    TPtySession session({"encrypt", "--password-file", "pw", "plain.bin"}, dir / "");
    EXPECT_EQ(session.Finish(), 0) << session.Seen();
    EXPECT_NE(session.Seen().find(" %  elapsed "), std::string::npos) << session.Seen();
    EXPECT_NE(session.Seen().find("Encryption OK >> plain.bin"), std::string::npos);

    TPtySession quiet({"encrypt", "-q", "-f", "--password-file", "pw", "plain.bin"}, dir / "");
    EXPECT_EQ(quiet.Finish(), 0) << quiet.Seen();
    EXPECT_EQ(quiet.Seen(), "");
}

TEST_F(CliTerminal, CtrlCAtTheQuestionChangesNothing)
{
    WriteFile(dir / "plain.mvx", "existing");
    TPtySession session({"encrypt", "--password-file", "pw", "plain.bin"}, dir / "");
    ASSERT_TRUE(session.Expect("[y/n/c] "));
    session.Type("\x03");
    EXPECT_EQ(session.Finish(), 128 + SIGINT) << session.Seen();
    EXPECT_EQ(ReadFile(dir / "plain.mvx"), "existing");
}

// The overwrite question names the file and comes before the password: a No costs no typing.
// The password is asked once for every file of the call.
TEST_F(CliTerminal, QuestionsFirstThenThePasswordOnce)
{
    WriteFile(dir / "second.bin", "second");
    WriteFile(dir / "third.bin", "third");
    WriteFile(dir / "second.mvx", "existing second");
    WriteFile(dir / "third.mvx", "existing third");
    TPtySession session({"encrypt", "plain.bin", "second.bin", "third.bin"}, dir.Path());
    ASSERT_TRUE(session.Expect("morvane-cli: second.mvx: Output file already exists - Overwrite? "
                               "[y/n/c] "))
        << session.Seen();
    EXPECT_EQ(session.Seen().find("Password"), std::string::npos) << session.Seen();
    session.Type("n\n");
    ASSERT_TRUE(session.Expect("third.mvx: Output file already exists - Overwrite? [y/n/c] "))
        << session.Seen();
    session.Type("y\n");
    ASSERT_TRUE(session.Expect("Password : ")) << session.Seen();
    session.Type("typed secret\n");
    ASSERT_TRUE(session.Expect("Please reenter your password : "));
    session.Type("typed secret\n");
    ASSERT_TRUE(session.Expect("Encryption OK >> third.bin")) << session.Seen();
    EXPECT_EQ(session.Finish(), 1) << session.Seen(); // second.bin was not encrypted
    const std::string& seen = session.Seen();
    EXPECT_EQ(seen.find("Password : "), seen.rfind("Password : ")) << seen;
    EXPECT_NE(seen.find("Encryption OK >> plain.bin"), std::string::npos) << seen;
    EXPECT_EQ(ReadFile(dir / "second.mvx"), "existing second");
    EXPECT_NE(ReadFile(dir / "third.mvx"), "existing third");

    // Cancel at a question ends the whole call with nothing written.
    fs::remove(dir / "plain.mvx");
    TPtySession cancelled({"encrypt", "plain.bin", "second.bin"}, dir.Path());
    ASSERT_TRUE(cancelled.Expect("second.mvx: Output file already exists"));
    cancelled.Type("c\n");
    EXPECT_EQ(cancelled.Finish(), 1) << cancelled.Seen();
    EXPECT_FALSE(Exists(dir / "plain.mvx"));

    // Decryption asks once too, when the first container needs it.
    fs::create_directory(dir / "out");
    TPtySession restore({"decrypt", "-d", "out", "third.mvx", "second.mvx", "plain.mvx"},
                        dir.Path());
    ASSERT_TRUE(restore.Expect("Password : ")) << restore.Seen();
    restore.Type("typed secret\n");
    EXPECT_EQ(restore.Finish(), 3) << restore.Seen(); // second.mvx is no container
    EXPECT_EQ(restore.Seen().find("Password : "), restore.Seen().rfind("Password : "));
    EXPECT_EQ(ReadFile(dir / "out/third.bin"), "third");
}

// A Yes before the password holds for the file it was given for: a file put at the name while
// the password was typed is asked about again.
TEST_F(CliTerminal, AYesHoldsOnlyForTheFileItWasGivenFor)
{
    WriteFile(dir / "plain.mvx", "the file the user saw");
    TPtySession session({"encrypt", "plain.bin"}, dir.Path());
    ASSERT_TRUE(session.Expect("plain.mvx: Output file already exists - Overwrite? [y/n/c] "));
    session.Type("y\n");
    ASSERT_TRUE(session.Expect("Password : "));
    WriteFile(dir / "swapped", "put there meanwhile");
    fs::rename(dir / "swapped", dir / "plain.mvx");
    session.Type("typed secret\n");
    ASSERT_TRUE(session.Expect("Please reenter your password : "));
    session.Type("typed secret\n");
    ASSERT_TRUE(session.Expect("plain.mvx: Output file already exists - Overwrite? [y/n/c] "))
        << session.Seen();
    session.Type("n\n");
    EXPECT_EQ(session.Finish(), 1) << session.Seen();
    EXPECT_EQ(ReadFile(dir / "plain.mvx"), "put there meanwhile");
}

// A signal during a job ends the program with the signal's own status (a shell shows 130 for
// Ctrl-C, 128 + N for the others) once the job has removed what it wrote: the directory is left
// as it was.
TEST_F(CliTerminal, SignalsDuringAJobEndTheProgramWithTheirStatus)
{
    // GOST in 8-bit CFB: slow enough that the job is still running when the signal comes.
    const std::vector<uint8_t> big = PseudoRandomBytes(8 << 20, 5);
    WriteBytes(dir / "big.bin", big);
    ASSERT_EQ(RunCli({"encrypt", "-a", "gost", "-m", "cfb8", "--password-file", "pw", "-o",
                      "slow.mvx", "big.bin"},
                     dir.Path())
                  .status,
              0);
    fs::create_directory(dir / "out");
    const auto listing = [&] {
        std::set<std::string> names;
        for (const auto& entry : fs::recursive_directory_iterator(dir.Path()))
            names.insert(fs::relative(entry.path(), dir.Path()).string());
        return names;
    };
    const std::set<std::string> before = listing();
    const struct
    {
        std::vector<std::string> args;
        int signal;
        bool typed; // Ctrl-C on the terminal, else kill
    } cases[] = {
        {{"encrypt", "-a", "gost", "-m", "cfb8", "--password-file", "pw", "big.bin"}, SIGINT, true},
        {{"decrypt", "-d", "out", "--password-file", "pw", "slow.mvx"}, SIGINT, true},
        {{"decrypt", "-d", "out", "--password-file", "pw", "slow.mvx"}, SIGTERM, false},
        {{"encrypt", "-a", "gost", "-m", "cfb8", "--password-file", "pw", "big.bin"},
         SIGHUP,
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + std::to_string(c.signal));
        TPtySession session(c.args, dir.Path());
        ASSERT_TRUE(session.Expect(" %  elapsed ")) << session.Seen();
        if (c.typed)
            session.Type("\x03");
        else
            session.Signal(c.signal);
        EXPECT_EQ(session.Finish(), 128 + c.signal) << session.Seen();
        EXPECT_NE(session.Seen().find("STOPPED >> "), std::string::npos) << session.Seen();
        EXPECT_EQ(listing(), before);
    }
    EXPECT_EQ(ReadBytes(dir / "big.bin"), big);
}

// Ctrl-C during a job is the Stop button: the job ends after its step and removes what it wrote.
TEST_F(CliTerminal, InterruptStopsTheJob)
{
    struct
    {
        bool decrypt;
        const char* line;
    } cases[] = {{false, "Encryption STOPPED >> "}, {true, "Decryption STOPPED >> "}};
    ASSERT_EQ(
        RunCli({"encrypt", "--password-file", "pw", "-o", "c.mvx", "plain.bin"}, dir / "").status,
        0);
    fs::create_directory(dir / "out");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        cli::TTerminalHost::TSettings settings;
        settings.quiet = true;
        cli::TTerminalHost host(settings);
        cli::TSecretText password("typed secret");
        host.SetPassword(password);
        cli::InstallInterruptHandler();
        std::raise(SIGINT); // pressed before the step loop: not forgotten when it begins
        EXPECT_TRUE(host.StopRequested());
        engine::TJobOptions options;
        engine::TJobResult result =
            c.decrypt ? engine::DecryptFile(host, options, dir / "c.mvx", dir / "out")
                      : engine::EncryptFile(host, options, dir / "plain.bin", dir / "new.mvx");
        cli::ClearInterrupt();
        EXPECT_EQ(result.Outcome, engine::TJobOutcome::Stopped);
        // Nothing left behind: no output, no temporary file beside it.
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir.Path()))
            names.insert(entry.path().filename().string());
        EXPECT_EQ(names, (std::set<std::string>{"c.mvx", "out", "plain.bin", "pw"}));
        EXPECT_EQ(fs::directory_iterator(dir / "out"), fs::directory_iterator());
    }
    EXPECT_EQ(ReadFile(dir / "plain.bin"), plain);
    std::signal(SIGINT, SIG_DFL);
}

} // namespace
} // namespace mv::test
