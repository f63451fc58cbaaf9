// morvane-cli as scripts use it: the built program run as a child in a fresh directory, stdin
// from /dev/null (no terminal), passwords from files. Round trips, every exit status, the refusal
// to overwrite, and the output of info, crc, wipe and selftest.
#include "cipher/CipherIds.h"
#include "tests/cli/CliRunner.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace mv::test {
namespace {

namespace fs = std::filesystem;

std::string Sample(size_t size, uint64_t seed)
{
    std::vector<uint8_t> bytes = PseudoRandomBytes(size, seed);
    return std::string(bytes.begin(), bytes.end());
}

size_t CountEntries(const fs::path& directory)
{
    size_t count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(directory))
        ++count;
    return count;
}

class CliJobs : public ::testing::Test
{
protected:
    void SetUp() override
    {
        WriteFile(dir / "pw", "correct horse\n");
        WriteFile(dir / "wrong", "battery staple\n");
    }

    TRunResult Run(std::vector<std::string> args) { return RunCli(std::move(args), dir / ""); }

    // Encrypts name (made with content) into name.mvx; asserts success.
    std::string Encrypt(const std::string& name, const std::string& content,
                        std::vector<std::string> options = {})
    {
        WriteFile(dir / name, content);
        std::vector<std::string> args = {"encrypt", "--password-file", dir / "pw"};
        args.insert(args.end(), options.begin(), options.end());
        args.push_back("-o");
        args.push_back(dir / (name + ".mvx"));
        args.push_back(dir / name);
        TRunResult r = Run(args);
        EXPECT_EQ(r.status, 0) << r.err;
        return dir / (name + ".mvx");
    }

    TTempDir dir;
};

TEST_F(CliJobs, RoundTripEveryCipherAndMode)
{
    const char* ciphers[] = {"twofish", "aes", "rc2", "gost", "cast128", "blowfish"};
    const char* modes[] = {"cbc", "cfb8", "cfb", "ofb"};
    const std::vector<std::vector<std::string>> optionSets = {
        {}, {"--check"}, {"--crc"}, {"--check", "--crc"}};
    const std::string plain = Sample(40000, 7);
    WriteFile(dir / "plain.bin", plain);
    int round = 0;
    for (const char* cipher : ciphers)
        for (const char* mode : modes) {
            const std::vector<std::string>& options = optionSets[round++ % optionSets.size()];
            SCOPED_TRACE(std::string(cipher) + " " + mode + " " + std::to_string(options.size()));
            const std::string container = dir / (std::string(cipher) + "-" + mode + ".mvx");
            std::vector<std::string> args = {"encrypt",         "-a",      cipher, "-m", mode,
                                             "--password-file", dir / "pw"};
            args.insert(args.end(), options.begin(), options.end());
            args.push_back("-o");
            args.push_back(container);
            args.push_back(dir / "plain.bin");
            TRunResult e = Run(args);
            ASSERT_EQ(e.status, 0) << e.err;
            EXPECT_EQ(e.out, "Encryption OK >> " + (dir / "plain.bin").string() + "\n");
            const std::string bytes = ReadFile(container);
            ASSERT_EQ(bytes.size(), 296 + plain.size());
            EXPECT_EQ(bytes.substr(4, 5), std::string("\x04MV**", 5));
            EXPECT_NE(bytes.substr(296), plain);

            const std::string out = dir / (std::string("out-") + cipher + "-" + mode);
            fs::create_directory(out);
            TRunResult d = Run({"decrypt", "-d", out, "--password-file", dir / "pw", container});
            ASSERT_EQ(d.status, 0) << d.err;
            EXPECT_EQ(d.out, "Decryption OK >> " + container + "\n");
            EXPECT_EQ(ReadFile(out + "/plain.bin"), plain);
            // Neither progress nor questions reach a stderr that is not a terminal.
            EXPECT_EQ(e.err.find("elapsed"), std::string::npos) << e.err;
            EXPECT_EQ(d.err.find("elapsed"), std::string::npos) << d.err;
        }
}

TEST_F(CliJobs, RoundTripAroundTheStepBoundaries)
{
    for (size_t size :
         {size_t(0), size_t(1), size_t(32766), size_t(32767), size_t(32768), size_t(65534)}) {
        SCOPED_TRACE(size);
        const std::string name = "s" + std::to_string(size);
        const std::string plain = Sample(size, size + 1);
        const std::string container = Encrypt(name, plain, {"--crc", "--check"});
        const std::string out = dir / ("out" + name);
        fs::create_directory(out);
        TRunResult d = Run({"decrypt", "-q", "-d", out, "--password-file", dir / "pw", container});
        ASSERT_EQ(d.status, 0) << d.err;
        EXPECT_EQ(d.out, ""); // -q: no job line
        EXPECT_EQ(ReadFile(out + "/" + name), plain);
    }
}

TEST_F(CliJobs, DefaultOutputNameAndDirectory)
{
    const std::string plain = Sample(1000, 3);
    WriteFile(dir / "report.txt", plain);
    TRunResult e = Run({"encrypt", "--password-file", "pw", "report.txt"});
    ASSERT_EQ(e.status, 0) << e.err;
    ASSERT_TRUE(Exists(dir / "report.mvx"));
    fs::remove(dir / "report.txt");
    fs::create_directory(dir / "sub");
    fs::rename(dir / "report.mvx", dir / "sub/report.mvx");
    // No -d: the container's own directory.
    TRunResult d = Run({"decrypt", "--password-file", "pw", "sub/report.mvx"});
    ASSERT_EQ(d.status, 0) << d.err;
    EXPECT_EQ(ReadFile(dir / "sub/report.txt"), plain);
    EXPECT_FALSE(Exists(dir / "report.txt"));
}

TEST_F(CliJobs, ExistingOutputIsRefusedWithoutForce)
{
    const std::string container = Encrypt("a.txt", "first");
    const std::string before = ReadFile(container);

    WriteFile(dir / "a.txt", "second version");
    TRunResult refused =
        Run({"encrypt", "--password-file", dir / "pw", "-o", container, dir / "a.txt"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("--force"), std::string::npos) << refused.err;
    EXPECT_EQ(ReadFile(container), before);

    TRunResult forced =
        Run({"encrypt", "-f", "--password-file", dir / "pw", "-o", container, dir / "a.txt"});
    EXPECT_EQ(forced.status, 0) << forced.err;
    EXPECT_EQ(ReadFile(container).size(), 296 + std::string("second version").size());

    // Decrypting next to an existing file of the stored name: refused, then forced.
    WriteFile(dir / "a.txt", "keep me");
    TRunResult d1 = Run({"decrypt", "--password-file", dir / "pw", container});
    EXPECT_EQ(d1.status, 1);
    EXPECT_EQ(ReadFile(dir / "a.txt"), "keep me");
    TRunResult d2 = Run({"decrypt", "--force", "--password-file", dir / "pw", container});
    EXPECT_EQ(d2.status, 0) << d2.err;
    EXPECT_EQ(ReadFile(dir / "a.txt"), "second version");
}

// A device or FIFO named as output is written through: nothing to replace, so nothing is asked.
TEST_F(CliJobs, ADeviceOutputIsWrittenThroughWithoutAQuestion)
{
    WriteFile(dir / "in.txt", "to nowhere");
    const TRunResult r =
        Run({"encrypt", "--password-file", dir / "pw", "-o", "/dev/null", dir / "in.txt"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(ReadFile(dir / "in.txt"), "to nowhere");
}

// Each message is one line that names its file, the system's reason after a colon.
TEST_F(CliJobs, MessagesAreOneLineNamingTheFile)
{
    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
    WriteFile(dir / "in.txt", "x");
    const TRunResult fifo = Run({"encrypt", "--password-file", dir / "pw", dir / "fifo"});
    EXPECT_EQ(fifo.status, 1);
    EXPECT_EQ(fifo.err.rfind(
                  "morvane-cli: " + (dir / "fifo").string() + ": Unable to open input file: ", 0),
              0u)
        << fifo.err;
    const TRunResult output = Run(
        {"encrypt", "--password-file", dir / "pw", "-o", dir / "no/such/x.mvx", dir / "in.txt"});
    EXPECT_EQ(output.status, 1);
    EXPECT_EQ(output.err.rfind("morvane-cli: " + (dir / "no/such/x.mvx").string() +
                                   ": Unable to create output file: ",
                               0),
              0u)
        << output.err;
    for (const TRunResult* r : {&fifo, &output}) {
        EXPECT_EQ(std::count(r->err.begin(), r->err.end(), '\n'), 1) << r->err;
        EXPECT_EQ(r->err.find("\\x0A"), std::string::npos) << r->err;
    }
}

TEST_F(CliJobs, ExitStatuses)
{
    const std::string plain = Sample(50000, 11);
    const std::string checked = Encrypt("checked.bin", plain, {"--check"});
    const std::string withCrc = Encrypt("crc.bin", plain, {"--crc"});
    WriteFile(dir / "text.txt", "this is not a container, but it is long enough to be read as "
                                "a header of two hundred and ninety-six bytes if nobody looked "
                                "at its mark. " +
                                    std::string(300, 'x'));
    WriteFile(dir / "short.mvx", "\x04MV**");
    // Flip one body byte of the CRC-carrying container.
    std::string damaged = ReadFile(withCrc);
    damaged[296 + 40000] ^= 0x01;
    WriteFile(dir / "flipped.mvx", damaged);
    fs::create_directory(dir / "out");

    struct
    {
        const char* name;
        std::vector<std::string> args;
        int status;
        const char* message; // on stderr
    } cases[] = {
        {"usage: no command", {}, 2, "usage:"},
        {"usage: unknown cipher", {"encrypt", "-a", "des", "x"}, 2, "usage:"},
        {"usage: password on the command line", {"decrypt", "--password", "x", "c"}, 2, ""},
        {"not a container",
         {"decrypt", "-d", dir / "out", "--password-file", dir / "pw", dir / "text.txt"},
         3,
         "Invalid input file type !"},
        {"shorter than a header",
         {"decrypt", "-d", dir / "out", "--password-file", dir / "pw", dir / "short.mvx"},
         3,
         "Invalid input file type !"},
        {"info of a non-container", {"info", dir / "text.txt"}, 3, "Invalid input file type !"},
        {"wrong password",
         {"decrypt", "-d", dir / "out", "--password-file", dir / "wrong", checked},
         4,
         "Invalid password !"},
        {"crc mismatch",
         {"decrypt", "-d", dir / "out", "--password-file", dir / "pw", dir / "flipped.mvx"},
         5,
         "Invalid CRC32 for output file !"},
        {"missing input",
         {"encrypt", "--password-file", dir / "pw", dir / "nothing"},
         1,
         "Input file doesn't exist !"},
        {"missing container",
         {"decrypt", "--password-file", dir / "pw", dir / "nothing.mvx"},
         1,
         "Input file doesn't exist !"},
        {"missing password file",
         {"encrypt", "--password-file", dir / "none", dir / "text.txt"},
         1,
         "password file"},
        {"output is the input",
         {"encrypt", "--password-file", dir / "pw", "-f", "-o", checked, checked},
         1,
         "Input and output must not be the same !"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TRunResult r = Run(c.args);
        EXPECT_FALSE(r.hung);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        if (c.status == 3 || c.status == 4) {
            EXPECT_EQ(CountEntries(dir / "out"), 0u);
        }
    }
    // The refused jobs leave their line in the job list.
    TRunResult bad = Run({"decrypt", "-d", dir / "out", "--password-file", dir / "wrong", checked});
    EXPECT_EQ(bad.out, "Decryption FAILED >> " + checked + "\n");
    // A CRC-32 mismatch keeps the output, as the job always did, and says so with a colon.
    TRunResult crc = Run(
        {"decrypt", "-f", "-d", dir / "out", "--password-file", dir / "pw", dir / "flipped.mvx"});
    EXPECT_EQ(crc.out, "Decryption FAILED : " + (dir / "flipped.mvx").string() + "\n");
    EXPECT_EQ(ReadFile(dir / "out/crc.bin").size(), plain.size());
}

TEST_F(CliJobs, CompressedContainers)
{
    // Text compresses: the container is much smaller than the input, and comes back exactly.
    std::string text;
    while (text.size() < 100000)
        text += "line " + std::to_string(text.size()) + " of a compressible text\n";
    const std::string container = Encrypt("text.txt", text, {"--compress", "--crc"});
    EXPECT_LT(fs::file_size(container), text.size() / 3);
    fs::create_directory(dir / "out");
    TRunResult r = Run({"decrypt", "-d", dir / "out", "--password-file", dir / "pw", container});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile(dir / "out/text.txt"), text);
    TRunResult info = Run({"info", container});
    EXPECT_NE(info.out.find("compressed:      yes"), std::string::npos) << info.out;

    // A damaged chunk table: exit status 6, the reason on stderr, nothing restored.
    std::string damaged = ReadFile(container);
    damaged[damaged.size() - 1] ^= 0x01;
    WriteFile(dir / "damaged.mvx", damaged);
    fs::remove(dir / "out/text.txt");
    TRunResult bad =
        Run({"decrypt", "-d", dir / "out", "--password-file", dir / "pw", dir / "damaged.mvx"});
    EXPECT_FALSE(bad.hung);
    EXPECT_EQ(bad.status, 6) << bad.err;
    EXPECT_NE(bad.err.find("The container is damaged: "), std::string::npos) << bad.err;
    EXPECT_EQ(CountEntries(dir / "out"), 0u);
}

// info checks the chunk fields as decrypt does: sizes computed from fields decrypt rejects would
// be nonsense (a plain size of -32762 bytes), so both say the container is damaged, with status 6.
TEST_F(CliJobs, InfoRefusesTheChunkFieldsDecryptRefuses)
{
    std::string text;
    while (text.size() < 70000)
        text += "a line of text that compresses well " + std::to_string(text.size()) + "\n";
    const std::string container = Encrypt("chunks.txt", text, {"--compress"});
    const std::string good = ReadFile(container);
    const auto field = [&](size_t offset, uint32_t value) {
        std::string bytes = good;
        for (int i = 0; i < 4; ++i)
            bytes[offset + i] = char((value >> (8 * i)) & 0xFF);
        return bytes;
    };
    const struct
    {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"no chunk table", field(276, 0)},
        {"odd chunk table", field(276, 5)},
        {"chunk table larger than the file", field(276, 0x7FFFFFF0)},
        {"last chunk longer than a chunk", field(280, 40000)},
        {"negative last chunk", field(280, 0xFFFFFFF0)},
    };
    fs::create_directory(dir / "out");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile(dir / "bad.mvx", c.bytes);
        const TRunResult info = Run({"info", dir / "bad.mvx"});
        EXPECT_EQ(info.status, 6) << info.out << info.err;
        EXPECT_EQ(info.out, "");
        EXPECT_NE(info.err.find("bad.mvx: The container is damaged: "), std::string::npos)
            << info.err;
        const TRunResult d =
            Run({"decrypt", "-d", dir / "out", "--password-file", dir / "pw", dir / "bad.mvx"});
        EXPECT_EQ(d.status, 6) << d.err;
        EXPECT_EQ(CountEntries(dir / "out"), 0u);
    }
    const TRunResult info = Run({"info", container});
    EXPECT_EQ(info.status, 0) << info.err;
    EXPECT_NE(info.out.find("plain size:      " + std::to_string(text.size()) + " bytes\n"),
              std::string::npos)
        << info.out;
}

TEST_F(CliJobs, NoTerminalAndNoPasswordFileFailsAtOnce)
{
    const std::string container = Encrypt("p.txt", "plain");
    for (auto args :
         std::vector<std::vector<std::string>>{{"encrypt", "-o", dir / "new.mvx", dir / "p.txt"},
                                               {"decrypt", "-d", dir / "", container}}) {
        SCOPED_TRACE(args[0]);
        TRunResult r = Run(args); // stdin is /dev/null
        EXPECT_FALSE(r.hung);
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find("--password-file"), std::string::npos) << r.err;
    }
    EXPECT_FALSE(Exists(dir / "new.mvx"));
    EXPECT_EQ(ReadFile(dir / "p.txt"), "plain");
}

TEST_F(CliJobs, PasswordFileFirstLineOnly)
{
    WriteFile(dir / "crlf", "correct horse\r\nsecond line is ignored\n");
    WriteFile(dir / "bare", "correct horse");
    WriteFile(dir / "empty", "\n");
    WriteFile(dir / "p.txt", Sample(100, 5));
    TRunResult e = Run({"encrypt", "--check", "--password-file", dir / "crlf", dir / "p.txt"});
    ASSERT_EQ(e.status, 0) << e.err;
    fs::create_directory(dir / "out");
    for (const char* file : {"pw", "bare"}) {
        TRunResult d =
            Run({"decrypt", "-f", "-d", dir / "out", "--password-file", dir / file, dir / "p.mvx"});
        EXPECT_EQ(d.status, 0) << file << ": " << d.err;
    }
    TRunResult empty = Run({"encrypt", "-f", "--password-file", dir / "empty", dir / "p.txt"});
    EXPECT_EQ(empty.status, 1);
    EXPECT_NE(empty.err.find("Please enter password !"), std::string::npos) << empty.err;
}

TEST_F(CliJobs, UnverifiedResultIsSaid)
{
    const std::string bare = Encrypt("bare.txt", "no check, no crc");
    // A check value proves the password, not the content: still unconfirmed.
    const std::string checked = Encrypt("checked.txt", "with a check", {"--check"});
    const std::string summed = Encrypt("summed.txt", "with a crc", {"--crc"});
    fs::create_directory(dir / "out");
    for (const std::string& container : {bare, checked}) {
        TRunResult b =
            Run({"decrypt", "-d", dir / "out", "--password-file", dir / "pw", container});
        EXPECT_EQ(b.status, 0);
        EXPECT_NE(b.err.find("could not be verified"), std::string::npos) << b.err;
    }
    TRunResult c = Run({"decrypt", "-d", dir / "out", "--password-file", dir / "pw", summed});
    EXPECT_EQ(c.status, 0);
    EXPECT_EQ(c.err, "");
}

TEST_F(CliJobs, WipeAfterTheJobs)
{
    const std::string plain = Sample(70000, 9);
    const std::string container = Encrypt("w.bin", plain, {"--wipe", "--crc"});
    EXPECT_FALSE(Exists(dir / "w.bin"));
    TRunResult d =
        Run({"decrypt", "--wipe", "--secure-wipe", "--password-file", dir / "pw", container});
    ASSERT_EQ(d.status, 0) << d.err;
    EXPECT_FALSE(Exists(container));
    EXPECT_EQ(ReadFile(dir / "w.bin"), plain);
    EXPECT_FALSE(Exists(dir / "wiped.file"));
}

// A wipe after a decryption that nothing in the container confirmed keeps the container, says
// why on stderr and ends with a status of its own; a confirmed one wipes.
TEST_F(CliJobs, WipeAfterAnUnconfirmedDecryptionKeepsTheContainer)
{
    struct TCase
    {
        const char* Name;
        std::vector<std::string> EncryptOptions;
        const char* PasswordFile;
        int ClearedByte; // -1: none
        int Status;
    };
    const TCase cases[] = {
        {"a typo, nothing stored", {}, "wrong", -1, 7},
        {"check value only", {"--check"}, "pw", -1, 7},
        {"compressed flag cleared", {"--compress"}, "pw", 293, 7},
        {"with a CRC-32", {"--crc"}, "pw", -1, 0},
        {"compressed", {"--compress"}, "pw", -1, 0},
    };
    int n = 0;
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string name = "u" + std::to_string(n++) + ".bin";
        const std::string plain = Sample(50000, 40 + n);
        std::vector<std::string> encryptOptions = c.EncryptOptions;
        encryptOptions.push_back("--wipe");
        const std::string container = Encrypt(name, plain, encryptOptions);
        EXPECT_FALSE(Exists(dir / name));
        std::string bytes = ReadFile(container);
        if (c.ClearedByte >= 0) {
            bytes[static_cast<size_t>(c.ClearedByte)] = 0;
            WriteFile(container, bytes);
        }
        TRunResult d =
            Run({"decrypt", "--wipe", "--password-file", dir / c.PasswordFile, container});
        EXPECT_EQ(d.status, c.Status) << d.err;
        EXPECT_TRUE(Exists(dir / name));
        if (c.Status == 7) {
            EXPECT_EQ(ReadFile(container), bytes);
            EXPECT_NE(d.err.find("The container was kept (not wiped): " + container),
                      std::string::npos)
                << d.err;
        } else {
            EXPECT_FALSE(Exists(container));
            EXPECT_EQ(ReadFile(dir / name), plain);
        }
    }
}

TEST_F(CliJobs, VerifyTestsTheOutputOfEveryJob)
{
    const std::string plain = Sample(100000, 3);
    const std::vector<std::string> optionSets[] = {
        {"--verify"}, {"--verify", "--compress"}, {"--verify", "--crc", "-m", "cfb8"}};
    for (const std::vector<std::string>& options : optionSets) {
        const std::string container = Encrypt("v.bin", plain, options);
        fs::remove(dir / "v.bin");
        TRunResult d = Run({"decrypt", "--verify", "--password-file", dir / "pw", container});
        EXPECT_EQ(d.status, 0) << d.err;
        EXPECT_EQ(ReadFile(dir / "v.bin"), plain);
        fs::remove(container);
    }
    // A FIFO cannot be read back: refused before anything is written.
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    TRunResult f = Run(
        {"encrypt", "--verify", "--password-file", dir / "pw", "-o", dir / "pipe", dir / "v.bin"});
    EXPECT_EQ(f.status, 1);
    EXPECT_NE(f.err.find("cannot be tested"), std::string::npos) << f.err;
}

TEST_F(CliJobs, InfoShowsThePlainFields)
{
    WriteFile(dir / "nine.txt", "123456789");
    TRunResult e = Run({"encrypt", "-a", "cast128", "-m", "ofb", "--check", "--crc",
                        "--password-file", dir / "pw", "-o", dir / "nine.mvx", dir / "nine.txt"});
    ASSERT_EQ(e.status, 0) << e.err;
    TRunResult i = Run({"info", dir / "nine.mvx"});
    ASSERT_EQ(i.status, 0) << i.err;
    EXPECT_EQ(i.out, "name:            nine.txt\n"
                     "cipher:          cast128 (id 7)\n"
                     "mode:            ofb (3)\n"
                     "password check:  yes\n"
                     "crc32:           cbf43926\n"
                     "compressed:      no\n"
                     "container size:  305 bytes\n"
                     "plain size:      9 bytes\n");
    const std::string bare = Encrypt("b", "");
    TRunResult j = Run({"info", bare});
    EXPECT_NE(j.out.find("password check:  no\ncrc32:           none\n"), std::string::npos)
        << j.out;
    EXPECT_NE(j.out.find("cipher:          twofish (id 6)\nmode:            cbc (0)\n"),
              std::string::npos)
        << j.out;
}

TEST_F(CliJobs, InfoShowsAHostileNameHarmlessly)
{
    // A container laid out by hand with a stored name full of terminal controls.
    std::string header(296, '\0');
    header.replace(4, 5, "\x04MV**");
    const std::string name = "a\x1b]0;pwned\x07\xc3\xa9\\b";
    header[9] = char(name.size());
    header.replace(10, name.size(), name);
    header[268] = 6;
    WriteFile(dir / "hostile.mvx", header);
    TRunResult i = Run({"info", dir / "hostile.mvx"});
    ASSERT_EQ(i.status, 0) << i.err;
    EXPECT_NE(i.out.find("name:            a\\x1B]0;pwned\\x07\xc3\xa9\\x5Cb\n"), std::string::npos)
        << i.out;
}

TEST_F(CliJobs, CrcPrintsEightHexDigits)
{
    WriteFile(dir / "nine", "123456789");
    WriteFile(dir / "empty", "");
    EXPECT_EQ(Run({"crc", dir / "nine"}).out, "cbf43926\n");
    EXPECT_EQ(Run({"crc", dir / "empty"}).out, "00000000\n");
    TRunResult missing = Run({"crc", dir / "none"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, "");
}

TEST_F(CliJobs, WipeCommand)
{
    WriteFile(dir / "secret", Sample(40000, 1));
    TRunResult w = Run({"wipe", "--secure-wipe", dir / "secret"});
    EXPECT_EQ(w.status, 0) << w.err;
    EXPECT_EQ(CountEntries(dir.Path()), 2u); // the two password files only

    // A link is refused: wiping it would overwrite the file it points to.
    WriteFile(dir / "target", "stay");
    fs::create_symlink(dir / "target", dir / "link");
    TRunResult l = Run({"wipe", dir / "link"});
    EXPECT_EQ(l.status, 1);
    EXPECT_EQ(ReadFile(dir / "target"), "stay");
    EXPECT_TRUE(Exists(dir / "link"));
    EXPECT_EQ(Run({"wipe", dir / "none"}).status, 1);
}

TEST_F(CliJobs, SelfTestAndHelp)
{
    TRunResult s = Run({"selftest"});
    EXPECT_EQ(s.status, 0) << s.out << s.err;
    std::string expected;
    for (const cipher::TSelfTestEntry& entry : cipher::SelfTests)
        expected += std::string(entry.name) + " passed\n";
    EXPECT_EQ(s.out, expected);
    TRunResult h = Run({"--help"});
    EXPECT_EQ(h.status, 0);
    EXPECT_EQ(h.out.rfind("usage: morvane-cli COMMAND", 0), 0u) << h.out;
    EXPECT_EQ(h.err, "");
}

} // namespace
} // namespace mv::test
