// The About page's version and memory lines, the Help button with and without the manual, and the
// addresses the buttons and pictures open.
#include "app/About.h"
#include "app/Languages.h"
#include "platform/DesktopShell.h"
#include "tests/support/AppFixture.h"

namespace mv::test {
namespace {

namespace fs = std::filesystem;

class MainAbout : public TAppFixture
{
protected:
    std::vector<std::string> opened;
    std::optional<uint64_t> residentBytes = 5'000'000;
    // Whether the stand-in desktop has a program that opens the manual.
    bool openerFound = true;

    app::TMainServices AboutServices()
    {
        app::TMainServices services = Services();
        services.ProgramVersion = [] { return app::GetProgramVersion(); };
        services.OpenAddress = [this](const std::string& address, std::function<void()> failed) {
            opened.push_back(address);
            if (failed && !openerFound)
                failed();
        };
        services.ResidentBytes = [this] { return residentBytes; };
        return services;
    }

    void CreateInLanguage(int language)
    {
        WriteText(SettingsFile(), "[Options]\nLanguage=" + std::to_string(language) + "\n");
        CreateWith(AboutServices());
    }
};

TEST_F(MainAbout, VersionComesFromTheBuild)
{
    EXPECT_EQ(app::GetProgramVersion(), "0.5.1.70");
    EXPECT_EQ(app::VersionLine("0.5.1.70"), "Morvane v0.5 beta 3 ( 0.5.1.70 )");
    for (int language : {0, 1}) {
        form.reset();
        CreateInLanguage(language);
        EXPECT_EQ(window.Text("lblVersion"),
                  language == 0 ? "Morvane v0.5 beta 3 " : "Morvane v0.5 beta 3")
            << "the language's initial text until the page is shown";
        window.UserClick("btnAbout");
        EXPECT_EQ(window.Text("lblVersion"), "Morvane v0.5 beta 3 ( 0.5.1.70 )");
    }
}

TEST_F(MainAbout, MemoryLineIsWholeKibibytesAfterTheLanguagesPrefix)
{
    const struct
    {
        std::optional<uint64_t> Bytes;
        const char* English;
        const char* Romanian;
    } cases[] = {
        {5'000'000, "Used memory : 4882 KBytes", "Memorie folosita : 4882 KBytes"},
        {1023, "Used memory : 0 KBytes", "Memorie folosita : 0 KBytes"},
        {1024, "Used memory : 1 KBytes", "Memorie folosita : 1 KBytes"},
        {8'796'093'022'208, "Used memory : 8589934592 KBytes",
         "Memorie folosita : 8589934592 KBytes"},
        {std::nullopt, "Unable to retrieve memory usage structure!",
         "Unable to retrieve memory usage structure!"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(app::UsedMemoryLine("Used memory : ", c.Bytes), c.English);
        EXPECT_EQ(app::UsedMemoryLine("Memorie folosita : ", c.Bytes), c.Romanian);
    }
    for (int language : {0, 1}) {
        form.reset();
        CreateInLanguage(language);
        window.UserClick("btnAbout");
        EXPECT_EQ(window.Text("lblUsedMemory"),
                  language == 0 ? cases[0].English : cases[0].Romanian);
    }
}

TEST_F(MainAbout, EveryVisitShowsTheCurrentFigure)
{
    CreateWith(AboutServices());
    window.UserClick("btnAbout");
    EXPECT_EQ(window.Text("lblUsedMemory"), "Used memory : 4882 KBytes");
    residentBytes = 10'240;
    window.UserClick("btnEncrypt");
    window.UserClick("btnAbout");
    EXPECT_EQ(window.Text("lblUsedMemory"), "Used memory : 10 KBytes");
    residentBytes.reset();
    window.UserClick("btnOptions");
    window.UserClick("btnAbout");
    EXPECT_EQ(window.Text("lblUsedMemory"), "Unable to retrieve memory usage structure!");
}

TEST_F(MainAbout, HelpOpensTheManualBesideTheProgram)
{
    fs::create_directories(programDir / "Help");
    WriteText(programDir / "Help" / "Morvane.html", "<html></html>");
    CreateWith(AboutServices());
    ASSERT_TRUE(window.UserClick("btnHelp"));
    EXPECT_EQ(opened, std::vector<std::string>{
                          platform::FileUrl(programDir.Path() / "Help" / "Morvane.html")});
    EXPECT_TRUE(window.Messages().empty());
}

TEST_F(MainAbout, HelpWithoutTheManualSaysSoInTheCurrentLanguage)
{
    const struct
    {
        int Language;
        bool HelpDirectory;
        const char* Message;
    } cases[] = {
        {0, false, "Help file not found! Try to reinstall Morvane."},
        {1, false, "Fisierul help nu este gasit. Incercati sa reinstalati Morvane!"},
        // A directory of that name is no manual either.
        {0, true, "Help file not found! Try to reinstall Morvane."},
    };
    for (const auto& c : cases) {
        fs::remove_all(programDir / "Help");
        if (c.HelpDirectory)
            fs::create_directories(programDir / "Help" / "Morvane.html");
        window.ClearMessages();
        form.reset();
        CreateInLanguage(c.Language);
        window.UserClick("btnHelp");
        ASSERT_EQ(window.Messages().size(), 1u);
        EXPECT_EQ(window.Messages()[0].Text, c.Message);
        EXPECT_EQ(window.Messages()[0].Kind, engine::TMessageKind::Plain);
    }
    EXPECT_TRUE(opened.empty());
}

TEST_F(MainAbout, AManualNoProgramOpensIsNamedInTheCurrentLanguage)
{
    fs::create_directories(programDir / "Help");
    WriteText(programDir / "Help" / "Morvane.html", "<html></html>");
    const std::string manual = (programDir.Path() / "Help" / "Morvane.html").string();
    const struct
    {
        int Language;
        bool Service; // an opener at all
        const char* Message;
    } cases[] = {
        {0, true, "No program could open the help file. Open it in a browser:\n"},
        {1, true,
         "Niciun program nu a putut deschide fisierul help. Deschideti-l intr-un browser:\n"},
        {0, false, "No program could open the help file. Open it in a browser:\n"},
    };
    openerFound = false;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Language);
        form.reset();
        window.ClearMessages();
        opened.clear();
        WriteText(SettingsFile(), "[Options]\nLanguage=" + std::to_string(c.Language) + "\n");
        app::TMainServices services = AboutServices();
        if (!c.Service)
            services.OpenAddress = nullptr;
        CreateWith(std::move(services));
        ASSERT_TRUE(window.UserClick("btnHelp"));
        EXPECT_EQ(opened.size(), c.Service ? 1u : 0u);
        ASSERT_EQ(window.Messages().size(), 1u);
        EXPECT_EQ(window.Messages()[0].Kind, engine::TMessageKind::Information);
        EXPECT_EQ(window.Messages()[0].Text, c.Message + manual);
    }
    // The web addresses report nothing either way.
    window.ClearMessages();
    window.UserClick("btnAbout");
    window.UserClick("btnURL");
    EXPECT_TRUE(window.Messages().empty());
}

TEST_F(MainAbout, TheBuiltManualCoversEveryPage)
{
    const std::string manual = ReadText(MORVANE_BUILT_HELP_FILE);
    ASSERT_FALSE(manual.empty()) << MORVANE_BUILT_HELP_FILE;
    for (const char* section :
         {"id=\"encrypt\"", "id=\"decrypt\"", "id=\"tools\"", "id=\"options\"", "id=\"about\"",
          "id=\"status\"", "id=\"check-value\"", "id=\"wiping\"", "id=\"command-line\"",
          "id=\"self-decrypting\"", "id=\"settings\"", "id=\"installing\""})
        EXPECT_NE(manual.find(section), std::string::npos) << section;
}

TEST_F(MainAbout, AddressesFollowTheLanguageAndThePicture)
{
    const struct
    {
        int Language;
        const char* Page;
        const char* Control;
        bool DoubleClick;
        std::string Address;
    } cases[] = {
        {0, "btnAbout", "btnURL", false, app::ProductEnglishAddress},
        {1, "btnAbout", "btnURL", false, app::ProductAddress},
        {0, "btnOptions", "btnUpdate", false, app::ProductEnglishAddress},
        {1, "btnOptions", "btnUpdate", false, app::ProductAddress},
        {0, "btnEncrypt", "Image2", true, app::ProductAddress},
        {1, "btnEncrypt", "Image2", true, app::ProductAddress},
        {0, "btnDecrypt", "Image1", true, app::VendorAddress},
        {1, "btnTools", "Image1", true, app::VendorAddress},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Control);
        form.reset();
        opened.clear();
        CreateInLanguage(c.Language);
        window.UserClick(c.Page);
        ASSERT_TRUE(c.DoubleClick ? window.UserDoubleClick(c.Control)
                                  : window.UserClick(c.Control));
        EXPECT_EQ(opened, std::vector<std::string>{c.Address});
    }
    EXPECT_NE(std::string(app::ProductAddress), app::ProductEnglishAddress);
    // A single click on a picture opens nothing.
    opened.clear();
    window.UserClick("Image1");
    window.UserClick("Image2");
    EXPECT_TRUE(opened.empty());
    // Placeholders under the reserved example domains until the project has a home.
    for (std::string address :
         {app::ProductAddress, app::ProductEnglishAddress, app::VendorAddress})
        EXPECT_TRUE(address.find(".example.org/") != std::string::npos ||
                    address.find(".example.com/") != std::string::npos)
            << address;
}

} // namespace
} // namespace mv::test
