// morvane-cli with several files in one call, as scripts and shell globs give them: every name an
// input, outputs worked out first, collisions refused while nothing is written, the call going on
// after a failed file with the status of the first failure; directories with -r; names that would
// steer a terminal shown escaped; info and crc of several files.
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

// Every name below directory with the bytes of its file, so "nothing changed" is one comparison.
std::map<std::string, std::string> Snapshot(const fs::path& directory)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(directory))
        files[fs::relative(entry.path(), directory).string()] =
            entry.is_regular_file() ? ReadFile(entry.path()) : "<dir>";
    return files;
}

class CliSeveralFiles : public ::testing::Test
{
protected:
    void SetUp() override { WriteFile(dir / "pw", "several files\n"); }

    TRunResult Run(std::vector<std::string> args) { return RunCli(std::move(args), dir.Path()); }

    TTempDir dir;
};

TEST_F(CliSeveralFiles, EachInputGetsItsOwnContainerAndComesBack)
{
    const std::vector<std::string> names = {"one.txt", "two.txt", ".profile", "notes"};
    std::map<std::string, std::string> plain;
    for (size_t i = 0; i < names.size(); ++i)
        WriteFile(dir / names[i], plain[names[i]] = Sample(1000 + i * 40000, i));
    std::vector<std::string> args = {"encrypt", "--crc", "--password-file", "pw"};
    args.insert(args.end(), names.begin(), names.end());
    const TRunResult e = Run(args);
    ASSERT_EQ(e.status, 0) << e.err;
    EXPECT_EQ(e.out, "Encryption OK >> one.txt\nEncryption OK >> two.txt\n"
                     "Encryption OK >> .profile\nEncryption OK >> notes\n");
    // The hidden file keeps its name and gains the extension, as in the window.
    for (const char* container : {"one.mvx", "two.mvx", ".profile.mvx", "notes.mvx"})
        EXPECT_TRUE(Exists(dir / container)) << container;

    fs::create_directory(dir / "out");
    const TRunResult d = Run({"decrypt", "-d", "out", "--password-file", "pw", "one.mvx", "two.mvx",
                              ".profile.mvx", "notes.mvx"});
    ASSERT_EQ(d.status, 0) << d.err;
    EXPECT_EQ(d.out, "Decryption OK >> one.mvx\nDecryption OK >> two.mvx\n"
                     "Decryption OK >> .profile.mvx\nDecryption OK >> notes.mvx\n");
    for (const std::string& name : names)
        EXPECT_EQ(ReadFile(dir / "out" / name), plain[name]) << name;
}

// The habit of "encrypt -f *.txt": the second name used to be taken as the output and replaced.
TEST_F(CliSeveralFiles, ASecondNameIsAnInputNeverAnOutput)
{
    WriteFile(dir / "one.txt", "first file");
    WriteFile(dir / "two.txt", "second file, which must survive");
    const TRunResult e = Run({"encrypt", "-f", "--password-file", "pw", "one.txt", "two.txt"});
    ASSERT_EQ(e.status, 0) << e.err;
    EXPECT_EQ(ReadFile(dir / "two.txt"), "second file, which must survive");
    EXPECT_TRUE(Exists(dir / "one.mvx"));
    EXPECT_TRUE(Exists(dir / "two.mvx"));
}

TEST_F(CliSeveralFiles, CollisionsRefuseTheCallBeforeAnythingIsWritten)
{
    WriteFile(dir / "a.txt", "a");
    WriteFile(dir / "c.txt", "c text");
    WriteFile(dir / "c.dat", "c data");
    WriteFile(dir / "old.txt", "old");
    WriteFile(dir / "old.mvx", "an earlier container, kept");
    const struct
    {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {{"encrypt", "a.txt", "c.txt", "c.dat"},
         "\"c.txt\" and \"c.dat\" would both be written to \"c.mvx\"; nothing was done"},
        // The old "encrypt INPUT OUTPUT": the output named is an input, and would be replaced.
        {{"encrypt", "-f", "old.txt", "old.mvx"}, "which is one of the inputs"},
        {{"encrypt", "-o", "a.txt", "a.txt"}, "Input and output must not be the same !"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        const auto before = Snapshot(dir.Path());
        std::vector<std::string> args = c.args;
        args.insert(args.begin() + 1, {"--password-file", "pw"});
        const TRunResult r = Run(args);
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(Snapshot(dir.Path()), before);
    }
    // The old form with an output not there yet: refused as a usage error, nothing written.
    {
        const auto before = Snapshot(dir.Path());
        const TRunResult r = Run({"encrypt", "--password-file", "pw", "a.txt", "new.mvx"});
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find("\"new.mvx\" does not exist; every name after encrypt is an input: "
                             "name an output with -o"),
                  std::string::npos)
            << r.err;
        EXPECT_EQ(Snapshot(dir.Path()), before);
    }
    // Two containers restoring one name into one directory.
    ASSERT_EQ(Run({"encrypt", "--password-file", "pw", "c.txt"}).status, 0);
    fs::create_directory(dir / "other");
    fs::copy_file(dir / "c.txt", dir / "other/c.txt");
    ASSERT_EQ(Run({"encrypt", "--password-file", "pw", "-o", "other/c2.mvx", "other/c.txt"}).status,
              0);
    fs::create_directory(dir / "out");
    const auto before = Snapshot(dir.Path());
    const TRunResult d =
        Run({"decrypt", "-d", "out", "--password-file", "pw", "c.mvx", "other/c2.mvx"});
    EXPECT_EQ(d.status, 1);
    EXPECT_NE(d.err.find("would both be written to \"out/c.txt\""), std::string::npos) << d.err;
    EXPECT_EQ(Snapshot(dir.Path()), before);
}

TEST_F(CliSeveralFiles, GoesOnAfterAFailureAndEndsWithTheFirstStatus)
{
    WriteFile(dir / "good.txt", "good");
    WriteFile(dir / "text", std::string(500, 'n'));
    const TRunResult e =
        Run({"encrypt", "--check", "--password-file", "pw", "missing.txt", "good.txt"});
    EXPECT_EQ(e.status, 1);
    EXPECT_NE(e.err.find("missing.txt: Input file doesn't exist !"), std::string::npos) << e.err;
    EXPECT_EQ(e.out, "Encryption OK >> good.txt\n");

    WriteFile(dir / "wrong", "not the password\n");
    fs::create_directory(dir / "out");
    const TRunResult wrong =
        Run({"decrypt", "-d", "out", "--password-file", "wrong", "good.mvx", "text"});
    EXPECT_EQ(wrong.status, 4) << wrong.err; // the first failure's, not the last one's
    EXPECT_NE(wrong.err.find("text: Invalid input file type !"), std::string::npos) << wrong.err;
    EXPECT_NE(wrong.err.find("good.mvx: Invalid password !"), std::string::npos) << wrong.err;

    const TRunResult d = Run({"decrypt", "-d", "out", "--password-file", "pw", "text", "good.mvx"});
    EXPECT_EQ(d.status, 3) << d.err;
    EXPECT_EQ(d.out, "Decryption FAILED >> text\nDecryption OK >> good.mvx\n");
    EXPECT_EQ(ReadFile(dir / "out/good.txt"), "good");

    // A usage error runs nothing at all.
    fs::remove(dir / "good.mvx");
    const TRunResult usage = Run({"encrypt", "--password-file", "pw", "-m", "ecb", "good.txt"});
    EXPECT_EQ(usage.status, 2);
    EXPECT_FALSE(Exists(dir / "good.mvx"));
}

TEST_F(CliSeveralFiles, ExistingOutputsWithoutATerminalAreKeptAndTheOthersWritten)
{
    WriteFile(dir / "a.txt", "a");
    WriteFile(dir / "b.txt", "b");
    WriteFile(dir / "a.mvx", "keep");
    const TRunResult e = Run({"encrypt", "--password-file", "pw", "a.txt", "b.txt"});
    EXPECT_EQ(e.status, 1);
    EXPECT_NE(e.err.find("a.mvx: Output file already exists (not overwritten; use --force"),
              std::string::npos)
        << e.err;
    EXPECT_EQ(ReadFile(dir / "a.mvx"), "keep");
    EXPECT_EQ(e.out, "Encryption OK >> b.txt\n");
}

TEST_F(CliSeveralFiles, RecursionEncryptsEveryFileBelowADirectory)
{
    fs::create_directories(dir / "tree/sub/deeper");
    WriteFile(dir / "tree/top.txt", "top");
    WriteFile(dir / "tree/sub/mid.txt", "mid");
    WriteFile(dir / "tree/sub/deeper/low", "low");
    fs::create_symlink("top.txt", dir / "tree/link");
    const TRunResult e = Run({"encrypt", "-r", "--password-file", "pw", "tree"});
    ASSERT_EQ(e.status, 0) << e.err;
    EXPECT_EQ(e.out, "Encryption OK >> tree/sub/deeper/low\nEncryption OK >> tree/sub/mid.txt\n"
                     "Encryption OK >> tree/top.txt\n");
    EXPECT_NE(e.err.find("tree/link: not a regular file; skipped"), std::string::npos) << e.err;
    for (const char* container : {"tree/top.mvx", "tree/sub/mid.mvx", "tree/sub/deeper/low.mvx"})
        EXPECT_TRUE(Exists(dir / container)) << container;

    // Into a copy of the tree below -d, the originals wiped (three passes are a wipe too). With
    // their CRC-32, so that the decryption below confirms them and may wipe them in turn.
    fs::create_directory(dir / "backup");
    for (const char* container : {"tree/top.mvx", "tree/sub/mid.mvx", "tree/sub/deeper/low.mvx"})
        fs::remove(dir / container);
    const TRunResult w = Run({"encrypt", "-r", "-d", "backup", "--crc", "--secure-wipe", "-q",
                              "--password-file", "pw", "tree"});
    ASSERT_EQ(w.status, 0) << w.err;
    EXPECT_EQ(w.out, "");
    for (const char* container :
         {"backup/tree/top.mvx", "backup/tree/sub/mid.mvx", "backup/tree/sub/deeper/low.mvx"})
        EXPECT_TRUE(Exists(dir / container)) << container;
    for (const char* wiped : {"tree/top.txt", "tree/sub/mid.txt", "tree/sub/deeper/low"})
        EXPECT_FALSE(Exists(dir / wiped)) << wiped;
    EXPECT_TRUE(Exists(dir / "tree/link")); // skipped, so never wiped

    // A directory that cannot be made below DIR fails that file, and the others go on.
    fs::create_directories(dir / "tree2/sub");
    WriteFile(dir / "tree2/sub/inner.txt", "inner");
    WriteFile(dir / "tree2/top2.txt", "top2");
    fs::create_directories(dir / "backup/tree2");
    WriteFile(dir / "backup/tree2/sub", "a file where the directory would go");
    const TRunResult blocked =
        Run({"encrypt", "-r", "-d", "backup", "--password-file", "pw", "tree2"});
    EXPECT_EQ(blocked.status, 1);
    EXPECT_NE(blocked.err.find("backup/tree2/sub: cannot make the directory: "), std::string::npos)
        << blocked.err;
    EXPECT_EQ(blocked.out, "Encryption OK >> tree2/top2.txt\n");

    fs::create_directory(dir / "back");
    const TRunResult d = Run({"decrypt", "-d", "back", "--secure-wipe", "--password-file", "pw",
                              "backup/tree/top.mvx", "backup/tree/sub/deeper/low.mvx"});
    ASSERT_EQ(d.status, 0) << d.err;
    EXPECT_EQ(ReadFile(dir / "back/top.txt"), "top");
    EXPECT_EQ(ReadFile(dir / "back/low"), "low");
    EXPECT_FALSE(Exists(dir / "backup/tree/top.mvx"));
}

// A name that would steer a terminal (an escape sequence, a C1 control) reaches it escaped in
// every line that shows it: job lines, messages, the overwrite refusal, info.
TEST_F(CliSeveralFiles, NamesThatWouldSteerATerminalAreEscaped)
{
    // A C0 control in the name: decryption refuses to create it, info shows it.
    const std::string hostile = "a\x1b]0;pwned\x07-\xc3\xa9";
    const std::string shown = "a\\x1B]0;pwned\\x07-\xc3\xa9";
    // Only a C1 control: a name decryption may create.
    const std::string c1 = "b\xc2\x9b"
                           "31m";
    const std::string c1Shown = "b\\xC2\\x9B31m";
    WriteFile(dir / hostile, "steer");
    WriteFile(dir / c1, "colour");
    const TRunResult e = Run({"encrypt", "--password-file", "pw", hostile, c1, hostile + "-gone"});
    EXPECT_EQ(e.status, 1);
    EXPECT_EQ(e.out, "Encryption OK >> " + shown + "\nEncryption OK >> " + c1Shown + "\n");
    EXPECT_NE(e.err.find(shown + "-gone: Input file doesn't exist !"), std::string::npos) << e.err;
    const TRunResult again = Run({"encrypt", "--password-file", "pw", hostile});
    EXPECT_NE(again.err.find(shown + ".mvx: Output file already exists"), std::string::npos)
        << again.err;

    fs::create_directory(dir / "out");
    const TRunResult d = Run({"decrypt", "-d", "out", "--password-file", "pw", hostile + ".mvx"});
    EXPECT_EQ(d.status, 3) << d.err;
    EXPECT_EQ(d.out, "Decryption FAILED >> " + shown + ".mvx\n");
    EXPECT_NE(d.err.find(shown + ".mvx: Invalid input file type !"), std::string::npos) << d.err;
    const TRunResult d1 = Run({"decrypt", "-d", "out", "--password-file", "pw", c1 + ".mvx"});
    EXPECT_EQ(d1.status, 0) << d1.err;
    EXPECT_EQ(ReadFile(dir / "out" / c1), "colour");
    EXPECT_NE(d1.err.find("Warning: out/" + c1Shown + " could not be verified"), std::string::npos)
        << d1.err;

    const TRunResult i = Run({"info", hostile + ".mvx", c1 + ".mvx"});
    EXPECT_EQ(i.status, 0) << i.err;
    EXPECT_NE(i.out.find("file:            " + shown + ".mvx\nname:            " + shown +
                         "\nrestored as:     nothing"),
              std::string::npos)
        << i.out;
    EXPECT_NE(i.out.find("name:            " + c1Shown + "\ncipher:"), std::string::npos) << i.out;
    for (const TRunResult* r : {&e, &again, &d, &d1, &i}) {
        for (const std::string* text : {&r->out, &r->err}) {
            EXPECT_EQ(text->find('\x1b'), std::string::npos) << *text;
            EXPECT_EQ(text->find('\x07'), std::string::npos) << *text;
            EXPECT_EQ(text->find("\xc2\x9b"), std::string::npos) << *text;
        }
    }
}

TEST_F(CliSeveralFiles, InfoAndCrcOfSeveralFilesNameEach)
{
    WriteFile(dir / "nine", "123456789");
    WriteFile(dir / "empty", "");
    const TRunResult c = Run({"crc", "nine", "missing", "empty"});
    EXPECT_EQ(c.status, 1);
    EXPECT_EQ(c.out, "cbf43926  nine\n00000000  empty\n");
    EXPECT_NE(c.err.find("missing: Input file doesn't exist !"), std::string::npos) << c.err;

    ASSERT_EQ(Run({"encrypt", "--check", "--password-file", "pw", "nine", "empty"}).status, 0);
    const TRunResult i = Run({"info", "nine.mvx", "nine", "empty.mvx"});
    EXPECT_EQ(i.status, 3);
    EXPECT_EQ(i.out.rfind("file:            nine.mvx\nname:            nine\n", 0), 0u) << i.out;
    EXPECT_NE(i.out.find("plain size:      9 bytes\n\nfile:            empty.mvx\n"),
              std::string::npos)
        << i.out;
    EXPECT_NE(i.err.find("nine: Invalid input file type !"), std::string::npos) << i.err;
}

} // namespace
} // namespace mv::test
