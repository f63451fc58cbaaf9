// The plug-in loader on real libraries: the test-only ones (a good one, one without D_ROM, one
// with overlong texts, one answering no name, one without D_EXEC, a file that is no library) laid
// out in a fresh Plugins directory per test (and in the user's own, under a fresh data home),
// FIFOs and devices that must be passed over, and the two sample tools where the build put them.
#include "app/Plugins.h"
#include "app/HeadlessWindow.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <sys/stat.h>

namespace mv::test {
namespace {

namespace fs = std::filesystem;

const fs::path TestPlugins = MORVANE_TEST_PLUGIN_DIR;

class Plugins : public ::testing::Test
{
protected:
    TTempDir programDir;
    TTempDir dataHome;
    app::TVariabile variabile;
    app::THeadlessWindow window;

    fs::path PluginDir() const { return programDir / "Plugins"; }
    fs::path UserPluginDir() const { return dataHome / "Morvane" / "Plugins"; }

    // Copies a test-only library into Plugins/ (or another directory) under name.
    fs::path Put(const char* library, const std::string& name)
    {
        return PutIn(PluginDir(), library, name);
    }
    static fs::path PutIn(const fs::path& directory, const char* library, const std::string& name)
    {
        fs::create_directories(directory);
        fs::copy_file(TestPlugins / library, directory / name);
        return directory / name;
    }
    void LoadBoth()
    {
        app::LoadPlugins(window, variabile,
                         app::PluginDirectories(programDir.Path(), dataHome.Path()));
    }

    void Load() { app::LoadPlugins(window, variabile, {PluginDir()}); }

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

TEST_F(Plugins, TheUsersOwnDirectoryComesAfterTheProgramsOnce)
{
    EXPECT_EQ(app::PluginDirectories("/opt/m", "/home/u/.local/share"),
              (std::vector<fs::path>{"/opt/m/Plugins", "/home/u/.local/share/Morvane/Plugins"}));
    EXPECT_EQ(app::PluginDirectories("/opt/m", ""), std::vector<fs::path>{"/opt/m/Plugins"});
    // A data home whose Morvane/Plugins is the program's own directory lists each tool once.
    fs::create_directories(PluginDir());
    fs::create_directories(dataHome / "Morvane");
    fs::create_directory_symlink(PluginDir(), UserPluginDir());
    EXPECT_EQ(app::PluginDirectories(programDir.Path(), dataHome.Path()),
              std::vector<fs::path>{PluginDir()});
}

TEST_F(Plugins, ToolsFromBothPlacesAreListedTheProgramsFirst)
{
    Put("GoodTool.so", "shipped.so");
    PutIn(UserPluginDir(), "NoExec.so", "mine.so");
    PutIn(UserPluginDir(), "NoRomanian.so", "broken.so");
    LoadBoth();
    ASSERT_EQ(variabile.PluginCount, 2);
    EXPECT_EQ(variabile.Plugins[0].LibraryPath, (PluginDir() / "shipped.so").string());
    EXPECT_EQ(variabile.Plugins[1].LibraryPath, (UserPluginDir() / "mine.so").string());
    EXPECT_EQ(window.Items("lstTools"),
              (std::vector<std::string>{"Good test tool", "Tool that cannot run"}));

    // Only the user's: a user adds a tool without writing beside the program.
    fs::remove_all(PluginDir());
    LoadBoth();
    EXPECT_EQ(ListedNames(), std::vector<std::string>{"mine.so"});
}

TEST_F(Plugins, SixteenInAllTheProgramsFirstAndEachInNameOrder)
{
    for (int i = 0; i < 10; ++i) {
        Put("GoodTool.so", "s" + std::to_string(19 - i) + ".so");
        PutIn(UserPluginDir(), "GoodTool.so", "u" + std::to_string(19 - i) + ".so");
    }
    LoadBoth();
    std::vector<std::string> expected;
    for (int i = 0; i < 10; ++i)
        expected.push_back("s" + std::to_string(10 + i) + ".so");
    for (int i = 0; i < 6; ++i)
        expected.push_back("u" + std::to_string(10 + i) + ".so");
    EXPECT_EQ(ListedNames(), expected);
    EXPECT_EQ(variabile.PluginCount, 16);
}

TEST_F(Plugins, AFifoOrADeviceIsPassedOverWithoutWaiting)
{
    // Opening a FIFO for reading waits for a writer that never comes: were it opened, this test
    // would hang until its time runs out.
    fs::create_directories(PluginDir());
    fs::create_directories(UserPluginDir());
    ASSERT_EQ(::mkfifo((PluginDir() / "a-fifo.so").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo((UserPluginDir() / "x.so").c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", UserPluginDir() / "device.so");
    Put("GoodTool.so", "good.so");
    PutIn(UserPluginDir(), "NoExec.so", "mine.so");
    LoadBoth();
    EXPECT_EQ(ListedNames(), (std::vector<std::string>{"good.so", "mine.so"}));
    EXPECT_EQ(app::PluginCandidates({PluginDir(), UserPluginDir()}),
              (std::vector<fs::path>{PluginDir() / "good.so", UserPluginDir() / "mine.so"}));
    EXPECT_FALSE(app::ReadPlugin(UserPluginDir() / "x.so"));

    // A listed tool replaced by a FIFO after start-up fails to run instead of waiting.
    MorvaneApplication application{};
    application.StructSize = sizeof application;
    application.WindowToolkit = "";
    fs::remove(PluginDir() / "good.so");
    ASSERT_EQ(::mkfifo((PluginDir() / "good.so").c_str(), 0600), 0);
    EXPECT_THROW(app::RunPlugin(variabile.Plugins[0], application), platform::EDLLLoadError);
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
    app::LoadPlugins(window, variabile, {bin / "Plugins"});
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
