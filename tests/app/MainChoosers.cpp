// The choosers' handlers, the output extension rule and the temporary-directory controls.
#include "tests/support/AppFixture.h"

#include "app/OutputName.h"

namespace mv::test {
namespace {

TEST(OutputName, ExtensionRuleAndDirectoryPart)
{
    const struct
    {
        const char* Path;
        const char* Mvx;
        const char* Exe;
    } cases[] = {
        {"/docs/report.txt", "/docs/report.mvx", "/docs/report.exe"},
        {"/docs/notes", "/docs/notes.mvx", "/docs/notes.exe"},
        {"/v1.2/data", "/v1.2/data.mvx", "/v1.2/data.exe"},
        {"/x.mvx", "/x.mvx", "/x.exe"},
        {"/a/b.tar.gz", "/a/b.tar.mvx", "/a/b.tar.exe"},
        {"name.", "name.mvx", "name.exe"},
        {"/home/u/.profile", "/home/u/.profile.mvx", "/home/u/.profile.exe"},
        {"plain", "plain.mvx", "plain.exe"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(app::ChangeFileExtension(c.Path, app::OutputExtension(false)), c.Mvx) << c.Path;
        EXPECT_EQ(app::ChangeFileExtension(c.Path, app::OutputExtension(true)), c.Exe) << c.Path;
    }
    EXPECT_EQ(app::DirectoryPart("/d/a/b.mvx"), "/d/a/");
    EXPECT_EQ(app::DirectoryPart("/b.mvx"), "/");
    EXPECT_EQ(app::DirectoryPart("b.mvx"), "");
}

class Choosers : public TAppFixture
{
};

TEST_F(Choosers, EncryptInputProposesTheOutput)
{
    Create();
    window.QueueChooserAnswer("/docs/report.txt");
    ASSERT_TRUE(window.UserClick("btnEncInput"));
    EXPECT_EQ(window.ChooserRequests(),
              std::vector<std::string>{
                  "open:All files (*.*)|*.*|Text files (*.txt)|*.TXT|Programs (*.exe)|*.EXE"});
    EXPECT_EQ(window.Text("edtEncInput"), "/docs/report.txt");
    EXPECT_EQ(window.Hint("edtEncInput"), "/docs/report.txt");
    EXPECT_EQ(variabile.EncInputFile, "/docs/report.txt");
    EXPECT_EQ(window.Text("edtEncOutput"), "/docs/report.mvx");
    EXPECT_EQ(window.Hint("edtEncOutput"), "/docs/report.mvx");
    EXPECT_EQ(variabile.EncOutputFile, "/docs/report.mvx");

    window.SetChecked("chkEncSelfExtract", true);
    window.QueueChooserAnswer("/docs/other.txt");
    ASSERT_TRUE(window.UserClick("btnEncInput"));
    EXPECT_EQ(variabile.EncOutputFile, "/docs/other.exe");
}

TEST_F(Choosers, CancelledChoosersChangeNothing)
{
    Create();
    for (const char* button : {"btnEncInput", "btnEncOutput"})
        ASSERT_TRUE(window.UserClick(button));
    window.UserClick("btnDecrypt");
    for (const char* button : {"btnDecInput", "btnDecOutput"})
        ASSERT_TRUE(window.UserClick(button));
    window.UserClick("btnOptions");
    window.UserClick("FlatRadioButton2");
    ASSERT_TRUE(window.UserClick("btnTempPath"));
    EXPECT_EQ(window.ChooserRequests().size(), 5u);
    EXPECT_EQ(window.Text("edtEncInput"), "");
    EXPECT_EQ(window.Text("edtEncOutput"), "");
    EXPECT_EQ(window.Text("edtDecInput"), "");
    EXPECT_EQ(window.Text("edtDecOutput"), Home());
    EXPECT_EQ(window.Text("edtTempPath"), Temp());
    EXPECT_EQ(variabile.EncOutputFile, "");
    EXPECT_EQ(variabile.DecOutputPath, Home());
}

TEST_F(Choosers, AContainerAsInputIsProposedAsItsOwnOutputAndRefused)
{
    Create();
    window.QueueChooserAnswer("/x.mvx");
    window.UserClick("btnEncInput");
    EXPECT_EQ(window.Text("edtEncOutput"), "/x.mvx");
    window.UserType("edtPassword", "pw");
    window.UserClick("btnStart");
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Input and output must not be the same !"});
}

TEST_F(Choosers, SaveDialogDecidesTheExtensionByTheOutputKind)
{
    Create();
    window.QueueChooserAnswer("/out/name.txt");
    ASSERT_TRUE(window.UserClick("btnEncOutput"));
    EXPECT_EQ(window.ChooserRequests().back(),
              "save:Morvane files (*.mvx)|*.MVX|All files (*.*)|*.*");
    EXPECT_EQ(window.Text("edtEncOutput"), "/out/name.mvx");
    EXPECT_EQ(window.Hint("edtEncOutput"), "/out/name.mvx");
    EXPECT_EQ(variabile.EncOutputFile, "/out/name.mvx");
    window.SetChecked("chkEncSelfExtract", true);
    window.QueueChooserAnswer("/out/name.txt");
    window.UserClick("btnEncOutput");
    EXPECT_EQ(variabile.EncOutputFile, "/out/name.exe");
}

TEST_F(Choosers, SelfExtractSwitchesTheExtensionBackAndForth)
{
    Create();
    window.UserType("edtEncOutput", "/out/x.dat");
    EXPECT_EQ(variabile.EncOutputFile, "/out/x.dat") << "typing updates the global at once";
    window.UserClick("chkEncSelfExtract");
    EXPECT_EQ(window.Text("edtEncOutput"), "/out/x.exe");
    EXPECT_EQ(variabile.EncOutputFile, "/out/x.exe");
    EXPECT_TRUE(variabile.SelfExtract);
    window.UserClick("chkEncSelfExtract");
    EXPECT_EQ(window.Text("edtEncOutput"), "/out/x.mvx");
    EXPECT_EQ(variabile.EncOutputFile, "/out/x.mvx");
    EXPECT_FALSE(variabile.SelfExtract);

    window.UserType("edtEncOutput", "");
    window.UserClick("chkEncSelfExtract");
    EXPECT_EQ(window.Text("edtEncOutput"), "") << "an empty field stays empty";
    EXPECT_TRUE(variabile.SelfExtract);
}

TEST_F(Choosers, DecryptInputSetsTheDirectoryAndAFolderReplacesIt)
{
    Create();
    window.UserClick("btnDecrypt");
    window.QueueChooserAnswer("/a/b.mvx");
    ASSERT_TRUE(window.UserClick("btnDecInput"));
    EXPECT_EQ(window.ChooserRequests().back(),
              "open:Morvane files (*.mvx)|*.MVX|All files (*.*)|*.*");
    EXPECT_EQ(window.Text("edtDecInput"), "/a/b.mvx");
    EXPECT_EQ(window.Hint("edtDecInput"), "/a/b.mvx");
    EXPECT_EQ(variabile.DecInputFile, "/a/b.mvx");
    EXPECT_EQ(window.Text("edtDecOutput"), "/a/");
    EXPECT_EQ(window.Hint("edtDecOutput"), "/a/");
    EXPECT_EQ(variabile.DecOutputPath, "/a/");

    window.QueueChooserAnswer("/out");
    ASSERT_TRUE(window.UserClick("btnDecOutput"));
    EXPECT_EQ(window.ChooserRequests().back(), "folder:Please select output path...");
    EXPECT_EQ(window.Text("edtDecOutput"), "/out");
    EXPECT_EQ(variabile.DecOutputPath, "/out");
    EXPECT_EQ(window.Hint("edtDecOutput"), "/a/") << "the hint is not changed";
}

TEST_F(Choosers, TemporaryDirectoryControls)
{
    Create();
    window.UserClick("btnOptions");
    EXPECT_FALSE(window.UserClick("btnTempPath")) << "disabled until Select path";
    ASSERT_TRUE(window.UserClick("FlatRadioButton2"));
    EXPECT_TRUE(window.Enabled("edtTempPath"));
    EXPECT_TRUE(window.Enabled("btnTempPath"));
    window.QueueChooserAnswer("/scratch");
    ASSERT_TRUE(window.UserClick("btnTempPath"));
    EXPECT_EQ(window.ChooserRequests().back(), "folder:Please select temporary files path...");
    EXPECT_EQ(window.Text("edtTempPath"), "/scratch");
    ASSERT_TRUE(window.UserClick("FlatRadioButton1"));
    EXPECT_EQ(window.Text("edtTempPath"), Temp());
    EXPECT_FALSE(window.Enabled("edtTempPath"));
    EXPECT_FALSE(window.Enabled("btnTempPath"));
}

} // namespace
} // namespace mv::test
