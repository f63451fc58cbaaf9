#include "engine/WorkSfx.h"

#include "engine/ContainerHeader.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace mv::engine {
namespace {

using test::ReadBytes;
using test::TRecordingHost;
using test::TTempDir;
using test::WriteBytes;
namespace fs = std::filesystem;

constexpr size_t StandInModuleSize = 50000;

std::vector<uint8_t> Slice(const std::vector<uint8_t>& bytes, size_t from, size_t to)
{
    return {bytes.begin() + static_cast<std::ptrdiff_t>(from),
            bytes.begin() + static_cast<std::ptrdiff_t>(to)};
}

// ---- The trailer -------------------------------------------------------------------------------

TEST(SfxTrailer, EncodesLengthThenMarkerLittleEndian)
{
    const TSfxTrailerBytes trailer = EncodeSfxTrailer(1000);
    EXPECT_EQ(test::ToHex(trailer.data(), trailer.size()),
              test::ToHex(test::Hex("E8 03 00 00 00 00 00 00 34 D4 BA 27 00 00 00 00")));
    EXPECT_EQ(DecodeSfxTrailer(trailer), 1000);
    const TSfxTrailerBytes large = EncodeSfxTrailer(0x0102030405060708);
    EXPECT_EQ(test::ToHex(large.data(), 8), test::ToHex(test::Hex("08 07 06 05 04 03 02 01")));
    EXPECT_EQ(DecodeSfxTrailer(large), 0x0102030405060708);
}

TEST(SfxTrailer, AnyOtherMarkerIsNoTrailer)
{
    for (int at = 8; at < SfxTrailerSize; ++at) {
        TSfxTrailerBytes trailer = EncodeSfxTrailer(5);
        trailer[at] ^= 0x01;
        EXPECT_FALSE(DecodeSfxTrailer(trailer)) << "byte " << at;
    }
}

struct TLocateCase
{
    const char* name;
    int64_t fileSize;
    int64_t payload;
    TSfxFault fault;
    int64_t begin; // when fault is None
};

TEST(SfxTrailer, LocatesTheContainerOnlyWhenItFitsTheFile)
{
    constexpr int64_t Max = std::numeric_limits<int64_t>::max();
    const TLocateCase cases[] = {
        {"layout example", 51312, 1000, TSfxFault::None, 50000},
        {"no module before it", 296 + 1000 + 16, 1000, TSfxFault::None, 0},
        {"empty body", 100 + 296 + 16, 0, TSfxFault::None, 100},
        {"one byte too long", 296 + 1000 + 16, 1001, TSfxFault::PayloadOutOfFile, 0},
        {"no room for a header", 16 + 295, 0, TSfxFault::PayloadOutOfFile, 0},
        {"negative length", 51312, -1, TSfxFault::PayloadOutOfFile, 0},
        {"most negative length", 51312, std::numeric_limits<int64_t>::min(),
         TSfxFault::PayloadOutOfFile, 0},
        {"length beyond any file", 51312, Max, TSfxFault::PayloadOutOfFile, 0},
        {"shorter than a trailer", 15, 0, TSfxFault::NoTrailer, 0},
    };
    for (const TLocateCase& c : cases) {
        const TSfxLocation location = LocateSfxContainer(c.fileSize, EncodeSfxTrailer(c.payload));
        EXPECT_EQ(location.Fault, c.fault) << c.name;
        if (c.fault == TSfxFault::None) {
            EXPECT_EQ(location.Range.Begin, c.begin) << c.name;
            EXPECT_EQ(location.Range.End, c.fileSize - 16) << c.name;
        }
    }
    TSfxTrailerBytes noMarker{};
    EXPECT_EQ(LocateSfxContainer(51312, noMarker).Fault, TSfxFault::NoTrailer);
}

// ---- The jobs ----------------------------------------------------------------------------------

// A program directory holding a stand-in module (not a program: it only gives the layout), the
// input beside it and an output directory for restoring.
class SfxJobTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CurrentHeader.Clear();
        fs::create_directory(programDir());
        fs::create_directory(workDir());
        module = test::PseudoRandomBytes(StandInModuleSize, 77);
        WriteBytes(programDir() / SfxModuleName, module);
    }

    fs::path programDir() const { return dir / "program"; }
    fs::path workDir() const { return dir / "work"; }

    fs::path MakeInput(size_t size, uint64_t seed = 3)
    {
        input = workDir() / "report.txt";
        plain = test::PseudoRandomBytes(size, seed);
        WriteBytes(input, plain);
        return input;
    }

    TJobResult Build(bool compressed, const fs::path& output)
    {
        return compressed
                   ? EncryptCompressedToSelfExtractor(host, options, input, output, programDir())
                   : EncryptToSelfExtractor(host, options, input, output, programDir());
    }

    // Restores an output through the range its trailer gives, into a fresh directory.
    std::vector<uint8_t> Restore(const fs::path& exe)
    {
        const TSfxLocation location = LocateSfxContainer(exe);
        EXPECT_EQ(location.Fault, TSfxFault::None);
        const fs::path out = dir / "restored";
        fs::remove_all(out);
        fs::create_directory(out);
        TRecordingHost reader;
        reader.PasswordText = host.PasswordText;
        const TJobResult result = DecryptFile(reader, {}, exe, out, location.Range);
        EXPECT_EQ(result.Outcome, TJobOutcome::Finished) << reader.AllMessages();
        return ReadBytes(out / "report.txt");
    }

    TTempDir dir;
    TRecordingHost host;
    TJobOptions options;
    std::vector<uint8_t> module;
    fs::path input;
    std::vector<uint8_t> plain;
};

TEST_F(SfxJobTest, LayoutExampleIsModuleThenThePlainContainerThenTheTrailer)
{
    MakeInput(1000);
    options.IncludeCRC = true;
    options.AlgorithmIndex = 1;
    options.CipherModeIndex = 2;
    const fs::path exe = workDir() / "report.exe";
    ASSERT_EQ(Build(false, exe).Outcome, TJobOutcome::Finished) << host.AllMessages();
    const fs::path plainContainer = workDir() / "report.mvx";
    ASSERT_EQ(EncryptFile(host, options, input, plainContainer).Outcome, TJobOutcome::Finished);

    const auto written = ReadBytes(exe);
    ASSERT_EQ(written.size(), 51312u);
    EXPECT_EQ(Slice(written, 0, StandInModuleSize), module);
    EXPECT_EQ(test::ToHex(Slice(written, 51296, 51312)),
              test::ToHex(test::Hex("E8 03 00 00 00 00 00 00 34 D4 BA 27 00 00 00 00")));
    // Without the check value stored, only the plain check copies differ between two runs: with
    // the same header values the container bytes are the plain job's.
    auto container = Slice(written, StandInModuleSize, 51296);
    auto expected = ReadBytes(plainContainer);
    ASSERT_EQ(container.size(), expected.size());
    std::copy(container.begin() + 284, container.begin() + 292, expected.begin() + 284);
    EXPECT_EQ(test::ToHex(container), test::ToHex(expected));
    EXPECT_EQ(Restore(exe), plain);
}

TEST_F(SfxJobTest, CompressedLayoutEndsInTheChunkTableBeforeTheTrailer)
{
    // Three chunks of a well-compressible text, the last one partial.
    input = workDir() / "report.txt";
    plain.clear();
    for (int i = 0; plain.size() < 70000; ++i) {
        const std::string line = "line " + std::to_string(i) + " of the quarterly report\n";
        plain.insert(plain.end(), line.begin(), line.end());
    }
    WriteBytes(input, plain);
    options.AlgorithmIndex = 5;
    options.CipherModeIndex = 3;
    const fs::path exe = workDir() / "report.exe";
    ASSERT_EQ(Build(true, exe).Outcome, TJobOutcome::Finished) << host.AllMessages();
    const fs::path plainContainer = workDir() / "report.mvx";
    ASSERT_EQ(EncryptCompressedFile(host, options, input, plainContainer).Outcome,
              TJobOutcome::Finished);

    const auto written = ReadBytes(exe);
    const auto expected = ReadBytes(plainContainer);
    ASSERT_EQ(written.size(), StandInModuleSize + expected.size() + 16);
    EXPECT_EQ(Slice(written, 0, StandInModuleSize), module);
    const TSfxTrailerBytes trailer = EncodeSfxTrailer(
        static_cast<int64_t>(written.size()) - 16 - 296 - static_cast<int64_t>(StandInModuleSize));
    EXPECT_EQ(test::ToHex(Slice(written, written.size() - 16, written.size())),
              test::ToHex(trailer.data(), trailer.size()));
    // The header but for the encrypted check value, and the chunk table (6 bytes for 3 chunks)
    // right before the trailer, as the plain job writes them.
    const size_t end = written.size() - 16;
    EXPECT_EQ(test::ToHex(Slice(written, StandInModuleSize, StandInModuleSize + 284)),
              test::ToHex(Slice(expected, 0, 284)));
    EXPECT_EQ(test::ToHex(Slice(written, end - 6, end)),
              test::ToHex(Slice(expected, expected.size() - 6, expected.size())));
    const TContainerHeader header = *ReadContainerHeader(exe, StandInModuleSize);
    EXPECT_TRUE(header.IsCompressed);
    EXPECT_EQ(header.ChunkTableSize, 6);
    EXPECT_EQ(Restore(exe), plain);
}

struct TRoundTripCase
{
    uint8_t algorithm;
    uint8_t mode;
    bool compressed;
    bool pass;
    bool crc;
    size_t size;
};

class SfxRoundTrip : public SfxJobTest, public ::testing::WithParamInterface<TRoundTripCase>
{
};

TEST_P(SfxRoundTrip, ProgressCountsOnlyTheInputAndTheRangeRestoresIt)
{
    const TRoundTripCase c = GetParam();
    MakeInput(c.size, c.size + c.algorithm);
    options.AlgorithmIndex = c.algorithm;
    options.CipherModeIndex = c.mode;
    options.IncludePass = c.pass;
    options.IncludeCRC = c.crc;
    const fs::path exe = workDir() / "report.exe";
    ASSERT_EQ(Build(c.compressed, exe).Outcome, TJobOutcome::Finished) << host.AllMessages();
    ASSERT_FALSE(host.Updates.empty());
    EXPECT_EQ(host.Updates.back().TotalBytes, static_cast<int64_t>(c.size));
    EXPECT_EQ(host.Updates.back().ProcessedBytes, static_cast<int64_t>(c.size));
    EXPECT_EQ(host.JobLines.back(), LineEncryptOk + input.string());
    EXPECT_EQ(Restore(exe), plain);
}

INSTANTIATE_TEST_SUITE_P(CiphersModesBodies, SfxRoundTrip,
                         ::testing::Values(TRoundTripCase{0, 0, false, true, true, 40000},
                                           TRoundTripCase{1, 1, true, false, true, 32767},
                                           TRoundTripCase{2, 2, false, false, false, 0},
                                           TRoundTripCase{3, 3, true, true, false, 0},
                                           TRoundTripCase{4, 0, true, false, true, 100000},
                                           TRoundTripCase{5, 3, false, true, false, 65534}));

TEST_F(SfxJobTest, TheProgramsOwnDecryptJobRefusesTheExecutable)
{
    MakeInput(5000);
    options.IncludePass = true;
    for (bool compressed : {false, true}) {
        const fs::path exe = workDir() / "report.exe";
        fs::remove(exe);
        ASSERT_EQ(Build(compressed, exe).Outcome, TJobOutcome::Finished);
        TRecordingHost reader;
        const fs::path out = dir / "out";
        fs::create_directories(out);
        EXPECT_EQ(DecryptFile(reader, {}, exe, out).Outcome, TJobOutcome::InvalidFileType);
        ASSERT_EQ(reader.Messages.size(), 1u);
        EXPECT_EQ(reader.Messages[0].Text, "Invalid input file type !");
        EXPECT_EQ(reader.JobLines.back(), LineDecryptFailed + exe.string());
        EXPECT_TRUE(fs::is_empty(out));
    }
}

TEST_F(SfxJobTest, OutputIsExecutableAsTheUmaskAllows)
{
    MakeInput(100);
    const mode_t saved = ::umask(0);
    for (const auto& [mask, mode] :
         {std::pair<mode_t, unsigned>{022, 0755}, {077, 0700}, {027, 0750}, {002, 0755}}) {
        ::umask(mask);
        for (bool compressed : {false, true}) {
            const fs::path exe = workDir() / "report.exe";
            fs::remove(exe);
            ASSERT_EQ(Build(compressed, exe).Outcome, TJobOutcome::Finished);
            struct stat st
            {
            };
            ASSERT_EQ(::stat(exe.c_str(), &st), 0);
            EXPECT_EQ(st.st_mode & 07777, mode) << std::oct << "umask " << mask;
        }
    }
    ::umask(saved);
}

// The mended fault: the module is looked for before any file is created, so a file of the
// output's name stays as it was, and before the CRC-32 pass and the overwrite question.
TEST_F(SfxJobTest, MissingOrUnusableModuleLeavesAnExistingOutputUntouched)
{
    struct TModuleCase
    {
        const char* name;
        std::function<void(const fs::path&)> spoil;
    };
    const TModuleCase cases[] = {
        {"missing", [](const fs::path& m) { fs::remove(m); }},
        {"empty", [](const fs::path& m) { WriteBytes(m, {}); }},
        {"a directory",
         [](const fs::path& m) {
             fs::remove(m);
             fs::create_directory(m);
         }},
        {"a dangling symlink",
         [](const fs::path& m) {
             fs::remove(m);
             fs::create_symlink("nowhere", m);
         }},
    };
    std::vector<TModuleCase> all(std::begin(cases), std::end(cases));
    // Permissions do not bind root.
    if (::geteuid() != 0)
        all.push_back(
            {"unreadable", [](const fs::path& m) { fs::permissions(m, fs::perms::none); }});
    MakeInput(40000);
    options.IncludeCRC = true;
    const fs::path exe = workDir() / "report.exe";
    const std::vector<uint8_t> precious = {'k', 'e', 'e', 'p'};
    for (const TModuleCase& c : all) {
        for (bool compressed : {false, true}) {
            fs::remove_all(programDir() / SfxModuleName);
            WriteBytes(programDir() / SfxModuleName, module);
            c.spoil(programDir() / SfxModuleName);
            WriteBytes(exe, precious);
            TRecordingHost fresh;
            host = fresh;
            host.Answers = {TAnswer::Yes};
            const TJobResult result = Build(compressed, exe);
            EXPECT_EQ(result.Outcome, TJobOutcome::Unsupported) << c.name;
            ASSERT_EQ(host.Messages.size(), 1u) << c.name;
            EXPECT_EQ(host.Messages[0].Kind, TMessageKind::Error);
            EXPECT_EQ(host.Messages[0].Text,
                      "Unable to find SFX module. Please reinstall Morvane!");
            EXPECT_TRUE(host.Questions.empty()) << c.name;
            EXPECT_TRUE(host.WaitWindows.empty()) << c.name << ": CRC-32 pass ran";
            // No display was begun: the message box is all that happened.
            EXPECT_EQ(host.Events, (std::vector<std::string>{"Message:" + host.Messages[0].Text}))
                << c.name;
            EXPECT_EQ(ReadBytes(exe), precious) << c.name;
        }
    }
    // Nothing but the input and the untouched file: no temporary output was left either.
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(workDir()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"report.exe", "report.txt"}));
}

TEST_F(SfxJobTest, ModuleLookupIsBesideTheProgram)
{
    EXPECT_EQ(SfxModulePath("/opt/morvane"), fs::path("/opt/morvane/extractor.dat"));
    // The test program's own directory when none is given.
    EXPECT_EQ(SfxModulePath(), fs::read_symlink("/proc/self/exe").parent_path() / "extractor.dat");
}

TEST_F(SfxJobTest, StopDeletesTheWholeOutputModuleBytesIncluded)
{
    MakeInput(200000);
    const fs::path exe = workDir() / "report.exe";
    for (bool compressed : {false, true}) {
        TRecordingHost fresh;
        host = fresh;
        host.StopInLoopRound = 2;
        EXPECT_EQ(Build(compressed, exe).Outcome, TJobOutcome::Stopped);
        EXPECT_EQ(host.JobLines.back(), LineEncryptStopped + input.string());
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(workDir()))
            names.push_back(entry.path().filename().string());
        EXPECT_EQ(names, (std::vector<std::string>{"report.txt"}));
        EXPECT_EQ(ReadBytes(input), plain);
    }
}

TEST_F(SfxJobTest, GoldenSelfDecryptingFilesRestoreThroughTheirRange)
{
    const struct
    {
        const char* exe;
        const char* plain;
    } cases[] = {{"sfx-twofish-cbc-plain.exe", "mixed.bin"},
                 {"sfx-blowfish-ofb-compressed.exe", "text.txt"}};
    for (const auto& c : cases) {
        const fs::path exe = test::DataPath(std::string("golden/") + c.exe);
        const TSfxLocation location = LocateSfxContainer(exe);
        ASSERT_EQ(location.Fault, TSfxFault::None) << c.exe;
        EXPECT_EQ(location.Range.Begin, 50000) << c.exe;
        EXPECT_EQ(location.Range.End, static_cast<int64_t>(fs::file_size(exe)) - 16) << c.exe;
        const fs::path out = dir / "golden";
        fs::remove_all(out);
        fs::create_directory(out);
        TRecordingHost reader;
        reader.PasswordText = "golden password";
        const TJobResult result = DecryptFile(reader, {}, exe, out, location.Range);
        ASSERT_EQ(result.Outcome, TJobOutcome::Finished) << c.exe << reader.AllMessages();
        EXPECT_TRUE(result.Verified);
        EXPECT_EQ(ReadBytes(out / c.plain),
                  ReadBytes(test::DataPath(std::string("golden/") + c.plain)))
            << c.exe;
    }
}

} // namespace
} // namespace mv::engine
