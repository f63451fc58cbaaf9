// morvane-cli in a pipeline: "-" as input is standard input, "-o -" standard output, the stored
// name of standard input, the job lines kept out of the data, the options a pipe into a pipe
// cannot carry, and -o naming a restored file.
#include "tests/cli/CliRunner.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace mv::test {
namespace {

namespace fs = std::filesystem;

std::string Sample(size_t size, uint64_t seed)
{
    const std::vector<uint8_t> bytes = PseudoRandomBytes(size, seed);
    return std::string(bytes.begin(), bytes.end());
}

// A shell command line with the program's path for "CLI".
TProcessResult Shell(std::string command, const fs::path& cwd)
{
    for (size_t at; (at = command.find("CLI")) != std::string::npos;)
        command.replace(at, 3, std::string("'") + MORVANE_CLI_PROGRAM + "'");
    return RunProcess({"/bin/sh", "-c", command}, cwd);
}

class CliStreams : public ::testing::Test
{
protected:
    void SetUp() override
    {
        WriteFile(dir / "pw", "through a pipe\n");
        plain = Sample(300000, 17);
    }

    TRunResult Run(std::vector<std::string> args, std::optional<std::string> input = {})
    {
        TProcessOptions options;
        options.stdinData = std::move(input);
        return RunCli(std::move(args), dir.Path(), options);
    }

    TTempDir dir;
    std::string plain;
};

TEST_F(CliStreams, TarThroughEncryptionAndBack)
{
    fs::create_directories(dir / "tree/sub");
    WriteFile(dir / "tree/one.txt", "one");
    WriteFile(dir / "tree/sub/two.bin", plain);
    const TProcessResult e =
        Shell("tar cf - tree | CLI encrypt --check --password-file pw -o x.mvx -", dir.Path());
    ASSERT_EQ(e.status, 0) << e.err;
    const TProcessResult listed =
        Shell("CLI decrypt -q --password-file pw -o - x.mvx | tar tf - | sort", dir.Path());
    ASSERT_EQ(listed.status, 0) << listed.err;
    EXPECT_EQ(listed.out, "tree/\ntree/one.txt\ntree/sub/\ntree/sub/two.bin\n");
    fs::create_directory(dir / "back");
    const TProcessResult x =
        Shell("CLI decrypt --password-file pw -o - x.mvx | tar xf - -C back", dir.Path());
    ASSERT_EQ(x.status, 0) << x.err;
    EXPECT_EQ(ReadFile(dir / "back/tree/sub/two.bin"), plain);
}

TEST_F(CliStreams, StandardInputInAndStandardOutputOut)
{
    // From a pipe into a file: the stored name is the output's without its extension.
    const TRunResult e =
        Run({"encrypt", "--crc", "--password-file", "pw", "-o", "data.mvx", "-"}, plain);
    ASSERT_EQ(e.status, 0) << e.err;
    const TRunResult info = Run({"info", "data.mvx"});
    EXPECT_NE(info.out.find("name:            data\n"), std::string::npos) << info.out;
    // The CRC-32 of a pipe is written into the header at its end: decryption checks it.
    const TRunResult d = Run({"decrypt", "--password-file", "pw", "-o", "-", "data.mvx"});
    ASSERT_EQ(d.status, 0) << d.err;
    EXPECT_EQ(d.out, plain); // only the data: the job line went to standard error
    EXPECT_NE(d.err.find("Decryption OK >> data.mvx"), std::string::npos) << d.err;
    EXPECT_EQ(d.err.find("could not be verified"), std::string::npos) << d.err;

    // --name, without -o: NAME with the extension, in DIR.
    fs::create_directory(dir / "out");
    const TRunResult named =
        Run({"encrypt", "--password-file", "pw", "--name", "backup.tar", "-d", "out", "-"}, plain);
    ASSERT_EQ(named.status, 0) << named.err;
    EXPECT_NE(Run({"info", "out/backup.mvx"}).out.find("name:            backup.tar\n"),
              std::string::npos);

    // A file to standard output: the same bytes as into a file (the check value comes from a
    // fixed generator, so two runs agree), nothing else on standard output.
    WriteFile(dir / "in.bin", plain);
    const TRunResult toFile =
        Run({"encrypt", "--check", "--crc", "--password-file", "pw", "-o", "f.mvx", "in.bin"});
    ASSERT_EQ(toFile.status, 0) << toFile.err;
    const TRunResult toStdout =
        Run({"encrypt", "--check", "--crc", "--password-file", "pw", "-o", "-", "in.bin"});
    ASSERT_EQ(toStdout.status, 0) << toStdout.err;
    EXPECT_EQ(toStdout.out, ReadFile(dir / "f.mvx"));
    EXPECT_NE(toStdout.err.find("Encryption OK >> in.bin"), std::string::npos) << toStdout.err;

    // Pipe into pipe, and back out of a container on standard input (a file, not a pipe).
    const TRunResult both =
        Run({"encrypt", "--check", "--password-file", "pw", "--name", "n", "-o", "-", "-"}, plain);
    ASSERT_EQ(both.status, 0) << both.err;
    WriteFile(dir / "both.mvx", both.out);
    TProcessOptions fromFile;
    fromFile.stdinPath = (dir / "both.mvx").string();
    const TRunResult restored =
        RunCli({"decrypt", "--password-file", "pw", "-o", "-", "-"}, dir.Path(), fromFile);
    ASSERT_EQ(restored.status, 0) << restored.err;
    EXPECT_EQ(restored.out, plain);
}

// What a pipe into a pipe cannot carry is refused before anything is read, saying which and why.
TEST_F(CliStreams, APipeIntoAPipeRefusesWhatItCannotCarry)
{
    for (const char* option : {"--crc", "--compress"}) {
        SCOPED_TRACE(option);
        const TRunResult r =
            Run({"encrypt", option, "--password-file", "pw", "-o", "-", "-"}, plain);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find(std::string(option) + " cannot be used from a pipe into a pipe"),
                  std::string::npos)
            << r.err;
        EXPECT_NE(r.err.find(std::string(option) == "--crc" ? "needs the CRC-32"
                                                            : "needs the chunk sizes"),
                  std::string::npos)
            << r.err;
        // Into a file the same options work: its header is written again at the end.
        const TRunResult f =
            Run({"encrypt", option, "--password-file", "pw", "-f", "-o", "f.mvx", "-"}, plain);
        ASSERT_EQ(f.status, 0) << f.err;
        const TRunResult d = Run({"decrypt", "--password-file", "pw", "-o", "-", "f.mvx"});
        EXPECT_EQ(d.status, 0) << d.err;
        EXPECT_EQ(d.out, plain);
    }
    // A container cannot be read from a pipe (it is read by offsets): refused with the reason.
    ASSERT_EQ(Run({"encrypt", "--password-file", "pw", "-f", "-o", "c.mvx", "-"}, "x").status, 0);
    const TRunResult piped =
        Run({"decrypt", "--password-file", "pw", "-o", "-", "-"}, ReadFile(dir / "c.mvx"));
    EXPECT_EQ(piped.status, 1);
    EXPECT_NE(piped.err.find("cannot be read from a pipe"), std::string::npos) << piped.err;
}

TEST_F(CliStreams, DecryptOutputNamesTheRestoredFile)
{
    WriteFile(dir / "stored.txt", "restored under another name");
    ASSERT_EQ(Run({"encrypt", "--crc", "--password-file", "pw", "stored.txt"}).status, 0);
    fs::create_directory(dir / "elsewhere");
    const TRunResult d =
        Run({"decrypt", "--password-file", "pw", "-o", "elsewhere/chosen", "stored.mvx"});
    ASSERT_EQ(d.status, 0) << d.err;
    EXPECT_EQ(ReadFile(dir / "elsewhere/chosen"), "restored under another name");
    EXPECT_EQ(fs::directory_iterator(dir / "elsewhere")->path().filename(), "chosen");
    // An existing file there is kept without a terminal to ask.
    WriteFile(dir / "taken", "keep");
    const TRunResult kept = Run({"decrypt", "--password-file", "pw", "-o", "taken", "stored.mvx"});
    EXPECT_EQ(kept.status, 1);
    EXPECT_EQ(ReadFile(dir / "taken"), "keep");
    EXPECT_NE(kept.err.find("taken: Output file already exists"), std::string::npos) << kept.err;
}

} // namespace
} // namespace mv::test
