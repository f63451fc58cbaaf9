// chkAssociate through the main form, with the XDG homes in a fresh temporary directory: the box
// writes and removes, Associate=1 in the settings file writes again at every start (a moved
// program registers its new path), a failure is shown and leaves the box checked, and a
// container the desktop hands over opens on the Decrypt page.
#include "app/Association.h"
#include "tests/support/AppFixture.h"

namespace mv::test {
namespace {

namespace fs = std::filesystem;

std::string ExecLine(const fs::path& entry)
{
    const std::string text = ReadText(entry);
    const size_t at = text.find("\nExec=");
    return at == std::string::npos ? "" : text.substr(at + 6, text.find('\n', at + 6) - at - 6);
}

class MainAssociation : public TAppFixture
{
protected:
    TTempDir xdg;
    platform::TAssociationPlaces places;
    fs::path programFile;

    void SetUp() override
    {
        places.DataHome = xdg / "data";
        places.ConfigHome = xdg / "config";
        places.RefreshDatabases = false;
        programFile = programDir / "morvane";
    }

    void CreateAssociating(const std::vector<std::string>& arguments = {})
    {
        app::TMainServices services = Services();
        services.Associate = [this](bool on) {
            associations.push_back(on);
            app::Associate(on, places, programFile);
        };
        CreateWith(std::move(services), arguments);
    }

    bool Written() const
    {
        return fs::exists(places.MimePackage()) && fs::exists(places.DesktopEntry()) &&
               ReadText(places.MimeApps()).find("morvane-open.desktop") != std::string::npos;
    }
};

TEST_F(MainAssociation, CheckingWritesAndUncheckingRemoves)
{
    CreateAssociating();
    EXPECT_FALSE(Written()) << "nothing at start with the box off";
    window.UserClick("btnOptions");
    ASSERT_TRUE(window.UserClick("chkAssociate"));
    EXPECT_TRUE(Written());
    EXPECT_EQ(ExecLine(places.DesktopEntry()), "\"" + programFile.string() + "\" %f");
    ASSERT_TRUE(window.UserClick("chkAssociate"));
    EXPECT_FALSE(fs::exists(places.MimePackage()));
    EXPECT_FALSE(fs::exists(places.DesktopEntry()));
    EXPECT_FALSE(fs::exists(places.MimeApps()));
    EXPECT_EQ(associations, (std::vector<bool>{true, false}));
    EXPECT_TRUE(window.Messages().empty());
}

TEST_F(MainAssociation, AssociateOneWritesAgainAtStartWithTheProgramsNewPath)
{
    platform::WriteAssociation(places, "/where/it/was/morvane", "morvane");
    WriteText(SettingsFile(), "[Options]\nAssociate=1\n");
    CreateAssociating();
    EXPECT_TRUE(window.Checked("chkAssociate"));
    EXPECT_EQ(ExecLine(places.DesktopEntry()), "\"" + programFile.string() + "\" %f");
    EXPECT_EQ(ReadText(places.MimeApps()),
              "[Default Applications]\napplication/x-morvane-container=morvane-open.desktop;\n");
}

TEST_F(MainAssociation, AssociateZeroRemovesNothingAtStart)
{
    platform::WriteAssociation(places, "/elsewhere/morvane", "morvane");
    WriteText(SettingsFile(), "[Options]\nAssociate=0\n");
    CreateAssociating();
    EXPECT_TRUE(Written());
    EXPECT_EQ(ExecLine(places.DesktopEntry()), "\"/elsewhere/morvane\" %f");
    EXPECT_TRUE(associations.empty());
}

TEST_F(MainAssociation, TheIconIsTheOneBesideTheProgramWhenThereIsOne)
{
    EXPECT_EQ(app::AssociationIcon(programFile), "morvane");
    WriteText(programDir / "morvane.svg", "<svg/>");
    EXPECT_EQ(app::AssociationIcon(programFile), (programDir / "morvane.svg").string());
    CreateAssociating();
    window.UserClick("btnOptions");
    window.UserClick("chkAssociate");
    EXPECT_NE(ReadText(places.DesktopEntry())
                  .find("\nIcon=" + (programDir / "morvane.svg").string() + "\n"),
              std::string::npos);
}

TEST_F(MainAssociation, AFailureIsShownAndTheBoxStaysChecked)
{
    fs::create_directories(places.DataHome);
    WriteText(places.DataHome / "applications", "a file in the way");
    CreateAssociating();
    window.UserClick("btnOptions");
    window.UserClick("chkAssociate");
    EXPECT_TRUE(window.Checked("chkAssociate"));
    ASSERT_EQ(window.Messages().size(), 1u);
    EXPECT_EQ(window.Messages()[0].Kind, engine::TMessageKind::Error);
    EXPECT_NE(window.Messages()[0].Text.find(places.DesktopEntry().string()), std::string::npos)
        << window.Messages()[0].Text;
    EXPECT_EQ(ReadText(places.MimePackage()), platform::MimePackageText())
        << "the piece written before the failure stays";
    EXPECT_FALSE(fs::exists(places.MimeApps()));
}

TEST_F(MainAssociation, AContainerFromTheDesktopOpensOnTheDecryptPage)
{
    // What %f becomes: the container's absolute path, spaces and all, as the first argument.
    const std::string container = "/home/ana/My Files/report 2024.mvx";
    CreateAssociating({container});
    EXPECT_EQ(window.PageIndex(), 1);
    EXPECT_EQ(window.Text("edtDecInput"), container);
    EXPECT_EQ(window.Text("edtDecOutput"), "/home/ana/My Files/");
    EXPECT_EQ(variabile.DecInputFile, container);
    EXPECT_EQ(variabile.DecOutputPath, "/home/ana/My Files/");
    EXPECT_EQ(window.Text("btnStart"), "Decrypt !");
    EXPECT_TRUE(window.Enabled("btnStart"));
}

} // namespace
} // namespace mv::test
