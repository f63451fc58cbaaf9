// The *.mvx association under XDG homes pointed at a fresh temporary directory: the three pieces
// and their contents, the Exec quoting read back as a desktop would, mimeapps.list edits that
// keep the user's lines, removal, re-registration and a failure half-way.
#include "platform/Association.h"
#include "tests/support/Command.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <sys/stat.h>

namespace mv::test {
namespace {

namespace fs = std::filesystem;
using platform::TAssociationPlaces;

std::string Read(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Write(const fs::path& path, const std::string& text)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

// The program path a desktop reads back from an Exec value's first word: the string escapes
// undone first, then the double quotes with their backslash escapes, then %% as one %.
std::string ExecProgramAsRead(const std::string& value)
{
    std::string unescaped;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            const char next = value[++i];
            unescaped += next == 'n' ? '\n' : next == 't' ? '\t' : next == 'r' ? '\r' : next;
        } else {
            unescaped += value[i];
        }
    }
    EXPECT_EQ(unescaped.front(), '"');
    std::string word;
    size_t i = 1;
    for (; i < unescaped.size() && unescaped[i] != '"'; ++i) {
        if (unescaped[i] == '\\')
            ++i;
        if (unescaped[i] == '%') {
            EXPECT_EQ(unescaped[i + 1], '%');
            ++i;
        }
        word += unescaped[i];
    }
    EXPECT_EQ(i + 1, unescaped.size()) << "the closing quote ends the word";
    return word;
}

std::string LineStartingWith(const std::string& text, const std::string& start)
{
    size_t at = text.find("\n" + start);
    if (at == std::string::npos)
        return {};
    at += 1 + start.size();
    return text.substr(at, text.find('\n', at) - at);
}

class Association : public ::testing::Test
{
protected:
    TTempDir root;
    TAssociationPlaces places;

    void SetUp() override
    {
        places.DataHome = root / "data";
        places.ConfigHome = root / "config";
        places.RefreshDatabases = false;
    }
};

TEST_F(Association, PlacesFollowTheXdgVariablesAndTheirDefaults)
{
    struct
    {
        const char* Data;
        const char* Config;
        fs::path ExpectedData;
        fs::path ExpectedConfig;
    } cases[] = {
        {"/x/data", "/x/config", "/x/data", "/x/config"},
        {nullptr, nullptr, "/home/u/.local/share", "/home/u/.config"},
        {"", "", "/home/u/.local/share", "/home/u/.config"},
        // A relative value is invalid by the XDG rules and counts as unset.
        {"relative/data", "relative/config", "/home/u/.local/share", "/home/u/.config"},
    };
    const std::string saved[3] = {std::getenv("HOME") ? std::getenv("HOME") : "",
                                  std::getenv("XDG_DATA_HOME") ? std::getenv("XDG_DATA_HOME") : "",
                                  std::getenv("XDG_CONFIG_HOME") ? std::getenv("XDG_CONFIG_HOME")
                                                                 : ""};
    ::setenv("HOME", "/home/u", 1);
    for (const auto& c : cases) {
        c.Data ? ::setenv("XDG_DATA_HOME", c.Data, 1) : ::unsetenv("XDG_DATA_HOME");
        c.Config ? ::setenv("XDG_CONFIG_HOME", c.Config, 1) : ::unsetenv("XDG_CONFIG_HOME");
        const TAssociationPlaces user = platform::UserAssociationPlaces();
        EXPECT_EQ(user.DataHome, c.ExpectedData);
        EXPECT_EQ(user.ConfigHome, c.ExpectedConfig);
        EXPECT_EQ(user.MimePackage(), c.ExpectedData / "mime/packages/morvane-mvx.xml");
        EXPECT_EQ(user.DesktopEntry(), c.ExpectedData / "applications/morvane-open.desktop");
        EXPECT_EQ(user.MimeApps(), c.ExpectedConfig / "mimeapps.list");
    }
    const char* names[3] = {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME"};
    for (int i = 0; i < 3; ++i)
        saved[i].empty() ? ::unsetenv(names[i]) : ::setenv(names[i], saved[i].c_str(), 1);
}

TEST_F(Association, WritingPutsTheThreePiecesInPlace)
{
    platform::WriteAssociation(places, "/opt/morvane/lib/morvane/morvane", "/icons/m.svg");

    const std::string package = Read(places.MimePackage());
    EXPECT_EQ(package, platform::MimePackageText());
    EXPECT_NE(package.find("<mime-type type=\"application/x-morvane-container\">"),
              std::string::npos);
    EXPECT_NE(package.find("<glob pattern=\"*.mvx\"/>"), std::string::npos);
    // The mark: the length byte 4 at offset 4, then "MV**" right after it.
    EXPECT_NE(package.find("<match type=\"byte\" value=\"0x04\" offset=\"4\">\n"
                           "        <match type=\"string\" value=\"MV**\" offset=\"5\"/>"),
              std::string::npos);

    const std::string entry = Read(places.DesktopEntry());
    EXPECT_EQ(entry.rfind("[Desktop Entry]\n", 0), 0u);
    EXPECT_EQ(LineStartingWith(entry, "Exec="), "\"/opt/morvane/lib/morvane/morvane\" %f")
        << "the file as the first argument";
    EXPECT_EQ(LineStartingWith(entry, "Icon="), "/icons/m.svg");
    EXPECT_EQ(LineStartingWith(entry, "MimeType="), "application/x-morvane-container;");
    EXPECT_EQ(LineStartingWith(entry, "Type="), "Application");
    EXPECT_EQ(LineStartingWith(entry, "NoDisplay="), "true");

    EXPECT_EQ(Read(places.MimeApps()),
              "[Default Applications]\napplication/x-morvane-container=morvane-open.desktop;\n");
}

TEST_F(Association, ExecNamesTheProgramWhateverItsPathHolds)
{
    const char* paths[] = {
        "/opt/morvane/morvane",
        "/home/ana/My Programs/morvane",
        "/tmp/quote\"d/dollar$HOME/back`tick`/morvane",
        "/tmp/back\\slash/100%/morvane",
        "/tmp/tab\there/new\nline/morvane",
        "/tmp/semi;colon/amp&/hash#/morvane",
    };
    for (const char* path : paths) {
        const std::string value = platform::DesktopExecProgram(path);
        EXPECT_EQ(ExecProgramAsRead(value), path) << value;
        EXPECT_EQ(value.find('\n'), std::string::npos) << "one line in the file";
        const std::string entry = platform::DesktopEntryText(path, "morvane");
        EXPECT_EQ(LineStartingWith(entry, "Exec="), value + " %f");
    }
}

TEST_F(Association, DefaultApplicationLineKeepsTheUsersLines)
{
    const std::string ours = "application/x-morvane-container=morvane-open.desktop;";
    struct
    {
        const char* Name;
        std::string Before;
        std::string Written;
    } cases[] = {
        {"no file", "", "[Default Applications]\n" + ours + "\n"},
        {"other section only", "[Added Associations]\ntext/plain=gedit.desktop;\n",
         "[Added Associations]\ntext/plain=gedit.desktop;\n[Default Applications]\n" + ours + "\n"},
        {"section with entries, then another",
         "[Default Applications]\ntext/plain=gedit.desktop;\n\n[Removed Associations]\na/b=c;\n",
         "[Default Applications]\ntext/plain=gedit.desktop;\n" + ours +
             "\n\n[Removed Associations]\na/b=c;\n"},
        {"another program was the default",
         "[Default Applications]\napplication/x-morvane-container = other.desktop;\nx/y=z;\n",
         "[Default Applications]\n" + ours + "\nx/y=z;\n"},
        {"already ours", "[Default Applications]\n" + ours + "\n",
         "[Default Applications]\n" + ours + "\n"},
        {"comment kept", "# mine\n[Default Applications]\n# note\n",
         "# mine\n[Default Applications]\n# note\n" + ours + "\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string written = platform::WithDefaultApplication(c.Before);
        EXPECT_EQ(written, c.Written);
        EXPECT_EQ(platform::WithDefaultApplication(written), written) << "writing twice";
    }
    // Taking our line out restores every file that did not already name a default for the type.
    for (const auto& c : {cases[0], cases[1], cases[2], cases[4], cases[5]}) {
        SCOPED_TRACE(c.Name);
        const std::string expected = std::string(c.Name) == "already ours" ? "" : c.Before;
        EXPECT_EQ(platform::WithoutDefaultApplication(c.Written), expected);
    }
    // A default the user gave to another program is not ours to take.
    const std::string theirs =
        "[Default Applications]\napplication/x-morvane-container=x.desktop;\n";
    EXPECT_EQ(platform::WithoutDefaultApplication(theirs), theirs);
}

TEST_F(Association, RemovingTakesAwayExactlyWhatWasWritten)
{
    // The user's own files beside ours, and a mimeapps.list of their own.
    Write(places.DataHome / "applications/gedit.desktop", "[Desktop Entry]\nName=gedit\n");
    Write(places.DataHome / "mime/packages/other.xml", "<mime-info/>\n");
    const std::string userList = "[Default Applications]\ntext/plain=gedit.desktop;\n";
    Write(places.MimeApps(), userList);

    platform::WriteAssociation(places, "/p/morvane", "morvane");
    ASSERT_TRUE(fs::exists(places.MimePackage()));
    ASSERT_TRUE(fs::exists(places.DesktopEntry()));
    ASSERT_NE(Read(places.MimeApps()), userList);

    platform::RemoveAssociation(places);
    EXPECT_FALSE(fs::exists(places.MimePackage()));
    EXPECT_FALSE(fs::exists(places.DesktopEntry()));
    EXPECT_EQ(Read(places.MimeApps()), userList);
    EXPECT_EQ(Read(places.DataHome / "applications/gedit.desktop"),
              "[Desktop Entry]\nName=gedit\n");
    EXPECT_TRUE(fs::exists(places.DataHome / "mime/packages/other.xml"));
    for (const fs::path& directory :
         {places.ConfigHome, places.DataHome / "applications", places.DataHome / "mime/packages"})
        for (const auto& entry : fs::directory_iterator(directory))
            EXPECT_EQ(entry.path().string().find(".new"), std::string::npos) << entry.path();

    // Removing what is no longer there changes nothing.
    platform::RemoveAssociation(places);
    EXPECT_EQ(Read(places.MimeApps()), userList);
}

TEST_F(Association, RemovingOnAnEmptyHomeCreatesNothing)
{
    platform::RemoveAssociation(places);
    EXPECT_FALSE(fs::exists(places.DataHome));
    EXPECT_FALSE(fs::exists(places.ConfigHome));
}

TEST_F(Association, ALonelyListWeCreatedGoesWithTheLine)
{
    platform::WriteAssociation(places, "/p/morvane", "morvane");
    platform::RemoveAssociation(places);
    EXPECT_FALSE(fs::exists(places.MimeApps()));
}

TEST_F(Association, WritingAgainRegistersAMovedProgram)
{
    platform::WriteAssociation(places, "/old/place/morvane", "morvane");
    const std::string list = Read(places.MimeApps());
    platform::WriteAssociation(places, "/new/place/morvane", "morvane");
    EXPECT_EQ(LineStartingWith(Read(places.DesktopEntry()), "Exec="), "\"/new/place/morvane\" %f");
    EXPECT_EQ(Read(places.MimeApps()), list) << "one line, not two";
}

TEST_F(Association, AFailureLeavesWhatWasWrittenBefore)
{
    // A plain file where the applications directory should be: the mime package is written, the
    // desktop entry cannot be, and mimeapps.list is not reached.
    Write(places.DataHome / "applications", "in the way\n");
    try {
        platform::WriteAssociation(places, "/p/morvane", "morvane");
        FAIL() << "no error raised";
    } catch (const platform::EAssociationError& error) {
        EXPECT_NE(std::string(error.what()).find(places.DesktopEntry().string()), std::string::npos)
            << error.what();
    }
    EXPECT_EQ(Read(places.MimePackage()), platform::MimePackageText());
    EXPECT_FALSE(fs::exists(places.MimeApps()));
}

TEST_F(Association, PresentWhileAnyPieceIsThere)
{
    EXPECT_FALSE(platform::AssociationPresent(places));
    Write(places.MimeApps(), "[Default Applications]\ntext/plain=gedit.desktop;\n");
    EXPECT_FALSE(platform::AssociationPresent(places)) << "the user's own lines are not ours";
    platform::WriteAssociation(places, "/p/morvane", "morvane");
    EXPECT_TRUE(platform::AssociationPresent(places));
    // Each piece alone counts, so that unticking can take the rest away.
    const std::string list = Read(places.MimeApps());
    for (int piece = 0; piece < 3; ++piece) {
        platform::RemoveAssociation(places);
        if (piece == 0)
            Write(places.MimePackage(), platform::MimePackageText());
        if (piece == 1)
            Write(places.DesktopEntry(), "[Desktop Entry]\n");
        if (piece == 2)
            Write(places.MimeApps(), list);
        EXPECT_TRUE(platform::AssociationPresent(places)) << piece;
    }
    platform::RemoveAssociation(places);
    EXPECT_FALSE(platform::AssociationPresent(places));
}

TEST_F(Association, WritingFollowsNoLinkPlantedAtTheNewNames)
{
    TTempDir elsewhere;
    Write(elsewhere / "victim", "victim");
    for (const fs::path& piece : {places.MimePackage(), places.DesktopEntry(), places.MimeApps()}) {
        fs::create_directories(piece.parent_path());
        fs::create_symlink(elsewhere / "victim", piece.string() + ".new");
    }
    platform::WriteAssociation(places, "/p/morvane", "morvane");
    EXPECT_EQ(Read(elsewhere / "victim"), "victim");
    EXPECT_EQ(Read(places.MimePackage()), platform::MimePackageText());
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(places.DesktopEntry())));
}

TEST_F(Association, AListThatCannotBeReadIsNotReplaced)
{
    // Rewriting a mimeapps.list that could not be read would lose the user's other lines. A FIFO
    // cannot be read by anyone, root included (and is not waited on).
    fs::create_directories(places.ConfigHome);
    ASSERT_EQ(::mkfifo(places.MimeApps().c_str(), 0600), 0);
    try {
        platform::WriteAssociation(places, "/p/morvane", "morvane");
        FAIL() << "no error raised";
    } catch (const platform::EAssociationError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Unable to read " + places.MimeApps().string() + ": " + std::strerror(EINVAL));
    }
    EXPECT_TRUE(fs::is_fifo(places.MimeApps()));
}

TEST_F(Association, TheUsersDesktopEntryIsValid)
{
    if (RunCommand({"sh", "-c", "command -v desktop-file-validate"}).Status != 0)
        GTEST_SKIP() << "desktop-file-validate is not installed";
    for (const char* program : {"/opt/morvane/lib/morvane/morvane", "/home/a b/100% \"x\"/$m`v`"}) {
        platform::WriteAssociation(places, program, "/icons/m.svg");
        const TCommandResult validated =
            RunCommand({"desktop-file-validate", places.DesktopEntry().string()});
        EXPECT_EQ(validated.Status, 0) << program << "\n" << validated.Output;
        EXPECT_EQ(validated.Output.find("error"), std::string::npos) << validated.Output;
    }
}

TEST_F(Association, RefreshedDatabaseKnowsTheTypeAndForgetsIt)
{
    if (std::system("command -v update-mime-database >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "update-mime-database is not installed";
    // The tool works on the temporary data home only.
    places.RefreshDatabases = true;
    const fs::path typeFile = places.DataHome / "mime/application/x-morvane-container.xml";
    platform::WriteAssociation(places, "/p/morvane", "morvane");
    ASSERT_TRUE(fs::exists(typeFile)) << "the package was read as valid";
    // The compiled magic: one byte 4 at offset 4, and within it the four bytes "MV**" at 5.
    const std::string magic("[50:application/x-morvane-container]\n>4=\0\x01\x04\n1>5=\0\x04MV**\n",
                            55);
    EXPECT_NE(Read(places.DataHome / "mime/magic").find(magic), std::string::npos);
    EXPECT_NE(Read(places.DataHome / "mime/globs2").find("application/x-morvane-container:*.mvx"),
              std::string::npos);
    platform::RemoveAssociation(places);
    EXPECT_FALSE(fs::exists(typeFile));
    EXPECT_EQ(Read(places.DataHome / "mime/globs2").find("x-morvane-container"), std::string::npos);
}

} // namespace
} // namespace mv::test
