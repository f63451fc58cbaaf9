// The Tools page through the main form: descriptions by language, the page emptying them, and
// running a tool with the main window hidden, also when the run fails.
#include "app/Plugins.h"
#include "plugins/testing/TestProbe.h"
#include "tests/support/AppFixture.h"

namespace mv::test {
namespace {

namespace fs = std::filesystem;

const fs::path TestPlugins = MORVANE_TEST_PLUGIN_DIR;

// What the good test tool saw when it ran.
struct TRun
{
    bool WindowVisible = true;
    unsigned StructSize = 0;
    std::string Version;
    int Language = -1;
    int LanguageArgument = -1;
    std::string Toolkit;
};

class MainTools : public TAppFixture
{
protected:
    std::vector<TRun> runs;
    MorvaneTestProbe probe{&MainTools::Called, this};

    static void Called(void* context, const MorvaneApplication* application, unsigned char language)
    {
        auto* self = static_cast<MainTools*>(context);
        self->runs.push_back({self->window.WindowVisible(), application->StructSize,
                              application->ProgramVersion, application->Language, language,
                              application->WindowToolkit});
    }

    fs::path Put(const char* library, const std::string& name)
    {
        fs::create_directories(programDir / "Plugins");
        fs::copy_file(TestPlugins / library, programDir / "Plugins" / name);
        return programDir / "Plugins" / name;
    }

    // The main form with the real loader on programDir and the probe as the tools' parent.
    void CreateWithPlugins()
    {
        app::TMainServices services = Services();
        services.LoadPlugins = [this](app::TMainWindow& w, app::TVariabile& v) {
            app::LoadPlugins(w, v, {programDir / "Plugins"});
        };
        services.ParentWindowHandle = [this] { return static_cast<void*>(&probe); };
        services.ParentWindowToolkit = MORVANE_TEST_PROBE_TOOLKIT;
        CreateWith(std::move(services));
    }

    // The index of the line whose library is named name.
    int LineOf(const std::string& name) const
    {
        for (size_t i = 0; i < variabile.Plugins.size(); ++i)
            if (fs::path(variabile.Plugins[i].LibraryPath).filename() == name)
                return static_cast<int>(i);
        return -1;
    }

    void Select(const std::string& name) { window.SetItemIndex("lstTools", LineOf(name)); }
};

TEST_F(MainTools, StatusLineCountsTheListedTools)
{
    Put("GoodTool.so", "good.so");
    Put("NoRomanian.so", "bad.so");
    CreateWithPlugins();
    EXPECT_EQ(variabile.PluginCount, 1);
    EXPECT_EQ(window.Text("DownBar"), app::StatusLineText("0.5.1.70", 1));
}

TEST_F(MainTools, ClickShowsTheDescriptionOfTheCurrentLanguage)
{
    const fs::path good = Put("GoodTool.so", "good.so");
    Put("NoExec.so", "noexec.so");
    CreateWithPlugins();
    ASSERT_TRUE(window.UserClick("btnTools"));
    const std::vector<std::string> captions = window.Items("lstTools");

    window.UserClick("lstTools");
    EXPECT_EQ(window.Text("edtTools"), "") << "no line selected: nothing happens";

    // Romanian first, then back to English: the next click follows the language.
    window.UserClick("btnOptions");
    window.UserSelect("edtLanguage", 1);
    window.UserClick("btnTools");
    Select("good.so");
    ASSERT_TRUE(window.UserClick("lstTools"));
    EXPECT_EQ(window.Text("edtTools"), "Raporteaza apelul catre test.");
    EXPECT_EQ(window.Text("edtToolsExt"), good.string());

    window.UserClick("btnOptions");
    window.UserSelect("edtLanguage", 0);
    window.UserClick("btnTools");
    Select("good.so");
    window.UserClick("lstTools");
    EXPECT_EQ(window.Text("edtTools"), "Reports its call to the test.");
    Select("noexec.so");
    window.UserClick("lstTools");
    EXPECT_EQ(window.Text("edtTools"), "Lacks D_EXEC.");
    EXPECT_EQ(window.Items("lstTools"), captions) << "the captions stay as they are";
}

TEST_F(MainTools, ShowingThePageEmptiesBothTextsEvenWithALineSelected)
{
    Put("GoodTool.so", "good.so");
    CreateWithPlugins();
    window.UserClick("btnTools");
    Select("good.so");
    window.UserClick("lstTools");
    ASSERT_NE(window.Text("edtTools"), "");
    window.UserClick("btnEncrypt");
    window.UserClick("btnTools");
    EXPECT_EQ(window.ItemIndex("lstTools"), 0);
    EXPECT_EQ(window.Text("edtTools"), "");
    EXPECT_EQ(window.Text("edtToolsExt"), "");
}

TEST_F(MainTools, DoubleClickRunsTheToolWithTheWindowHidden)
{
    Put("GoodTool.so", "good.so");
    WriteText(SettingsFile(), "[Options]\nLanguage=1\n");
    CreateWithPlugins();
    window.UserClick("btnTools");
    Select("good.so");
    ASSERT_TRUE(window.UserDoubleClick("lstTools"));
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_FALSE(runs[0].WindowVisible) << "hidden while the tool runs";
    EXPECT_EQ(runs[0].StructSize, sizeof(MorvaneApplication));
    EXPECT_EQ(runs[0].Version, "0.5.1.70");
    EXPECT_EQ(runs[0].Language, 1);
    EXPECT_EQ(runs[0].LanguageArgument, 1);
    EXPECT_EQ(runs[0].Toolkit, MORVANE_TEST_PROBE_TOOLKIT);
    EXPECT_TRUE(window.WindowVisible()) << "back afterwards";
    EXPECT_TRUE(window.Messages().empty());

    // Each run loads the library again.
    window.UserDoubleClick("lstTools");
    EXPECT_EQ(runs.size(), 2u);
}

TEST_F(MainTools, DoubleClickWithoutSelectionDoesNothing)
{
    Put("GoodTool.so", "good.so");
    CreateWithPlugins();
    window.UserClick("btnTools");
    window.UserDoubleClick("lstTools");
    EXPECT_TRUE(runs.empty());
    EXPECT_TRUE(window.Messages().empty());
    EXPECT_TRUE(window.WindowVisible());
}

TEST_F(MainTools, AFailedRunIsReportedAndTheWindowComesBack)
{
    const struct
    {
        const char* Library;
        bool DeleteAfterStart;
    } cases[] = {
        {"GoodTool.so", true}, // deleted since start-up: no longer loads
        {"NoExec.so", false},
        {"ThrowingTool.so", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Library);
        fs::remove_all(programDir / "Plugins");
        const fs::path library = Put(c.Library, "tool.so");
        window.ClearMessages();
        form.reset(); // the old form would detach the window from the new one
        CreateWithPlugins();
        ASSERT_EQ(variabile.PluginCount, 1);
        if (c.DeleteAfterStart)
            fs::remove(library);
        window.UserClick("btnTools");
        Select("tool.so");
        window.UserDoubleClick("lstTools");
        EXPECT_TRUE(runs.empty());
        ASSERT_EQ(window.Messages().size(), 1u);
        EXPECT_EQ(window.Messages()[0].Text, "Error loading selected plugin!");
        EXPECT_EQ(window.Messages()[0].Kind, engine::TMessageKind::Error);
        EXPECT_TRUE(window.WindowVisible());
    }
}

TEST_F(MainTools, NoParentOffersAnEmptyToolkit)
{
    // Without a parent the tool gets NULL and an empty toolkit name, never a dangling text.
    Put("GoodTool.so", "good.so");
    app::TMainServices services = Services();
    services.LoadPlugins = [this](app::TMainWindow& w, app::TVariabile& v) {
        app::LoadPlugins(w, v, {programDir / "Plugins"});
    };
    services.ParentWindowToolkit = MORVANE_TEST_PROBE_TOOLKIT;
    CreateWith(std::move(services));
    window.UserClick("btnTools");
    Select("good.so");
    window.UserDoubleClick("lstTools");
    EXPECT_TRUE(runs.empty()) << "the tool found no probe to report to";
    EXPECT_TRUE(window.Messages().empty());
    EXPECT_TRUE(window.WindowVisible());
}

} // namespace
} // namespace mv::test
