// The plug-in loader on real libraries: the test-only ones (a good one, one without D_ROM, one
// with overlong texts, one answering no name, one without D_EXEC, a file that is no library) laid
// out in a fresh Plugins directory per test, and the two sample tools where the build put them.
#include "app/Plugins.h"
#include "app/HeadlessWindow.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace mv::test {
namespace {

namespace fs = std::filesystem;

const fs::path TestPlugins = MORVANE_TEST_PLUGIN_DIR;

class Plugins : public ::testing::Test
{
protected:
    TTempDir programDir;
    app::TVariabile variabile;
    app::THeadlessWindow window;

    fs::path PluginDir() const { return programDir / "Plugins"; }

    // Copies a test-only library into Plugins/ under name.
    fs::path Put(const char* library, const std::string& name)
    {
        fs::create_directories(PluginDir());
        fs::copy_file(TestPlugins / library, PluginDir() / name);
        return PluginDir() / name;
    }

    void Load() { app::LoadPlugins(window, variabile, programDir.Path()); }

    std::vector<std::string> ListedNames() const
    {
        std::vector<std::string> names;
        for (const auto& plugin : variabile.Plugins)
            names.push_back(fs::path(plugin.LibraryPath).filename().string());
        return names;
    }
};

TEST_F(Plugins, NothingToListGivesAnEmptyList)
{
    Load();
    EXPECT_EQ(variabile.PluginCount, 0) << "no Plugins directory";
    EXPECT_TRUE(window.Items("lstTools").empty());

    fs::create_directories(PluginDir());
    Put("GoodTool.so", "tool.so.1");
    Put("GoodTool.so", "tool.dll");
    Put("GoodTool.so", "tool.SO");
    Load();
    EXPECT_EQ(variabile.PluginCount, 0) << "only names ending in .so";
    EXPECT_TRUE(variabile.Plugins.empty());
}

TEST_F(Plugins, EachLibraryAloneIsListedOrLeftOut)
{
    const struct
    {
        const char* Library;
        bool Listed;
    } cases[] = {
        {"GoodTool.so", true},     {"NoExec.so", true},    {"LongTexts.so", true},
        {"NoRomanian.so", false},  {"NullName.so", false}, {"NotALibrary.so", false},
        {"ThrowingTool.so", true},
    };
    for (const auto& c : cases) {
        fs::remove_all(PluginDir());
        Put(c.Library, c.Library);
        Load();
        EXPECT_EQ(variabile.PluginCount, c.Listed ? 1 : 0) << c.Library;
        EXPECT_EQ(window.Items("lstTools").size(), c.Listed ? 1u : 0u) << c.Library;
    }
}

TEST_F(Plugins, EntryHoldsTheCopiedTexts)
{
    const fs::path good = Put("GoodTool.so", "good.so");
    Load();
    ASSERT_EQ(variabile.PluginCount, 1);
    EXPECT_EQ(variabile.Plugins[0],
              (app::TPlugin{good.string(), "Good test tool", "Reports its call to the test.",
                            "Raporteaza apelul catre test."}));
    EXPECT_EQ(window.Items("lstTools"), std::vector<std::string>{"Good test tool"});
}

TEST_F(Plugins, OverlongTextsAreCutToTheirFields)
{
    Put("LongTexts.so", "long.so");
    Load();
    ASSERT_EQ(variabile.PluginCount, 1);
    const app::TPlugin& plugin = variabile.Plugins[0];
    const std::string ten = "0123456789";
    std::string tens;
    for (int i = 0; i < 30; ++i)
        tens += ten;
    EXPECT_EQ(plugin.DisplayName, "N" + tens.substr(0, 63));
    EXPECT_EQ(plugin.DisplayName.size(), app::MaxPluginName);
    EXPECT_EQ(plugin.EnglishDescription, "E" + tens.substr(0, 253));
    EXPECT_EQ(plugin.RomanianDescription, "R" + tens.substr(0, 253));
    EXPECT_EQ(window.Items("lstTools"), std::vector<std::string>{plugin.DisplayName});
}

TEST_F(Plugins, FailingLibrariesBeforeAGoodOneLeaveOnlyTheGoodOne)
{
    Put("NotALibrary.so", "a1.so");
    Put("NoRomanian.so", "a2.so");
    Put("GoodTool.so", "a3.so");
    Load();
    EXPECT_EQ(variabile.PluginCount, 1);
    EXPECT_EQ(ListedNames(), std::vector<std::string>{"a3.so"});
    EXPECT_EQ(window.Items("lstTools"), std::vector<std::string>{"Good test tool"});
}

TEST_F(Plugins, EveryKindOfEntryIsTriedAndDirectoriesFail)
{
    Put("GoodTool.so", ".hidden.so");
    fs::create_directories(PluginDir() / "folder.so");
    Load();
    EXPECT_EQ(ListedNames(), std::vector<std::string>{".hidden.so"});
}

TEST_F(Plugins, SixteenAreListedAndBeyondThemTheFirstSixteenByName)
{
    for (int i = 0; i < 16; ++i)
        Put("GoodTool.so", "p" + std::to_string(100 + i) + ".so");
    Load();
    EXPECT_EQ(variabile.PluginCount, 16);
    std::vector<std::string> names = ListedNames();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names.front(), "p100.so");
    EXPECT_EQ(names.back(), "p115.so");

    // Four more, two of them sorting before the others: the table keeps 16 and ignores the rest.
    for (const char* name : {"p090.so", "p091.so", "p200.so", "p201.so"})
        Put("GoodTool.so", name);
    Load();
    EXPECT_EQ(variabile.PluginCount, 16);
    EXPECT_EQ(window.Items("lstTools").size(), 16u);
    std::vector<std::string> expected = {"p090.so", "p091.so"};
    for (int i = 0; i < 14; ++i)
        expected.push_back("p" + std::to_string(100 + i) + ".so");
    EXPECT_EQ(ListedNames(), expected) << "name order once the table is full";
}

TEST_F(Plugins, LoadingAgainReplacesTheTable)
{
    Put("GoodTool.so", "a.so");
    Put("NoExec.so", "b.so");
    Load();
    EXPECT_EQ(variabile.PluginCount, 2);
    fs::remove(PluginDir() / "a.so");
    Load();
    EXPECT_EQ(ListedNames(), std::vector<std::string>{"b.so"});
    EXPECT_EQ(window.Items("lstTools"), std::vector<std::string>{"Tool that cannot run"});
}

TEST_F(Plugins, TheSampleToolsAreInTheProgramDirectory)
{
    if (MORVANE_SAMPLE_PLUGIN_COUNT == 0)
        GTEST_SKIP() << "built without Qt 6 Widgets";
    const fs::path bin = fs::path(MORVANE_SAMPLE_PLUGIN_DIR).parent_path();
    app::LoadPlugins(window, variabile, bin);
    ASSERT_EQ(variabile.PluginCount, 2);
    const std::vector<std::string> items = window.Items("lstTools");
    const std::set<std::string> names(items.begin(), items.end());
    EXPECT_EQ(names,
              (std::set<std::string>{"Password generator", "File checksums (CRC-32, SHA-1)"}));
    for (const app::TPlugin& plugin : variabile.Plugins) {
        EXPECT_EQ(fs::path(plugin.LibraryPath).parent_path(), bin / "Plugins");
        EXPECT_GT(plugin.EnglishDescription.size(), 40u);
        EXPECT_GT(plugin.RomanianDescription.size(), 40u);
        EXPECT_NE(plugin.EnglishDescription, plugin.RomanianDescription);
        EXPECT_LE(plugin.EnglishDescription.size(), app::MaxPluginDescription);
        EXPECT_LE(plugin.RomanianDescription.size(), app::MaxPluginDescription);
    }
}

TEST_F(Plugins, RunningCallsTheEntryOrFails)
{
    const fs::path noExec = Put("NoExec.so", "n.so");
    MorvaneApplication application{};
    application.StructSize = sizeof application;
    application.WindowToolkit = "";
    app::TPlugin plugin;
    plugin.LibraryPath = noExec.string();
    EXPECT_THROW(app::RunPlugin(plugin, application), platform::Exception);
    plugin.LibraryPath = (PluginDir() / "gone.so").string();
    EXPECT_THROW(app::RunPlugin(plugin, application), platform::EDLLLoadError);
    plugin.LibraryPath = Put("GoodTool.so", "g.so").string();
    EXPECT_NO_THROW(app::RunPlugin(plugin, application)) << "no probe given: the tool just returns";
}

} // namespace
} // namespace mv::test
