// Small settings-kind files: reading only regular files without waiting on a FIFO, and replacing
// a file through an exclusive new file beside it (never through a link planted there), with the
// mode asked for, leaving the old file whole on failure.
#include "platform/Ini.h"
#include "tests/support/FullDisk.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sys/stat.h>

namespace mv::test {
namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Write(const fs::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

TEST(Ini, TextHasSectionsKeysAndAnEmptyLineBetween)
{
    EXPECT_EQ(platform::IniText({{"A", {{"x", "1"}, {"y", "0"}}}, {"B", {}}, {"C", {{"z", "2"}}}}),
              "[A]\nx=1\ny=0\n\n[B]\n\n[C]\nz=2\n");
    EXPECT_EQ(platform::IniText({}), "");
}

TEST(Ini, OnlyARegularFileIsReadAndNothingWaits)
{
    TTempDir dir;
    Write(dir / "file", "[Options]\nLanguage=1\n");
    fs::create_symlink(dir / "file", dir / "link");
    fs::create_directory(dir / "directory");
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    Write(dir / "big", std::string(2000, 'x'));
    const struct
    {
        const char* Name;
        std::optional<std::string> Text;
        int Code;
    } cases[] = {
        {"file", "[Options]\nLanguage=1\n", 0},
        {"link", "[Options]\nLanguage=1\n", 0},
        {"missing", std::nullopt, ENOENT},
        {"directory", std::nullopt, EISDIR},
        // Opened for reading without O_NONBLOCK, a FIFO would wait here for a writer forever.
        {"fifo", std::nullopt, EINVAL},
        {"big", std::nullopt, EFBIG},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_EQ(platform::ReadSmallFile(dir / c.Name, &error, 1000), c.Text) << c.Name;
        EXPECT_EQ(error, c.Code ? std::strerror(c.Code) : "") << c.Name;
    }
    EXPECT_EQ(platform::ReadSmallFile("/dev/zero", nullptr, 1000), std::nullopt);
}

TEST(Ini, ReplacingGivesTheModeAndLeavesNoNewFile)
{
    TTempDir dir;
    Write(dir / "s.ini", "old");
    ::chmod((dir / "s.ini").c_str(), 0644);
    ASSERT_TRUE(platform::ReplaceFile(dir / "s.ini", "new text\n", 0600));
    EXPECT_EQ(Read(dir / "s.ini"), "new text\n");
    EXPECT_EQ(fs::status(dir / "s.ini").permissions(),
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"s.ini"});
    // A file that was not there is created.
    ASSERT_TRUE(platform::ReplaceFile(dir / "t.ini", "", 0640));
    EXPECT_EQ(fs::status(dir / "t.ini").permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST(Ini, PlantedLinksAndLeftoversAtTheNewNameStayUntouched)
{
    TTempDir dir;
    TTempDir elsewhere;
    Write(elsewhere / "victim", "victim");
    fs::create_symlink(elsewhere / "victim", dir / "s.ini.new");
    ASSERT_TRUE(platform::WriteIniFile(dir / "s.ini", {{"Options", {{"Language", "1"}}}}));
    EXPECT_EQ(Read(elsewhere / "victim"), "victim");
    EXPECT_EQ(Read(dir / "s.ini"), "[Options]\nLanguage=1\n");
    EXPECT_EQ(fs::read_symlink(dir / "s.ini.new"), elsewhere / "victim");

    // A dangling link would create its target if it were followed.
    fs::remove(dir / "s.ini.new");
    fs::create_symlink(elsewhere / "created", dir / "s.ini.new");
    ASSERT_TRUE(platform::WriteIniFile(dir / "s.ini", {}));
    EXPECT_FALSE(fs::exists(elsewhere / "created"));
    EXPECT_EQ(elsewhere.Names(), std::vector<std::string>{"victim"});
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"s.ini", "s.ini.new"}));
}

TEST(Ini, AFailedReplaceLeavesTheOldFileAndTheReason)
{
    TTempDir dir;
    Write(dir / "s.ini", "old");
    std::string error;
    {
        TFileSizeLimit limit(4);
        EXPECT_FALSE(platform::ReplaceFile(dir / "s.ini", "longer than four bytes", 0600, &error));
    }
    EXPECT_EQ(error, std::strerror(EFBIG));
    EXPECT_EQ(Read(dir / "s.ini"), "old");
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"s.ini"});

    // A directory in place of the file: the rename fails, the new file goes.
    fs::create_directory(dir / "d.ini");
    EXPECT_FALSE(platform::ReplaceFile(dir / "d.ini", "x", 0600, &error));
    EXPECT_EQ(error, std::strerror(EISDIR));
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"d.ini", "s.ini"}));
}

TEST(Ini, DirectoriesAreCreatedWithTheModeAsked)
{
    TTempDir dir;
    const ::mode_t old = ::umask(0);
    const bool created = platform::CreateDirectories(dir / "a/b/c", 0700);
    ::umask(old);
    ASSERT_TRUE(created);
    for (const char* path : {"a", "a/b", "a/b/c"})
        EXPECT_EQ(fs::status(dir / path).permissions(), fs::perms::owner_all) << path;
    EXPECT_TRUE(platform::CreateDirectories(dir / "a/b/c", 0700)) << "already there";

    Write(dir / "file", "x");
    std::string error;
    EXPECT_FALSE(platform::CreateDirectories(dir / "file/sub", 0700, &error));
    EXPECT_EQ(error, std::strerror(ENOTDIR));
}

} // namespace
} // namespace mv::test
