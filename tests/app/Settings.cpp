// The settings file: its value forms, what a first run and a partial file give, the mended
// out-of-range indexes, and what every save leaves behind.
#include "tests/support/AppFixture.h"

#include "app/Settings.h"

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
    // The new file is written beside the old one first; a directory in its way fails the write
    // for every user, root included.
    std::filesystem::create_directory(SettingsFile().string() + ".new");
    EXPECT_FALSE(app::SaveSettings(window, SettingsFile()));
    EXPECT_EQ(ReadText(SettingsFile()), old);
}

} // namespace
} // namespace mv::test
