// The main form's creation, navigation, option controls, status line, Stop and Exit.
#include "tests/support/AppFixture.h"

#include "app/MainControls.h"

namespace mv::test {
namespace {

class MainForm : public TAppFixture
{
};

TEST_F(MainForm, CreatedWithoutArgumentOpensOnTheEncryptPage)
{
    Create();
    EXPECT_EQ(window.PageIndex(), app::PageEncrypt);
    EXPECT_EQ(window.Text("lblTopCaption"), "Encrypt");
    EXPECT_EQ(window.Text("btnStart"), "Encrypt !");
    EXPECT_TRUE(window.Enabled("btnStart"));
    EXPECT_EQ(window.Text("edtDecOutput"), Home());
    EXPECT_EQ(variabile.DecOutputPath, Home());
    EXPECT_EQ(window.Text("edtTempPath"), Temp());
    EXPECT_FALSE(window.Enabled("edtTempPath"));
    EXPECT_FALSE(window.Enabled("btnTempPath"));
    EXPECT_FALSE(window.Enabled("btnStop"));
    EXPECT_EQ(window.Items("edtAlgorithm").size(), 6u);
    EXPECT_EQ(window.Items("edtAlgorithm")[2], "Rc2 (max key size : 1024 bits)");
    EXPECT_EQ(window.Items("edtCipherMode")[1], "Cipher Feedback Old ( CFB 8 bit )");
    EXPECT_EQ(window.Items("edtLanguage"), (std::vector<std::string>{"English", "Romana"}));
    EXPECT_EQ(window.Text("DownBar"), "  Morvane v0.5 beta 3 ( 0.5.1.70 )  -  [ 6 algorithms, 4 "
                                      "modes, 0 plugins ] loaded  -  BETA RELEASE");
    EXPECT_TRUE(window.Messages().empty());
}

TEST_F(MainForm, StatusLineSingularForExactlyOnePlugin)
{
    const struct
    {
        int Count;
        const char* Ending;
    } cases[] = {{0, "0 plugins ] loaded  -  BETA RELEASE"},
                 {1, "1 plugin ] loaded  -  BETA RELEASE"},
                 {2, "2 plugins ] loaded  -  BETA RELEASE"},
                 {16, "16 plugins ] loaded  -  BETA RELEASE"}};
    for (const auto& c : cases) {
        const std::string line = app::StatusLineText("0.5.1.70", c.Count);
        EXPECT_EQ(line, std::string("  Morvane v0.5 beta 3 ( 0.5.1.70 )  -  [ 6 algorithms, 4 "
                                    "modes, ") +
                            c.Ending);
    }
    pluginCount = 1;
    Create();
    EXPECT_EQ(window.Text("DownBar"), app::StatusLineText("0.5.1.70", 1));
}

TEST_F(MainForm, FirstArgumentOpensTheDecryptPage)
{
    const struct
    {
        std::string Argument;
        std::string Directory;
    } cases[] = {{"/data/a.mvx", "/data/"}, {"/a.mvx", "/"}, {"a.mvx", ""}, {"/d/x/", "/d/x/"}};
    for (const auto& c : cases) {
        app::THeadlessWindow w;
        app::TVariabile v;
        app::TMainForm f(w, v, Services());
        f.FormCreate({c.Argument, "/ignored/second.mvx"});
        EXPECT_EQ(w.PageIndex(), app::PageDecrypt) << c.Argument;
        EXPECT_EQ(w.Text("btnStart"), "Decrypt !");
        EXPECT_EQ(w.Text("edtDecInput"), c.Argument);
        EXPECT_EQ(w.Hint("edtDecInput"), c.Argument);
        EXPECT_EQ(v.DecInputFile, c.Argument);
        EXPECT_EQ(w.Text("edtDecOutput"), c.Directory);
        EXPECT_EQ(w.Hint("edtDecOutput"), c.Directory);
        EXPECT_EQ(v.DecOutputPath, c.Directory);
    }
}

TEST_F(MainForm, ArgumentWithoutDirectoryMakesStartAskForTheOutputPath)
{
    Create({"a.mvx"});
    window.UserType("edtPassword", "pw");
    ASSERT_TRUE(window.UserClick("btnStart"));
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Please select output path !"});
    EXPECT_EQ(window.FocusedControl(), "edtDecOutput");
    EXPECT_TRUE(calls.empty());
}

struct TNavigationCase
{
    const char* Button;
    int Page;
    const char* Title;
    const char* StartCaption; // nullptr: unchanged
    bool StartEnabled;
};

TEST_F(MainForm, NavigationSelectsPageTitleAndStart)
{
    // clang-format off
    const TNavigationCase cases[] = {
        {"btnDecrypt", 1, "Decrypt", "Decrypt !", true},
        {"btnTools", 2, "Tools", nullptr, false},
        {"btnOptions", 3, "Options", nullptr, false},
        {"btnEncrypt", 0, "Encrypt", "Encrypt !", true},
        {"btnAbout", 4, "About", nullptr, false},
        {"btnStatus", 5, "Status", nullptr, false},
        {"btnDecrypt", 1, "Decrypt", "Decrypt !", true},
        {"btnStatus", 5, "Status", nullptr, false},
    };
    // clang-format on
    Create();
    for (const TNavigationCase& c : cases) {
        const std::string captionBefore = window.Text("btnStart");
        ASSERT_TRUE(window.UserClick(c.Button)) << c.Button;
        EXPECT_EQ(window.PageIndex(), c.Page) << c.Button;
        EXPECT_EQ(window.Text("lblTopCaption"), c.Title) << c.Button;
        EXPECT_EQ(window.Text("btnStart"), c.StartCaption ? c.StartCaption : captionBefore);
        EXPECT_EQ(window.Enabled("btnStart"), c.StartEnabled) << c.Button;
        EXPECT_EQ(window.Reachable("btnStart"), c.StartEnabled) << c.Button;
    }
    EXPECT_EQ(pagesShown,
              (std::vector<std::string>{"tabDecrypt", "tabTools", "tabOptions", "tabEncrypt",
                                        "tabAbout", "tabStatus", "tabDecrypt", "tabStatus"}));
}

TEST_F(MainForm, NavigationInRomanian)
{
    WriteText(SettingsFile(), "[Options]\nLanguage=1\n");
    Create();
    const struct
    {
        const char* Button;
        const char* Title;
    } cases[] = {{"btnEncrypt", "Criptare"}, {"btnDecrypt", "Decriptare"}, {"btnTools", "Unelte"},
                 {"btnOptions", "Optiuni"},  {"btnAbout", "Despre"},       {"btnStatus", "Status"}};
    for (const auto& c : cases) {
        window.UserClick(c.Button);
        EXPECT_EQ(window.Text("lblTopCaption"), c.Title) << c.Button;
    }
}

TEST_F(MainForm, CheckBoxesSetTheirGlobalsAlsoWhenSetFromCode)
{
    struct TCase
    {
        const char* Box;
        bool app::TVariabile::*Global;
    };
    const TCase cases[] = {
        {"chkEncCompress", &app::TVariabile::EncCompress},
        {"chkEncWipeInput", &app::TVariabile::EncWipeInput},
        {"chkIncludePass", &app::TVariabile::IncludePass},
        {"chkIncludeCRC", &app::TVariabile::IncludeCRC},
        {"chkDecWipeInput", &app::TVariabile::DecWipeInput},
        {"chk3PassWipe", &app::TVariabile::SecureWipe},
        {"chkEncSelfExtract", &app::TVariabile::SelfExtract},
    };
    Create();
    for (const TCase& c : cases) {
        window.SetChecked(c.Box, true);
        EXPECT_TRUE(variabile.*c.Global) << c.Box;
        for (const TCase& other : cases) {
            if (&other != &c) {
                EXPECT_FALSE(variabile.*other.Global) << c.Box << " set " << other.Box;
            }
        }
        window.Click(c.Box); // a click toggles it back
        EXPECT_FALSE(variabile.*c.Global) << c.Box;
    }
}

TEST_F(MainForm, HintsAssociationAndTheTwoStoredOnlyBoxes)
{
    Create();
    window.SetChecked("chkShowHint", true);
    EXPECT_TRUE(window.ShowHints());
    window.SetChecked("chkShowHint", false);
    EXPECT_FALSE(window.ShowHints());
    window.SetChecked("chkAssociate", true);
    window.SetChecked("chkAssociate", false);
    EXPECT_EQ(associations, (std::vector<bool>{true, false}));
    // The two test boxes are stored and restored only: no option changes with them.
    window.SetChecked("chkEncTestOutput", true);
    window.SetChecked("chkDecTestOutput", true);
    EXPECT_FALSE(variabile.EncCompress || variabile.EncWipeInput || variabile.SelfExtract ||
                 variabile.IncludePass || variabile.IncludeCRC || variabile.DecWipeInput ||
                 variabile.SecureWipe);
}

TEST_F(MainForm, ListsSetTheirIndexesWhenTheUserChooses)
{
    Create();
    ASSERT_TRUE(window.UserClick("btnOptions"));
    for (int i = 5; i >= 0; --i) {
        ASSERT_TRUE(window.UserSelect("edtAlgorithm", i));
        EXPECT_EQ(variabile.AlgorithmIndex, i);
    }
    for (int i = 3; i >= 0; --i) {
        ASSERT_TRUE(window.UserSelect("edtCipherMode", i));
        EXPECT_EQ(variabile.CipherModeIndex, i);
    }
    // Set by the program, a list runs no handler.
    window.SetItemIndex("edtAlgorithm", 3);
    EXPECT_EQ(variabile.AlgorithmIndex, 0);
}

TEST_F(MainForm, StopOnlySetsTheRequestAndExitSavesAndCloses)
{
    Create();
    window.Click("btnStop");
    EXPECT_TRUE(variabile.StopRequested);
    EXPECT_TRUE(calls.empty());
    EXPECT_TRUE(window.Messages().empty());
    ASSERT_TRUE(window.UserClick("btnExit"));
    EXPECT_TRUE(window.IsClosed());
    // No portable copy's file beside the program: the user's own.
    EXPECT_TRUE(std::filesystem::exists(UserSettingsFile()));
    EXPECT_FALSE(std::filesystem::exists(SettingsFile()));
}

TEST_F(MainForm, AfterAJobStartStaysDisabledUntilEncryptOrDecrypt)
{
    Create();
    form->JobHost().BeginDisplay("Task : Encrypting /d/a");
    form->JobHost().FinishedDisplay("Encryption OK >> /d/a", false);
    EXPECT_EQ(window.PageIndex(), app::PageStatus);
    EXPECT_FALSE(window.UserClick("btnStart"));
    ASSERT_TRUE(window.UserClick("btnEncrypt"));
    EXPECT_TRUE(window.Reachable("btnStart"));
}

} // namespace
} // namespace mv::test
