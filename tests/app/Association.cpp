// chkAssociate through the main form, with the XDG homes in a fresh temporary directory: the box
// writes and removes, Associate=1 in the settings file writes again at every start (a moved
// program registers its new path), the box shows at start whether the association is there
// whatever the file says, a failure is shown and leaves the box checked, and a container the
// desktop hands over opens on the Decrypt page.
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

    app::TMainServices AssociatingServices()
    {
        app::TMainServices services = Services();
        services.Associate = [this](bool on) {
            associations.push_back(on);
            app::Associate(on, places, programFile);
        };
        services.AssociationPresent = [this] { return platform::AssociationPresent(places); };
        return services;
    }

    void CreateAssociating(const std::vector<std::string>& arguments = {})
    {
        CreateWith(AssociatingServices(), arguments);
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

TEST_F(MainAssociation, TheBoxShowsWhetherTheAssociationIsThereWhateverTheFileSays)
{
    enum class THome
    {
        Empty,
        Associated,
        ApplicationsBlocked, // the mime package can be written, the desktop entry cannot
        NothingWritable,     // a file in place of the data home
    };
    const struct
    {
        const char* Name;
        const char* Settings; // nullptr: no settings file
        THome Home;
        bool Checked;
        std::vector<bool> Handled;
        size_t Messages;
    } cases[] = {
        {"no file, association there", nullptr, THome::Associated, true, {}, 0},
        {"Associate=0, association there", "0", THome::Associated, true, {}, 0},
        {"Associate=0, nothing there", "0", THome::Empty, false, {}, 0},
        {"Associate=1, nothing there: written", "1", THome::Empty, true, {true}, 0},
        {"Associate=1, half written", "1", THome::ApplicationsBlocked, true, {true}, 1},
        {"Associate=1, nothing could be written", "1", THome::NothingWritable, false, {true}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        fs::remove_all(xdg.Path());
        fs::create_directories(xdg.Path());
        fs::remove(SettingsFile());
        associations.clear();
        if (c.Settings)
            WriteText(SettingsFile(), std::string("[Options]\nAssociate=") + c.Settings + "\n");
        if (c.Home == THome::Associated)
            platform::WriteAssociation(places, "/elsewhere/morvane", "morvane");
        if (c.Home == THome::ApplicationsBlocked) {
            fs::create_directories(places.DataHome);
            WriteText(places.DataHome / "applications", "in the way");
        }
        if (c.Home == THome::NothingWritable)
            WriteText(places.DataHome, "in the way");
        // A window of its own: every box starts unchecked, as at a real start.
        app::THeadlessWindow started;
        app::TVariabile startedVariabile;
        app::TMainForm startedForm(started, startedVariabile, AssociatingServices());
        startedForm.FormCreate({});
        EXPECT_EQ(started.Checked("chkAssociate"), c.Checked);
        EXPECT_EQ(associations, c.Handled) << "showing the state runs no handler";
        EXPECT_EQ(started.Messages().size(), c.Messages);
        if (c.Home == THome::Associated) {
            EXPECT_EQ(ExecLine(places.DesktopEntry()), "\"/elsewhere/morvane\" %f")
                << "shown, not rewritten";
        }
    }
}

TEST_F(MainAssociation, OneUntickRemovesAnAssociationTheFileDidNotKnow)
{
    // The options of an earlier run were never saved; the association is there all the same.
    platform::WriteAssociation(places, "/elsewhere/morvane", "morvane");
    CreateAssociating();
    ASSERT_TRUE(window.Checked("chkAssociate"));
    window.UserClick("btnOptions");
    ASSERT_TRUE(window.UserClick("chkAssociate"));
    EXPECT_EQ(associations, std::vector<bool>{false});
    EXPECT_FALSE(fs::exists(places.MimePackage()));
    EXPECT_FALSE(fs::exists(places.DesktopEntry()));
    EXPECT_FALSE(fs::exists(places.MimeApps()));
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
