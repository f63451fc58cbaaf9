// The installation rules (cmake/Install.cmake and every install() of the project) as a user meets
// them: the project installed from this build into a fresh DESTDIR with the prefix /usr, then
// the installed programs run from there (the self-test, a round trip through a container and a
// self-decrypting file with --password-file), the desktop entry checked by desktop-file-validate,
// the MIME package by update-mime-database and against the containers' own bytes, and the
// AppStream metadata by appstreamcli.
#include "platform/Association.h"
#include "tests/support/Command.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <sys/stat.h>

namespace mv::test {
namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The components the package is made of, as cmake/Package.cmake lists them.
std::vector<std::string> InstallComponents()
{
    std::vector<std::string> components;
    std::stringstream list(MORVANE_INSTALL_COMPONENTS);
    for (std::string component; std::getline(list, component, ',');)
        if (!component.empty())
            components.push_back(component);
    return components;
}

bool HaveTool(const std::string& tool)
{
    return RunCommand({"sh", "-c", "command -v " + tool}).Status == 0;
}

class Installed : public ::testing::Test
{
protected:
    TTempDir destdir;
    fs::path usr;

    // Installs component by component: an installation of a named component writes its own list
    // of files (install_manifest_<component>.txt), so the build's install_manifest.txt from a
    // user's own `cmake --install` stays as it was.
    void SetUp() override
    {
        usr = destdir / "usr";
        for (const std::string& component : InstallComponents()) {
            const TCommandResult installed =
                RunCommand({"cmake", "--install", MORVANE_BUILD_DIR, "--prefix", "/usr",
                            "--component", component},
                           {{"DESTDIR", destdir.Path().string()}});
            ASSERT_EQ(installed.Status, 0) << installed.Output;
        }
    }

    TCommandResult Cli(std::vector<std::string> arguments, const fs::path& directory = {})
    {
        arguments.insert(arguments.begin(), (usr / "bin/morvane-cli").string());
        return RunCommand(arguments, {}, directory);
    }
};

TEST_F(Installed, ProgramDirectoryLinksAndDesktopFilesAreInPlace)
{
    const struct
    {
        const char* Path;
        fs::file_type Type;
        bool Executable;
    } cases[] = {
        {"lib/morvane/morvane-cli", fs::file_type::regular, true},
        {"lib/morvane/extractor.dat", fs::file_type::regular, false},
        {"lib/morvane/Help/Morvane.html", fs::file_type::regular, false},
        {"lib/morvane/morvane.svg", fs::file_type::regular, false},
        {"bin/morvane-cli", fs::file_type::symlink, true},
        {"share/mime/packages/morvane.xml", fs::file_type::regular, false},
        {"share/icons/hicolor/scalable/apps/morvane.svg", fs::file_type::regular, false},
#ifdef MORVANE_WITH_WINDOW
        {"lib/morvane/morvane", fs::file_type::regular, true},
        {"lib/morvane/Plugins/PasswordGenerator.so", fs::file_type::regular, true},
        {"lib/morvane/Plugins/FileChecksum.so", fs::file_type::regular, true},
        {"bin/morvane", fs::file_type::symlink, true},
        {"share/applications/morvane.desktop", fs::file_type::regular, false},
        {"share/metainfo/org.example.morvane.metainfo.xml", fs::file_type::regular, false},
#endif
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Path);
        EXPECT_EQ(fs::symlink_status(usr / c.Path).type(), c.Type);
        EXPECT_EQ(::access((usr / c.Path).c_str(), X_OK) == 0, c.Executable);
    }
    // Relative links, so the tree works wherever it is unpacked.
    EXPECT_EQ(fs::read_symlink(usr / "bin/morvane-cli"), "../lib/morvane/morvane-cli");
    // Nothing lands outside the prefix.
    for (const auto& entry : fs::directory_iterator(destdir.Path()))
        EXPECT_EQ(entry.path().filename(), "usr");
}

TEST_F(Installed, CommandLineProgramRunsARoundTripFromThere)
{
    const TCommandResult selftest = Cli({"selftest"});
    EXPECT_EQ(selftest.Status, 0) << selftest.Output;
    // The version where the program offers it.
    const TCommandResult version = Cli({"--version"});
    if (version.Status == 0) {
        EXPECT_NE(version.Output.find("0.5.1.70"), std::string::npos) << version.Output;
    }

    TTempDir work;
    const std::vector<uint8_t> plain = PseudoRandomBytes(100'000, 14);
    WriteBytes(work / "report.txt", plain);
    std::ofstream(work / "password") << "correct horse";
    fs::create_directory(work / "out");
    const std::string password = (work / "password").string();

    const TCommandResult encrypted =
        Cli({"encrypt", "--password-file", password, "--crc", "--check", "-q", "report.txt"},
            work.Path());
    ASSERT_EQ(encrypted.Status, 0) << encrypted.Output;
    const TCommandResult decrypted = Cli(
        {"decrypt", "--password-file", password, "-q", "-d", (work / "out").string(), "report.mvx"},
        work.Path());
    ASSERT_EQ(decrypted.Status, 0) << decrypted.Output;
    EXPECT_EQ(ReadBytes(work / "out/report.txt"), plain);

    // A self-decrypting file takes the module beside the installed program, and restores itself.
    const TCommandResult sfx =
        Cli({"encrypt", "--password-file", password, "--sfx", "-q", "report.txt"}, work.Path());
    ASSERT_EQ(sfx.Status, 0) << sfx.Output;
    fs::create_directory(work / "sfx-out");
    const TCommandResult restored = RunCommand({(work / "report.exe").string(), "--password-file",
                                                password, "-q", "-d", (work / "sfx-out").string()});
    ASSERT_EQ(restored.Status, 0) << restored.Output;
    EXPECT_EQ(ReadBytes(work / "sfx-out/report.txt"), plain);
}

TEST_F(Installed, MimePackageNamesTheContainersByExtensionAndMark)
{
    const std::string package = Read(usr / "share/mime/packages/morvane.xml");
    // The same type as the per-user association writes, so the two never disagree.
    EXPECT_EQ(package, platform::MimePackageText());
    EXPECT_NE(package.find("<glob pattern=\"*.mvx\"/>"), std::string::npos);
    // The mark the magic names is the one real containers carry at offset 4.
    for (const char* golden : {"golden/twofish-cbc-plain.mvx", "golden/aes-ofb-compressed.mvx"}) {
        const std::vector<uint8_t> bytes = ReadBytes(DataPath(golden));
        ASSERT_GE(bytes.size(), 9u);
        EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 4, bytes.begin() + 9),
                  (std::vector<uint8_t>{0x04, 'M', 'V', '*', '*'}))
            << golden;
    }
    if (!HaveTool("update-mime-database"))
        GTEST_SKIP() << "update-mime-database is not installed";
    const TCommandResult updated =
        RunCommand({"update-mime-database", (usr / "share/mime").string()});
    ASSERT_EQ(updated.Status, 0) << updated.Output;
    const std::string magic("[50:application/x-morvane-container]\n>4=\0\x01\x04\n1>5=\0\x04MV**\n",
                            55);
    EXPECT_NE(Read(usr / "share/mime/magic").find(magic), std::string::npos);
    EXPECT_NE(Read(usr / "share/mime/globs2").find("application/x-morvane-container:*.mvx"),
              std::string::npos);
}

TEST_F(Installed, ManualPagesAndCompletionWorkFromTheirInstalledPlaces)
{
    std::vector<fs::path> pages;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(usr / "share/man/man1", error))
        pages.push_back(entry.path());
    if (pages.empty())
        GTEST_SKIP() << "this tree installs no manual page";
    if (!HaveTool("man"))
        GTEST_SKIP() << "man is not installed";
    for (const fs::path& page : pages) {
        SCOPED_TRACE(page.string());
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(page)));
        const TCommandResult rendered =
            RunCommand({"man", "-l", page.string()}, {{"MANWIDTH", "80"}, {"MANPAGER", "cat"}});
        EXPECT_EQ(rendered.Status, 0) << rendered.Output;
        EXPECT_NE(rendered.Output.find("morvane"), std::string::npos) << rendered.Output;
    }
    const fs::path completion = usr / "share/bash-completion/completions/morvane-cli";
    if (fs::exists(completion)) {
        const TCommandResult parsed = RunCommand({"bash", "-n", completion.string()});
        EXPECT_EQ(parsed.Status, 0) << parsed.Output;
    }
}

#ifdef MORVANE_WITH_WINDOW
TEST_F(Installed, DesktopEntryIsValidAndOpensContainers)
{
    const fs::path entry = usr / "share/applications/morvane.desktop";
    const std::string text = Read(entry);
    EXPECT_NE(text.find("\nExec=\"/usr/bin/morvane\" %f\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nMimeType=application/x-morvane-container;\n"), std::string::npos);
    EXPECT_NE(text.find("\nIcon=morvane\n"), std::string::npos);
    // The package's names are not the per-user association's, so unticking never removes them.
    EXPECT_NE(entry.filename(), platform::AssociationDesktopId);
    EXPECT_NE(fs::path("morvane.xml"), platform::TAssociationPlaces{}.MimePackage().filename());
    if (!HaveTool("desktop-file-validate"))
        GTEST_SKIP() << "desktop-file-validate is not installed";
    const TCommandResult validated = RunCommand({"desktop-file-validate", entry.string()});
    EXPECT_EQ(validated.Status, 0) << validated.Output;
    EXPECT_EQ(validated.Output.find("error"), std::string::npos) << validated.Output;
}

TEST_F(Installed, AppStreamMetadataIsValid)
{
    const fs::path metainfo = usr / "share/metainfo/org.example.morvane.metainfo.xml";
    const std::string text = Read(metainfo);
    EXPECT_NE(text.find("<launchable type=\"desktop-id\">morvane.desktop</launchable>"),
              std::string::npos);
    EXPECT_NE(text.find(std::string("<release version=\"") + MORVANE_VERSION + "\""),
              std::string::npos)
        << "the release named is the project's version";
    if (!HaveTool("appstreamcli"))
        GTEST_SKIP() << "appstreamcli is not installed";
    const TCommandResult validated =
        RunCommand({"appstreamcli", "validate", "--no-net", "--pedantic", metainfo.string()});
    EXPECT_EQ(validated.Status, 0) << validated.Output;
}
#endif

} // namespace
} // namespace mv::test
