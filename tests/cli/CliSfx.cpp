// morvane-cli encrypt --sfx: the self-decrypting jobs from the terminal, their default output
// name, and the file they write restoring itself with the module beside the program.
#include "cli/CliArguments.h"
#include "tests/cli/CliRunner.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace mv::test {
namespace {

namespace fs = std::filesystem;

// Runs words[0] (not morvane-cli) in cwd without a terminal; stdout and stderr both in out.
TRunResult RunProgram(std::vector<std::string> words, const fs::path& cwd)
{
    TProcessOptions options;
    options.mergeErr = true;
    return RunProcess(std::move(words), cwd, options);
}

class CliSfx : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fs::create_directory(dir / "run");
        WriteFile(dir / "pw", "sfx password\n");
        const std::vector<uint8_t> bytes = PseudoRandomBytes(70000, 11);
        plain.assign(bytes.begin(), bytes.end());
        for (size_t at = 0; at + 512 <= plain.size(); at += 1024)
            std::fill(plain.begin() + at, plain.begin() + at + 512, 'z');
        WriteFile(dir / "report.txt", plain);
    }

    TRunResult Restore(const std::string& exe, std::vector<std::string> args = {})
    {
        args.insert(args.begin(), {exe, "--password-file", dir / "pw"});
        return RunProgram(args, dir / "run");
    }

    TTempDir dir;
    std::string plain;
};

TEST_F(CliSfx, ParsesOnlyForEncrypt)
{
    cli::TCliArguments a;
    const char* encrypt[] = {"morvane-cli", "encrypt", "--sfx", "--compress", "x"};
    ASSERT_EQ(cli::ParseArguments(5, encrypt, a).outcome, cli::TParseOutcome::Run);
    EXPECT_TRUE(a.selfExtract && a.compress);
    cli::TCliArguments b;
    const char* decrypt[] = {"morvane-cli", "decrypt", "--sfx", "c"};
    EXPECT_EQ(cli::ParseArguments(4, decrypt, b).outcome, cli::TParseOutcome::Error);
    EXPECT_NE(cli::HelpText(cli::TCommand::Encrypt).find("  --sfx "), std::string::npos);
}

TEST_F(CliSfx, WritesAnExecutableNamedExeThatRestoresItself)
{
    for (const bool compress : {false, true}) {
        std::vector<std::string> args = {"encrypt",  "-a",        "aes",   "-m",
                                         "ofb",      "--crc",     "--sfx", "--password-file",
                                         dir / "pw", "report.txt"};
        if (compress)
            args.insert(args.begin() + 1, "--compress");
        fs::remove(dir / "report.exe");
        const TRunResult built = RunCli(args, dir.Path().string());
        ASSERT_EQ(built.status, 0) << built.err;
        EXPECT_EQ(built.out, "Encryption OK >> report.txt\n");
        struct stat st
        {
        };
        ASSERT_EQ(stat((dir / "report.exe").c_str(), &st), 0);
        EXPECT_NE(st.st_mode & S_IXUSR, 0u);

        // Beside the module's bytes and before the trailer lies a container of the kind asked.
        const TRunResult info = RunCli({"info", dir / "report.exe"}, dir.Path().string());
        EXPECT_EQ(info.status, 0) << info.err;
        EXPECT_EQ(info.out.rfind("self-decrypting: yes", 0), 0u) << info.out;
        EXPECT_NE(info.out.find(compress ? "compressed:      yes" : "compressed:      no"),
                  std::string::npos)
            << info.out;
        fs::remove(dir / "run/report.txt");
        const TRunResult restored = Restore(dir / "report.exe");
        ASSERT_EQ(restored.status, 0) << restored.out;
        EXPECT_EQ(ReadFile(dir / "run/report.txt"), plain);
        const std::string exe = dir / "report.exe";
        const TRunResult shown = Restore(exe, {"--info"});
        EXPECT_NE(shown.out.find(compress ? "compressed:      yes" : "compressed:      no"),
                  std::string::npos)
            << shown.out;
    }
}

// A user can check and open their own self-decrypting file with the program that wrote it.
TEST_F(CliSfx, DecryptRestoresASelfDecryptingFile)
{
    for (const bool compress : {false, true}) {
        SCOPED_TRACE(compress ? "compressed" : "plain");
        std::vector<std::string> args = {"encrypt",  "-f",        "--sfx",
                                         "--check",  "--crc",     "--password-file",
                                         dir / "pw", "report.txt"};
        if (compress)
            args.insert(args.begin() + 1, "--compress");
        ASSERT_EQ(RunCli(args, dir.Path()).status, 0);
        fs::remove(dir / "run/report.txt");
        const TRunResult d = RunCli(
            {"decrypt", "-d", "run", "--password-file", dir / "pw", "report.exe"}, dir.Path());
        ASSERT_EQ(d.status, 0) << d.err;
        EXPECT_EQ(d.out, "Decryption OK >> report.exe\n");
        EXPECT_EQ(ReadFile(dir / "run/report.txt"), plain);
    }
    // A wrong password is told as for any container, and nothing is restored.
    WriteFile(dir / "wrong", "not it\n");
    fs::remove(dir / "run/report.txt");
    const TRunResult w = RunCli(
        {"decrypt", "-d", "run", "--password-file", dir / "wrong", "report.exe"}, dir.Path());
    EXPECT_EQ(w.status, 4) << w.err;
    EXPECT_FALSE(Exists(dir / "run/report.txt"));
    // With --wipe the self-decrypting file goes once its file is restored.
    const TRunResult wiped =
        RunCli({"decrypt", "-d", "run", "--wipe", "--password-file", dir / "pw", "report.exe"},
               dir.Path());
    EXPECT_EQ(wiped.status, 0) << wiped.err;
    EXPECT_EQ(ReadFile(dir / "run/report.txt"), plain);
    EXPECT_FALSE(Exists(dir / "report.exe"));
}

// A cut self-decrypting file: its trailer leads nowhere, so it holds no container.
TEST_F(CliSfx, ACutSelfDecryptingFileIsNoContainer)
{
    ASSERT_EQ(RunCli({"encrypt", "--sfx", "--password-file", dir / "pw", "report.txt"}, dir.Path())
                  .status,
              0);
    std::string bytes = ReadFile(dir / "report.exe");
    const std::string trailer = bytes.substr(bytes.size() - 16);
    WriteFile(dir / "cut.exe", bytes.substr(0, bytes.size() - 1000) + trailer);
    const TRunResult info = RunCli({"info", "cut.exe"}, dir.Path());
    EXPECT_EQ(info.status, 3) << info.out;
    EXPECT_NE(info.err.find("cut.exe: Invalid input file type !"), std::string::npos) << info.err;
    const TRunResult d =
        RunCli({"decrypt", "-d", "run", "--password-file", dir / "pw", "cut.exe"}, dir.Path());
    EXPECT_EQ(d.status, 3) << d.err;
    EXPECT_FALSE(Exists(dir / "run/report.txt"));
}

// The mended fault, from the terminal: without the module beside the program nothing is asked
// and an existing file of the output's name is left as it was.
TEST_F(CliSfx, WithoutTheModuleAnExistingOutputIsKept)
{
    const fs::path program = dir.Path() / "bare" / "morvane-cli";
    fs::create_directory(program.parent_path());
    fs::copy_file(MORVANE_CLI_PROGRAM, program);
    WriteFile(dir / "report.exe", "keep");
    const TRunResult run = RunProgram(
        {program.string(), "encrypt", "--sfx", "-f", "--password-file", dir / "pw", "report.txt"},
        dir.Path().string());
    EXPECT_EQ(run.status, 1);
    const std::string& err = run.out;
    EXPECT_NE(err.find("Unable to find SFX module. Please reinstall Morvane!"), std::string::npos)
        << err;
    EXPECT_EQ(ReadFile(dir / "report.exe"), "keep");
}

} // namespace
} // namespace mv::test
