// The settings file: its value forms, what a first run and a partial file give, the mended
// out-of-range indexes, and what every save leaves behind.
#include "tests/support/AppFixture.h"

#include "app/Settings.h"
#include "platform/ProgramPath.h"
#include "tests/support/Environment.h"
#include "tests/support/FullDisk.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mv::test {
namespace {

using app::ParseIniInteger;

TEST(IniInteger, DecimalAndBothHexadecimalForms)
{
    struct
    {
        const char* Text;
        std::optional<int32_t> Value;
    } const cases[] = {
        {"0", 0},
        {"1", 1},
        {"42", 42},
        {"-3", -3},
        {"+7", 7},
        {"0x2", 2},
        {"0X1f", 31},
        {"$A", 10},
        {"$ff", 255},
        {"-$10", -16},
        {"2147483647", INT32_MAX},
        {"-2147483648", INT32_MIN},
        {"$FFFFFFFF", -1},
        {"2147483648", std::nullopt},
        {"0x100000000", std::nullopt},
        {"", std::nullopt},
        {"$", std::nullopt},
        {"0x", std::nullopt},
        {"yes", std::nullopt},
        {"1.0", std::nullopt},
        {"12abc", std::nullopt},
        {"0x1g", std::nullopt},
        {"- 1", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseIniInteger(c.Text), c.Value) << c.Text;
}

class Settings : public TAppFixture
{
protected:
    // The 14 keys as a save writes them, in order.
    static std::string File(const std::string& compress, const std::string& encWipe,
                            const std::string& encTest, const std::string& selfExtract,
                            const std::string& pass, const std::string& crc,
                            const std::string& decWipe, const std::string& decTest,
                            const std::string& algorithm, const std::string& mode,
                            const std::string& language, const std::string& associate,
                            const std::string& hint, const std::string& secure)
    {
        return "[Encoding]\nCompress=" + compress + "\nWipe=" + encWipe + "\nTest=" + encTest +
               "\nSelfExtract=" + selfExtract + "\nIncludePass=" + pass + "\nIncludeCRC=" + crc +
               "\n\n[Decoding]\nWipe=" + decWipe + "\nTest=" + decTest +
               "\n\n[Options]\nAlgorithm=" + algorithm + "\nCipherMode=" + mode +
               "\nLanguage=" + language + "\nAssociate=" + associate + "\nShowHint=" + hint +
               "\nSecureWipe=" + secure + "\n";
    }

    void ExpectEveryOptionOff()
    {
        for (const char* box :
             {"chkEncCompress", "chkEncWipeInput", "chkEncTestOutput", "chkEncSelfExtract",
              "chkIncludePass", "chkIncludeCRC", "chkDecWipeInput", "chkDecTestOutput",
              "chkAssociate", "chkShowHint", "chk3PassWipe"})
            EXPECT_FALSE(window.Checked(box)) << box;
        EXPECT_FALSE(variabile.EncCompress || variabile.EncWipeInput || variabile.SelfExtract ||
                     variabile.IncludePass || variabile.IncludeCRC || variabile.DecWipeInput ||
                     variabile.SecureWipe);
        EXPECT_FALSE(window.ShowHints());
        EXPECT_TRUE(associations.empty());
    }
};

TEST_F(Settings, FirstRunGivesEnglishTwofishCbcAndEveryOptionOff)
{
    Create();
    EXPECT_EQ(variabile.CurrentLanguage, 0);
    EXPECT_EQ(window.Text("btnExit"), "Exit");
    EXPECT_EQ(window.ItemIndex("edtAlgorithm"), 0);
    EXPECT_EQ(window.ItemIndex("edtCipherMode"), 0);
    EXPECT_EQ(window.ItemIndex("edtLanguage"), 0);
    EXPECT_EQ(variabile.AlgorithmIndex, 0);
    EXPECT_EQ(variabile.CipherModeIndex, 0);
    ExpectEveryOptionOff();
    EXPECT_FALSE(std::filesystem::exists(SettingsFile())) << "nothing is written while running";
}

TEST_F(Settings, OnlyLanguageOneStartsInRomanianWithEveryOptionOff)
{
    WriteText(SettingsFile(), "[Options]\nLanguage=1\n");
    Create();
    EXPECT_EQ(variabile.CurrentLanguage, 1);
    EXPECT_EQ(window.ItemIndex("edtLanguage"), 1);
    EXPECT_EQ(window.Text("btnExit"), "Iesire");
    EXPECT_EQ(variabile.Text(app::TText::MsgNoPassword), "Nu ati introdus parola !");
    ExpectEveryOptionOff();
}

TEST_F(Settings, EveryFlagRunsItsHandlerWhenRead)
{
    WriteText(SettingsFile(),
              File("1", "1", "1", "1", "1", "1", "1", "1", "3", "2", "0", "1", "1", "1"));
    Create();
    EXPECT_TRUE(variabile.EncCompress && variabile.EncWipeInput && variabile.SelfExtract &&
                variabile.IncludePass && variabile.IncludeCRC && variabile.DecWipeInput &&
                variabile.SecureWipe);
    EXPECT_TRUE(window.Checked("chkEncTestOutput"));
    EXPECT_TRUE(window.Checked("chkDecTestOutput"));
    EXPECT_TRUE(window.ShowHints());
    EXPECT_EQ(associations, std::vector<bool>{true}) << "Associate=1 writes it at every start";
    EXPECT_EQ(variabile.AlgorithmIndex, 3);
    EXPECT_EQ(variabile.CipherModeIndex, 2);
    // SelfExtract ran the output rule on the still empty output field.
    EXPECT_EQ(window.Text("edtEncOutput"), "");
}

TEST_F(Settings, ValueFormsAndCaseOfNames)
{
    struct
    {
        const char* Name;
        std::string Text;
        int Algorithm;
        int Mode;
        bool Compress;
        bool Hint;
    } const cases[] = {
        {"hexadecimal 0x", "[Options]\nAlgorithm=0x2\nCipherMode=0x3\n", 2, 3, false, false},
        {"hexadecimal $", "[Options]\nAlgorithm=$5\nCipherMode=$1\n", 5, 1, false, false},
        {"names in any case", "[ENCODING]\ncompress=1\n[options]\nALGORITHM=4\nshowhint=2\n", 4, 0,
         true, true},
        {"flag as any non-zero integer", "[Encoding]\nCompress=-1\n[Options]\nShowHint=$10\n", 0, 0,
         true, true},
        {"not an integer reads as default", "[Encoding]\nCompress=yes\n[Options]\nAlgorithm=x\n", 0,
         0, false, false},
        {"first of a repeated key", "[Options]\nAlgorithm=1\nAlgorithm=2\n", 1, 0, false, false},
        {"out of range reads as default", "[Options]\nAlgorithm=6\nCipherMode=4\n", 0, 0, false,
         false},
        {"negative reads as default", "[Options]\nAlgorithm=-1\nCipherMode=$FFFFFFFF\n", 0, 0,
         false, false},
        {"key in the wrong section is not read", "[Encoding]\nAlgorithm=3\n", 0, 0, false, false},
    };
    for (const auto& c : cases) {
        TTempDir dir;
        WriteText(dir / "Morvane.ini", c.Text);
        app::THeadlessWindow w;
        app::TVariabile v;
        app::TMainServices services = Services();
        services.ProgramDirectory = dir.Path();
        app::TMainForm f(w, v, std::move(services));
        f.FormCreate({});
        EXPECT_EQ(w.ItemIndex("edtAlgorithm"), c.Algorithm) << c.Name;
        EXPECT_EQ(v.AlgorithmIndex, c.Algorithm) << c.Name;
        EXPECT_EQ(w.ItemIndex("edtCipherMode"), c.Mode) << c.Name;
        EXPECT_EQ(v.CipherModeIndex, c.Mode) << c.Name;
        EXPECT_EQ(v.EncCompress, c.Compress) << c.Name;
        EXPECT_EQ(w.ShowHints(), c.Hint) << c.Name;
    }
}

TEST_F(Settings, LanguageOutOfRangeStartsInEnglish)
{
    WriteText(SettingsFile(), "[Options]\nLanguage=2\n");
    Create();
    EXPECT_EQ(window.ItemIndex("edtLanguage"), 0);
    EXPECT_EQ(variabile.CurrentLanguage, 0);
    EXPECT_EQ(variabile.Text(app::TText::MsgNoEncryptInput), "Please select a file to encrypt !");
}

TEST_F(Settings, UnreadableFileGivesTheDefaults)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads every file";
    WriteText(SettingsFile(), "[Options]\nLanguage=1\n");
    ::chmod(SettingsFile().c_str(), 0);
    Create();
    EXPECT_EQ(variabile.CurrentLanguage, 0);
    EXPECT_EQ(window.Text("btnExit"), "Exit");
    EXPECT_FALSE(variabile.Text(app::TText::MsgNoPassword).empty());
}

TEST_F(Settings, ADirectoryInPlaceOfTheFileGivesTheDefaults)
{
    std::filesystem::create_directory(SettingsFile());
    Create();
    EXPECT_EQ(variabile.CurrentLanguage, 0);
    EXPECT_EQ(window.Text("btnExit"), "Exit");
}

TEST_F(Settings, SaveWritesExactlyTheFourteenKeysFromTheControls)
{
    WriteText(SettingsFile(), "[Options]\nLanguage=1\nMyKey=5\n[Extra]\nA=1\n; a comment\n");
    Create();
    window.SetChecked("chkEncTestOutput", true);
    window.SetChecked("chkIncludeCRC", true);
    window.SetChecked("chkDecTestOutput", true);
    window.SetItemIndex("edtAlgorithm", 5);
    window.SetItemIndex("edtCipherMode", 1);
    // The controls count, not the globals.
    variabile.AlgorithmIndex = 0;
    variabile.IncludeCRC = false;
    ASSERT_TRUE(window.UserClick("btnExit"));
    EXPECT_TRUE(window.IsClosed());
    EXPECT_EQ(ReadText(SettingsFile()),
              File("0", "0", "1", "0", "0", "1", "0", "1", "5", "1", "1", "0", "0", "0"));
}

TEST_F(Settings, RoundTripKeepsEveryControlState)
{
    Create();
    window.SetChecked("chkEncCompress", true);
    window.SetChecked("chkEncTestOutput", true);
    window.SetChecked("chkIncludePass", true);
    window.SetChecked("chkDecWipeInput", true);
    window.SetChecked("chkDecTestOutput", true);
    window.SetChecked("chkShowHint", true);
    window.SetChecked("chk3PassWipe", true);
    window.UserClick("btnOptions");
    window.UserSelect("edtAlgorithm", 2);
    window.UserSelect("edtCipherMode", 3);
    window.UserSelect("edtLanguage", 1);
    window.Close();

    app::THeadlessWindow second;
    app::TVariabile secondVariabile;
    app::TMainForm next(second, secondVariabile, Services());
    next.FormCreate({});
    for (const char* box : {"chkEncCompress", "chkEncTestOutput", "chkIncludePass",
                            "chkDecWipeInput", "chkDecTestOutput", "chkShowHint", "chk3PassWipe"})
        EXPECT_TRUE(second.Checked(box)) << box;
    for (const char* box :
         {"chkEncWipeInput", "chkEncSelfExtract", "chkIncludeCRC", "chkAssociate"})
        EXPECT_FALSE(second.Checked(box)) << box;
    EXPECT_EQ(secondVariabile.AlgorithmIndex, 2);
    EXPECT_EQ(secondVariabile.CipherModeIndex, 3);
    EXPECT_EQ(secondVariabile.CurrentLanguage, 1);
    EXPECT_TRUE(secondVariabile.EncCompress && secondVariabile.IncludePass &&
                secondVariabile.DecWipeInput && secondVariabile.SecureWipe);
}

TEST_F(Settings, AFailedSaveLeavesTheOldFile)
{
    const std::string old = "[Options]\nLanguage=1\n";
    WriteText(SettingsFile(), old);
    Create();
    std::string reason;
    {
        // Every write beyond a few bytes fails, for every user, root included.
        TFileSizeLimit limit(8);
        EXPECT_FALSE(app::SaveSettings(window, SettingsFile(), &reason));
    }
    EXPECT_EQ(reason, std::strerror(EFBIG));
    EXPECT_EQ(ReadText(SettingsFile()), old);
    EXPECT_EQ(programDir.Names(), std::vector<std::string>{"Morvane.ini"}) << "no new file left";
}

// ---- Where the file is -------------------------------------------------------------------------

enum class TPortable
{
    Absent,
    Writable,
    Directory,
    Fifo,
};

TEST_F(Settings, TheFileIsBesideTheProgramOnlyInAPortableCopy)
{
    const struct
    {
        const char* Name;
        TPortable Portable;
        std::optional<std::string> XdgConfigHome; // nothing: unset
        const char* Expected;                     // "beside", "xdg" or "home"
    } cases[] = {
        {"portable file, XDG set", TPortable::Writable, "xdg", "beside"},
        {"portable file, XDG unset", TPortable::Writable, std::nullopt, "beside"},
        {"absent, XDG set", TPortable::Absent, "xdg", "xdg"},
        {"absent, XDG unset", TPortable::Absent, std::nullopt, "home"},
        {"absent, XDG empty", TPortable::Absent, "", "home"},
        {"absent, XDG relative", TPortable::Absent, "relative/config", "home"},
        {"a directory of that name", TPortable::Directory, "xdg", "xdg"},
        {"a FIFO of that name", TPortable::Fifo, std::nullopt, "home"},
    };
    TTempDir root;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        std::filesystem::remove_all(SettingsFile());
        if (c.Portable == TPortable::Writable)
            WriteText(SettingsFile(), "[Options]\nLanguage=1\n");
        if (c.Portable == TPortable::Directory)
            std::filesystem::create_directory(SettingsFile());
        if (c.Portable == TPortable::Fifo) {
            ASSERT_EQ(::mkfifo(SettingsFile().c_str(), 0600), 0);
        }
        const std::string xdg = (root / "xdg").string();
        TEnvironmentVariable home("HOME", (root / "home").string());
        TEnvironmentVariable config("XDG_CONFIG_HOME", c.XdgConfigHome && *c.XdgConfigHome == "xdg"
                                                           ? xdg
                                                           : c.XdgConfigHome);
        const std::filesystem::path expected = std::string(c.Expected) == "beside" ? SettingsFile()
                                               : std::string(c.Expected) == "xdg"
                                                   ? root / "xdg/Morvane/Morvane.ini"
                                                   : root / "home/.config/Morvane/Morvane.ini";
        EXPECT_EQ(app::SettingsPath(programDir.Path(), platform::ConfigHome()), expected);

        // The form reads and writes the same file; a FIFO there holds nothing up.
        app::THeadlessWindow w;
        app::TVariabile v;
        app::TMainServices services = Services();
        services.ConfigHome = platform::ConfigHome();
        app::TMainForm f(w, v, std::move(services));
        f.FormCreate({});
        EXPECT_EQ(f.SettingsFile(), expected);
        EXPECT_EQ(v.CurrentLanguage, c.Portable == TPortable::Writable ? 1 : 0);
        w.UserClick("btnExit");
        EXPECT_TRUE(w.Messages().empty());
        EXPECT_TRUE(std::filesystem::is_regular_file(expected));
        std::filesystem::remove_all(root / "xdg");
        std::filesystem::remove_all(root / "home");
    }
}

// A program directory whose Morvane.ini cannot be rewritten by this user. Root writes through any
// permission, so for root the directory is a tmpfs mounted read-only.
class TReadOnlyProgramDirectory
{
public:
    TReadOnlyProgramDirectory(const std::filesystem::path& directory, const std::string& settings)
        : directory_(directory)
    {
        std::filesystem::create_directories(directory);
        if (::geteuid() == 0) {
            if (::mount("tmpfs", directory.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=64k") != 0)
                return;
            mounted_ = true;
            WriteText(directory / "Morvane.ini", settings);
            ready_ = ::mount(nullptr, directory.c_str(), nullptr,
                             MS_REMOUNT | MS_RDONLY | MS_NOSUID | MS_NODEV, nullptr) == 0;
        } else {
            WriteText(directory / "Morvane.ini", settings);
            ready_ = ::chmod((directory / "Morvane.ini").c_str(), 0444) == 0;
        }
    }
    ~TReadOnlyProgramDirectory()
    {
        if (mounted_)
            ::umount2(directory_.c_str(), MNT_DETACH);
    }
    bool Ready() const { return ready_; }

private:
    std::filesystem::path directory_;
    bool mounted_ = false;
    bool ready_ = false;
};

TEST_F(Settings, APortableFileThatCannotBeRewrittenLeavesTheUsersOwnInCharge)
{
    const std::filesystem::path program = programDir / "readonly";
    const std::string portable = "[Options]\nLanguage=0\nAlgorithm=4\n";
    TReadOnlyProgramDirectory readOnly(program, portable);
    if (!readOnly.Ready())
        GTEST_SKIP() << "no read-only directory could be made here";
    std::filesystem::create_directories(UserSettingsFile().parent_path());
    WriteText(UserSettingsFile(), "[Options]\nLanguage=1\nAlgorithm=2\n");

    EXPECT_EQ(app::SettingsPath(program, configDir.Path()), UserSettingsFile());
    app::TMainServices services = Services();
    services.ProgramDirectory = program;
    CreateWith(std::move(services));
    EXPECT_EQ(variabile.CurrentLanguage, 1);
    EXPECT_EQ(variabile.AlgorithmIndex, 2);
    window.SetChecked("chkIncludeCRC", true);
    window.UserClick("btnExit");
    EXPECT_TRUE(window.Messages().empty());
    EXPECT_NE(ReadText(UserSettingsFile()).find("IncludeCRC=1"), std::string::npos);
    EXPECT_EQ(ReadText(program / "Morvane.ini"), portable);
}

// ---- How the file is written -------------------------------------------------------------------

TEST_F(Settings, TheUsersFileAndItsDirectoryArePrivate)
{
    ::mode_t old = ::umask(0);
    Create();
    window.UserClick("btnExit");
    ::umask(old);
    struct stat file
    {
    };
    struct stat directory
    {
    };
    ASSERT_EQ(::stat(UserSettingsFile().c_str(), &file), 0);
    ASSERT_EQ(::stat(UserSettingsFile().parent_path().c_str(), &directory), 0);
    EXPECT_EQ(file.st_mode & 07777, 0600u);
    EXPECT_EQ(directory.st_mode & 07777, 0700u);
    EXPECT_EQ(ReadText(UserSettingsFile()),
              File("0", "0", "0", "0", "0", "0", "0", "0", "0", "0", "0", "0", "0", "0"));
}

TEST_F(Settings, ALinkPlantedBesideTheFileIsNeverFollowed)
{
    const struct
    {
        const char* Name;
        bool Portable;
        bool VictimExists;
    } cases[] = {
        {"beside the program, to a file", true, true},
        {"beside the program, dangling", true, false},
        {"user's place, to a file", false, true},
        {"user's place, dangling", false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TTempDir elsewhere;
        const std::filesystem::path victim = elsewhere / "victim";
        if (c.VictimExists)
            WriteText(victim, "the victim's own text\n");
        const std::filesystem::path file = c.Portable ? SettingsFile() : UserSettingsFile();
        for (const std::string& name : programDir.Names())
            std::filesystem::remove_all(programDir / name);
        std::filesystem::remove_all(configDir / "Morvane");
        std::filesystem::create_directories(file.parent_path());
        if (c.Portable)
            WriteText(file, "[Options]\nLanguage=1\n");
        std::filesystem::create_symlink(victim, file.string() + ".new");

        app::THeadlessWindow w;
        app::TVariabile v;
        app::TMainForm f(w, v, Services());
        f.FormCreate({});
        ASSERT_EQ(f.SettingsFile(), file);
        w.UserClick("btnExit");
        EXPECT_TRUE(w.Messages().empty());

        if (c.VictimExists)
            EXPECT_EQ(ReadText(victim), "the victim's own text\n");
        else
            EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(victim)));
        EXPECT_TRUE(std::filesystem::is_symlink(file.string() + ".new")) << "left alone";
        EXPECT_EQ(std::filesystem::read_symlink(file.string() + ".new"), victim);
        EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(file)));
        EXPECT_EQ(ReadText(file), File("0", "0", "0", "0", "0", "0", "0", "0", "0", "0",
                                       c.Portable ? "1" : "0", "0", "0", "0"));
        // Only the file, the planted link and no other new file.
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(file.parent_path()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, (std::vector<std::string>{"Morvane.ini", "Morvane.ini.new"}));
    }
}

TEST_F(Settings, AFifoWhereTheUsersFileShouldBeHoldsNothingUp)
{
    std::filesystem::create_directories(UserSettingsFile().parent_path());
    ASSERT_EQ(::mkfifo(UserSettingsFile().c_str(), 0600), 0);
    Create();
    EXPECT_EQ(variabile.CurrentLanguage, 0);
    EXPECT_EQ(window.Text("btnExit"), "Exit");
    window.UserClick("btnExit");
    EXPECT_TRUE(window.Messages().empty());
    EXPECT_TRUE(std::filesystem::is_regular_file(UserSettingsFile())) << "replaced by the save";
}

TEST_F(Settings, AFailedSaveTellsTheUserOnceWithThePathAndTheReason)
{
    enum class TCause
    {
        ConfigHomeIsAFile,
        DiskFull,
    };
    const struct
    {
        int Language;
        TCause Cause;
        const char* Start;
        int Code;
    } cases[] = {
        {0, TCause::ConfigHomeIsAFile, "Unable to save the options.\n", ENOTDIR},
        {1, TCause::ConfigHomeIsAFile, "Optiunile nu au putut fi salvate.\n", ENOTDIR},
        {0, TCause::DiskFull, "Unable to save the options.\n", EFBIG},
        {1, TCause::DiskFull, "Optiunile nu au putut fi salvate.\n", EFBIG},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Language);
        TTempDir root;
        app::TMainServices services = Services();
        std::filesystem::path file;
        if (c.Cause == TCause::ConfigHomeIsAFile) {
            WriteText(root / "config", "not a directory");
            services.ConfigHome = root / "config";
            file = root / "config/Morvane/Morvane.ini";
        } else {
            services.ProgramDirectory = root.Path();
            WriteText(root / "Morvane.ini", "[Options]\nAlgorithm=3\n");
            file = root / "Morvane.ini";
        }
        app::THeadlessWindow w;
        app::TVariabile v;
        app::TMainForm f(w, v, std::move(services));
        f.FormCreate({});
        w.UserClick("btnOptions");
        w.UserSelect("edtLanguage", c.Language);
        {
            std::optional<TFileSizeLimit> limit;
            if (c.Cause == TCause::DiskFull)
                limit.emplace(8);
            ASSERT_TRUE(w.UserClick("btnExit"));
        }
        EXPECT_TRUE(w.IsClosed());
        ASSERT_EQ(w.Messages().size(), 1u);
        EXPECT_EQ(w.Messages()[0].Kind, engine::TMessageKind::Error);
        EXPECT_EQ(w.Messages()[0].Text, c.Start + file.string() + "\n" + std::strerror(c.Code));
        if (c.Cause == TCause::DiskFull) {
            EXPECT_EQ(ReadText(file), "[Options]\nAlgorithm=3\n");
            EXPECT_EQ(root.Names(), std::vector<std::string>{"Morvane.ini"});
        }
    }
}

TEST_F(Settings, ALeftoverBesideTheFileDoesNotStopTheSave)
{
    // An earlier save that died between creating its new file and renaming it, or anything else
    // of that name: the save takes another name and leaves it alone.
    WriteText(SettingsFile(), "[Options]\nLanguage=1\n");
    std::filesystem::create_directory(SettingsFile().string() + ".new");
    Create();
    ASSERT_TRUE(app::SaveSettings(window, SettingsFile()));
    EXPECT_EQ(ReadText(SettingsFile()),
              File("0", "0", "0", "0", "0", "0", "0", "0", "0", "0", "1", "0", "0", "0"));
    EXPECT_TRUE(std::filesystem::is_directory(SettingsFile().string() + ".new"));
    EXPECT_EQ(programDir.Names(), (std::vector<std::string>{"Morvane.ini", "Morvane.ini.new"}));
}

} // namespace
} // namespace mv::test
