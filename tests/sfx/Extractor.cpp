// The real SFX module at work: self-decrypting files built by the engine's jobs on the built
// extractor.dat, run as a user runs them, in a fresh directory.
#include "engine/ContainerHeader.h"
#include "engine/WorkSfx.h"
#include "tests/support/ProcessRunner.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>

namespace mv::sfx {
namespace {

using engine::TJobOutcome;
using test::ReadBytes;
using test::RunProcess;
using test::TProcessResult;
using test::WriteBytes;
namespace fs = std::filesystem;

const fs::path ModulePath = MORVANE_SFX_MODULE;
const std::string Password = "sfx test password";

struct TBuild
{
    uint8_t algorithm = 0;
    uint8_t mode = 0;
    bool compressed = false;
    bool pass = true;
    bool crc = true;
    size_t size = 40000;
};

// A build directory with the input and the self-decrypting file, a run directory that holds
// nothing but a copy of that file, and the password file outside both.
class ExtractorTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fs::create_directory(buildDir());
        fs::create_directory(runDir());
        const std::string line = Password + "\n";
        WriteBytes(passwordFile(), {line.begin(), line.end()});
    }

    fs::path buildDir() const { return dir / "build"; }
    fs::path runDir() const { return dir / "run"; }
    fs::path passwordFile() const { return dir / "password.txt"; }
    fs::path exe() const { return runDir() / "report.exe"; }

    // Builds report.exe from report.txt and copies it, mode and all, into the run directory.
    void Build(const TBuild& b)
    {
        engine::CurrentHeader.Clear();
        const fs::path input = buildDir() / "report.txt";
        plain = test::PseudoRandomBytes(b.size, b.size * 7 + b.algorithm);
        // Compressible too: every other kilobyte is text.
        for (size_t at = 0; at + 1024 <= plain.size(); at += 2048)
            std::fill(plain.begin() + at, plain.begin() + at + 1024, 'a' + at % 26);
        WriteBytes(input, plain);
        engine::TJobOptions options;
        options.AlgorithmIndex = b.algorithm;
        options.CipherModeIndex = b.mode;
        options.IncludePass = b.pass;
        options.IncludeCRC = b.crc;
        test::TRecordingHost host;
        host.PasswordText = Password;
        const fs::path built = buildDir() / "report.exe";
        fs::remove(built);
        const engine::TJobResult result =
            b.compressed ? engine::EncryptCompressedToSelfExtractor(host, options, input, built,
                                                                    ModulePath.parent_path())
                         : engine::EncryptToSelfExtractor(host, options, input, built,
                                                          ModulePath.parent_path());
        ASSERT_EQ(result.Outcome, TJobOutcome::Finished) << host.AllMessages();
        fs::remove(exe());
        fs::copy_file(built, exe());
    }

    TProcessResult Run(std::vector<std::string> args, const fs::path& program = {})
    {
        args.insert(args.begin(), program.empty() ? exe().string() : program.string());
        TProcessResult result = RunProcess(args, runDir());
        EXPECT_FALSE(result.hung) << "the module hung";
        return result;
    }

    TProcessResult RunWithPassword(std::vector<std::string> args = {})
    {
        args.insert(args.begin(), {"--password-file", passwordFile().string()});
        return Run(args);
    }

    std::vector<std::string> RunDirNames() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(runDir()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    test::TTempDir dir;
    std::vector<uint8_t> plain;
};

// ---- Restoring ---------------------------------------------------------------------------------

class ExtractorRoundTrip : public ExtractorTest, public ::testing::WithParamInterface<TBuild>
{
};

TEST_P(ExtractorRoundTrip, RestoresTheFileInAFreshDirectory)
{
    const TBuild b = GetParam();
    Build(b);
    const TProcessResult run = RunWithPassword();
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "Decryption OK >> " + exe().string() + "\n");
    EXPECT_EQ(RunDirNames(), (std::vector<std::string>{"report.exe", "report.txt"}));
    EXPECT_EQ(ReadBytes(runDir() / "report.txt"), plain);
    // Unconfirmed without a CRC-32 or a compressed body (a check value proves only the
    // password), and said so.
    const bool verified = b.compressed || b.crc;
    EXPECT_EQ(run.err.find("could not be verified") == std::string::npos, verified) << run.err;
}

INSTANTIATE_TEST_SUITE_P(CiphersModesBodies, ExtractorRoundTrip,
                         ::testing::Values(TBuild{0, 0, false, true, true, 40000},
                                           TBuild{1, 1, true, true, true, 70000},
                                           TBuild{5, 3, false, false, false, 32767},
                                           TBuild{3, 2, true, false, false, 0},
                                           TBuild{2, 0, false, true, false, 1000},
                                           TBuild{4, 3, true, false, true, 100000}));

TEST_F(ExtractorTest, RestoresIntoTheDirectoryGiven)
{
    Build({});
    const fs::path target = dir / "elsewhere";
    fs::create_directory(target);
    for (const std::vector<std::string>& form :
         {std::vector<std::string>{"-d", target.string()}, {"--directory=" + target.string()}}) {
        fs::remove(target / "report.txt");
        const TProcessResult run = RunWithPassword(form);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(ReadBytes(target / "report.txt"), plain);
        EXPECT_EQ(RunDirNames(), (std::vector<std::string>{"report.exe"}));
    }
}

TEST_F(ExtractorTest, PasswordIsAskedOnTheTerminalWithoutEcho)
{
    Build({1, 0, true});
    test::TPtyProcess session({exe().string()}, runDir());
    ASSERT_TRUE(session.Expect("Password : ")) << session.Seen();
    EXPECT_TRUE(session.EchoOff());
    session.Type(Password + "\n");
    EXPECT_EQ(session.Finish(), 0) << session.Seen();
    EXPECT_EQ(session.Seen().find(Password), std::string::npos) << "the password was echoed";
    EXPECT_EQ(ReadBytes(runDir() / "report.txt"), plain);
}

TEST_F(ExtractorTest, ExistingFileIsReplacedOnlyWhenAllowed)
{
    Build({});
    const std::vector<uint8_t> old = {'o', 'l', 'd'};
    WriteBytes(runDir() / "report.txt", old);
    // No terminal to ask on: refused with a hint, nothing replaced.
    TProcessResult run = RunWithPassword();
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("use -f"), std::string::npos) << run.err;
    EXPECT_EQ(ReadBytes(runDir() / "report.txt"), old);
    run = RunWithPassword({"-f"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadBytes(runDir() / "report.txt"), plain);
}

// ---- Refusals and their exit statuses ----------------------------------------------------------

struct TWrongPasswordCase
{
    const char* name;
    TBuild build;
    int status;
    bool outputKept; // a CRC-32 mismatch keeps the output, as the decrypt job does
};

TEST_F(ExtractorTest, WrongPasswordWritesNothing)
{
    const TWrongPasswordCase cases[] = {
        {"plain with check value", {0, 0, false, true, false, 5000}, 4, false},
        {"compressed", {4, 1, true, false, false, 5000}, 4, false},
        {"plain with only a CRC-32", {2, 3, false, false, true, 5000}, 5, true},
    };
    const std::string wrong = "not the password\n";
    WriteBytes(passwordFile(), {wrong.begin(), wrong.end()});
    for (const TWrongPasswordCase& c : cases) {
        Build(c.build);
        fs::remove(runDir() / "report.txt");
        const TProcessResult run = RunWithPassword();
        EXPECT_EQ(run.status, c.status) << c.name << ": " << run.err;
        EXPECT_EQ(RunDirNames().size(), c.outputKept ? 2u : 1u) << c.name;
        if (c.status == 4) {
            EXPECT_NE(run.err.find("Invalid password !"), std::string::npos) << run.err;
        }
    }
}

TEST_F(ExtractorTest, DamagedCompressedBodyEndsWithStatusSix)
{
    Build({0, 0, true, true, true, 70000});
    auto bytes = ReadBytes(exe());
    const size_t moduleSize = fs::file_size(ModulePath);
    bytes[moduleSize + engine::HeaderSize + 100] ^= 0x40;
    WriteBytes(exe(), bytes);
    const TProcessResult run = RunWithPassword();
    EXPECT_EQ(run.status, 6) << run.err;
    EXPECT_NE(run.err.find("The container is damaged: "), std::string::npos) << run.err;
    EXPECT_EQ(RunDirNames(), (std::vector<std::string>{"report.exe"}));
}

TEST_F(ExtractorTest, FileWithoutAValidTrailerGetsStatusThree)
{
    Build({});
    const auto whole = ReadBytes(exe());
    const size_t moduleSize = fs::file_size(ModulePath);
    const auto cut = [&](size_t length) {
        return std::vector<uint8_t>(whole.begin(), whole.begin() + length);
    };
    auto patched = [&](int64_t payload) {
        auto bytes = whole;
        const engine::TSfxTrailerBytes trailer = engine::EncodeSfxTrailer(payload);
        std::copy(trailer.begin(), trailer.end(), bytes.end() - 16);
        return bytes;
    };
    const struct
    {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* says;
    } cases[] = {
        {"last byte missing", cut(whole.size() - 1), "does not end in the mark"},
        {"cut in the container", cut(moduleSize + 5000), "does not end in the mark"},
        {"length beyond the file", patched(static_cast<int64_t>(whole.size())), "does not fit"},
        {"negative length", patched(-5), "does not fit"},
        {"length off by one", patched(40000 - 1), "Invalid input file type !"},
    };
    for (const auto& c : cases) {
        WriteBytes(exe(), c.bytes);
        const TProcessResult run = RunWithPassword({"-f"});
        EXPECT_EQ(run.status, 3) << c.name << ": " << run.err;
        EXPECT_NE(run.err.find(c.says), std::string::npos) << c.name << ": " << run.err;
        EXPECT_EQ(RunDirNames(), (std::vector<std::string>{"report.exe"})) << c.name;
    }
    // The module on its own holds no container.
    const TProcessResult bare = Run({"--password-file", passwordFile().string()}, ModulePath);
    EXPECT_EQ(bare.status, 3) << bare.err;
    EXPECT_NE(bare.err.find("does not end in the mark"), std::string::npos) << bare.err;
}

TEST_F(ExtractorTest, StoredNameWithParentDirectoriesKeepsOnlyItsLastElement)
{
    Build({});
    auto bytes = ReadBytes(exe());
    const size_t at = fs::file_size(ModulePath) + engine::OffsetFileName;
    const std::string name = "../../escaped.txt";
    std::fill(bytes.begin() + at, bytes.begin() + at + 256, 0);
    bytes[at] = static_cast<uint8_t>(name.size());
    std::copy(name.begin(), name.end(), bytes.begin() + at + 1);
    WriteBytes(exe(), bytes);
    const TProcessResult run = RunWithPassword();
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(RunDirNames(), (std::vector<std::string>{"escaped.txt", "report.exe"}));
    EXPECT_EQ(ReadBytes(runDir() / "escaped.txt"), plain);
    EXPECT_FALSE(fs::exists(dir / "escaped.txt"));
    EXPECT_FALSE(fs::exists(dir.Path().parent_path() / "escaped.txt"));
}

TEST_F(ExtractorTest, StoredNameOfItsOwnFileIsRefusedNotOverwritten)
{
    Build({});
    auto bytes = ReadBytes(exe());
    const size_t at = fs::file_size(ModulePath) + engine::OffsetFileName;
    const std::string name = "report.exe";
    bytes[at] = static_cast<uint8_t>(name.size());
    std::copy(name.begin(), name.end(), bytes.begin() + at + 1);
    WriteBytes(exe(), bytes);
    const TProcessResult run = RunWithPassword({"-f"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("Input and output must not be the same !"), std::string::npos)
        << run.err;
    EXPECT_EQ(ReadBytes(exe()), bytes);
    EXPECT_EQ(RunDirNames(), (std::vector<std::string>{"report.exe"}));
}

TEST_F(ExtractorTest, WithoutTerminalOrPasswordFileItSaysHowToRunIt)
{
    Build({});
    const TProcessResult run = Run({});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("no terminal"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("--password-file FILE"), std::string::npos) << run.err;
    EXPECT_EQ(RunDirNames(), (std::vector<std::string>{"report.exe"}));
}

TEST_F(ExtractorTest, VerifyReadsTheRestoredFileBack)
{
    Build({1, 1, true, true, true, 70000});
    const TProcessResult run = RunWithPassword({"--verify"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadBytes(runDir() / "report.txt"), plain);
    fs::remove(runDir() / "report.txt");
    // What goes straight into a FIFO cannot be read back: with --verify the job refuses it
    // before opening it (without, it would be written through to a reader).
    ASSERT_EQ(::mkfifo((runDir() / "report.txt").c_str(), 0600), 0);
    const TProcessResult fifo = RunWithPassword({"--verify", "-f"});
    EXPECT_EQ(fifo.status, 1);
    EXPECT_NE(fifo.err.find("cannot be tested"), std::string::npos) << fifo.err;
    EXPECT_NE(Run({"--help"}).out.find("--verify"), std::string::npos);
}

TEST_F(ExtractorTest, CommandLineErrorsGetTheUsageStatus)
{
    Build({});
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--bogus"}, {"-d"}, {"--password-file="}, {"extra"}}) {
        const TProcessResult run = Run(args);
        EXPECT_EQ(run.status, 2) << args[0];
        EXPECT_NE(run.err.find("usage: report.exe"), std::string::npos) << run.err;
    }
    const TProcessResult help = Run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("usage: report.exe"), std::string::npos);
    EXPECT_EQ(RunDirNames(), (std::vector<std::string>{"report.exe"}));
}

TEST_F(ExtractorTest, InfoShowsTheHeaderWithoutAPassword)
{
    Build({5, 3, true, false, true, 70000});
    const TProcessResult run = Run({"--info"});
    ASSERT_EQ(run.status, 0) << run.err;
    const size_t moduleSize = fs::file_size(ModulePath);
    for (const std::string& line :
         {std::string("name:            report.txt\n"), std::string("cipher:          Blowfish"),
          std::string("mode:            OFB (3)\n"), std::string("compressed:      yes\n"),
          "container:       " + std::to_string(fs::file_size(exe()) - moduleSize - 16) +
              " bytes from offset " + std::to_string(moduleSize) + "\n",
          std::string("plain size:      70000 bytes\n")})
        EXPECT_NE(run.out.find(line), std::string::npos) << line << " in\n" << run.out;
    EXPECT_EQ(RunDirNames(), (std::vector<std::string>{"report.exe"}));
}

// ---- The module itself -------------------------------------------------------------------------

TEST(ExtractorModule, NeedsNoLibraryBeyondTheCLibrary)
{
    const TProcessResult ldd = RunProcess({"/usr/bin/ldd", ModulePath.string()}, "/");
    ASSERT_FALSE(ldd.hung);
    const std::string all = ldd.out + ldd.err;
    if (all.find("not a dynamic executable") != std::string::npos)
        return;
    ASSERT_EQ(ldd.status, 0) << all;
    std::istringstream lines(ldd.out);
    int count = 0;
    for (std::string line; std::getline(lines, line);) {
        const std::string name = line.substr(line.find_first_not_of(" \t"));
        const bool cLibrary = name.rfind("linux-vdso.so", 0) == 0 ||
                              name.rfind("libc.so", 0) == 0 ||
                              name.find("ld-linux-x86-64.so") != std::string::npos;
        EXPECT_TRUE(cLibrary) << line;
        ++count;
    }
    EXPECT_GT(count, 0) << all;
}

} // namespace
} // namespace mv::sfx
