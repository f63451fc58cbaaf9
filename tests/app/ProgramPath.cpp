// Where the program and the user live, as the main window's services find them.
#include "platform/ProgramPath.h"
#include "tests/support/Environment.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace mv::test {
namespace {

TEST(ProgramPath, ProgramFileIsThisTestProgram)
{
    const std::filesystem::path file = platform::ProgramFile();
    EXPECT_EQ(file.filename(), "app_ProgramPath_tests");
    EXPECT_EQ(platform::ProgramDirectory(), file.parent_path());
    EXPECT_TRUE(std::filesystem::is_directory(platform::ProgramDirectory()));
}

TEST(ProgramPath, HomeAndTemporaryDirectoriesEndInASeparator)
{
    const char* saved = std::getenv("HOME");
    const std::string savedHome = saved ? saved : "";
    ::setenv("HOME", "/nowhere/user", 1);
    EXPECT_EQ(platform::HomeDirectory(), "/nowhere/user/");
    ::setenv("HOME", "/nowhere/user/", 1);
    EXPECT_EQ(platform::HomeDirectory(), "/nowhere/user/");
    ::setenv("HOME", "", 1);
    const std::string fallback = platform::HomeDirectory();
    EXPECT_FALSE(fallback.empty());
    EXPECT_EQ(fallback.back(), '/');
    if (saved)
        ::setenv("HOME", savedHome.c_str(), 1);
    else
        ::unsetenv("HOME");

    const std::string temp = platform::TempDirectory();
    EXPECT_EQ(temp.back(), '/');
    EXPECT_TRUE(std::filesystem::is_directory(temp));
}

TEST(ProgramPath, XdgHomesFollowTheVariablesOrTheirDefaultsBelowHome)
{
    const struct
    {
        std::optional<std::string> Config;
        std::optional<std::string> Data;
        const char* ExpectedConfig;
        const char* ExpectedData;
    } cases[] = {
        {"/x/config", "/x/data", "/x/config", "/x/data"},
        {std::nullopt, std::nullopt, "/nowhere/u/.config", "/nowhere/u/.local/share"},
        {"", "", "/nowhere/u/.config", "/nowhere/u/.local/share"},
        {"config", "./data", "/nowhere/u/.config", "/nowhere/u/.local/share"},
    };
    TEnvironmentVariable home("HOME", "/nowhere/u");
    for (const auto& c : cases) {
        TEnvironmentVariable config("XDG_CONFIG_HOME", c.Config);
        TEnvironmentVariable data("XDG_DATA_HOME", c.Data);
        EXPECT_EQ(platform::ConfigHome(), c.ExpectedConfig);
        EXPECT_EQ(platform::DataHome(), c.ExpectedData);
    }
}

} // namespace
} // namespace mv::test
