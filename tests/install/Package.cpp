// The Debian package as `make package` makes it (cpack with the build's CPackConfig.cmake): its
// control fields, a Depends that dpkg-shlibdeps computed from the shared libraries (the Qt 6
// libraries among them), and a content that is exactly what the installation rules install under
// /usr, every entry owned by root. One test, so the package is made once.
#include "tests/support/Command.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <sstream>

namespace mv::test {
namespace {

namespace fs = std::filesystem;

bool HaveTool(const std::string& tool)
{
    return RunCommand({"sh", "-c", "command -v " + tool}).Status == 0;
}

std::string Trimmed(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text;
}

// The package names of a Depends value ("a (>= 1), b | c" gives a, b, c).
std::set<std::string> PackageNames(const std::string& depends)
{
    std::set<std::string> names;
    std::string name;
    bool inName = true;
    for (char c : depends + ",") {
        if (c == ',' || c == '|') {
            if (!name.empty())
                names.insert(name);
            name.clear();
            inName = true;
        } else if (c == ' ' || c == '(') {
            inName = name.empty() && c == ' ';
        } else if (inName) {
            name += c;
        }
    }
    return names;
}

struct TEntry
{
    char Type; // 'd', '-', 'l'
    std::string Mode;
    std::string Owner;
    std::string Target; // of a link
};

// dpkg-deb -c's lines by path.
std::map<std::string, TEntry> Listing(const std::string& text)
{
    std::map<std::string, TEntry> entries;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::string mode, owner, size, date, time, path, arrow, target;
        fields >> mode >> owner >> size >> date >> time >> path >> arrow >> target;
        if (path.empty())
            continue;
        if (path.size() > 2 && path.back() == '/')
            path.pop_back();
        entries[path] = TEntry{mode[0], mode, owner, target};
    }
    return entries;
}

// The files and links an installation of every component puts under DESTDIR, as "./usr/...".
std::map<std::string, TEntry> InstalledTree(const fs::path& destdir)
{
    std::stringstream list(MORVANE_INSTALL_COMPONENTS);
    for (std::string component; std::getline(list, component, ',');) {
        const TCommandResult installed = RunCommand(
            {"cmake", "--install", MORVANE_BUILD_DIR, "--prefix", "/usr", "--component", component},
            {{"DESTDIR", destdir.string()}});
        EXPECT_EQ(installed.Status, 0) << installed.Output;
    }
    std::map<std::string, TEntry> entries;
    for (const auto& entry : fs::recursive_directory_iterator(destdir)) {
        const std::string path = "./" + entry.path().lexically_relative(destdir).string();
        if (entry.is_symlink())
            entries[path] = TEntry{'l', "", "", fs::read_symlink(entry.path()).string()};
        else if (entry.is_regular_file())
            entries[path] = TEntry{'-', "", "", ""};
    }
    return entries;
}

TEST(Package, HoldsWhatTheInstallationInstallsAndDependsOnItsLibraries)
{
    for (const char* tool : {"cpack", "dpkg-deb", "dpkg-shlibdeps", "file"})
        if (!HaveTool(tool))
            GTEST_SKIP() << tool << " is not installed (Debian packages cmake, dpkg-dev, file)";
    TTempDir out;
    const TCommandResult made = RunCommand({"cpack", "-G", "DEB", "--config",
                                            std::string(MORVANE_BUILD_DIR) + "/CPackConfig.cmake",
                                            "-B", out.Path().string()},
                                           {}, MORVANE_BUILD_DIR);
    ASSERT_EQ(made.Status, 0) << made.Output;

    const std::string architecture = Trimmed(RunCommand({"dpkg", "--print-architecture"}).Output);
    const fs::path deb =
        out / ("morvane_" + std::string(MORVANE_VERSION) + "_" + architecture + ".deb");
    ASSERT_TRUE(fs::is_regular_file(deb)) << made.Output;
    const TCommandResult info = RunCommand({"dpkg-deb", "-I", deb.string()});
    ASSERT_EQ(info.Status, 0) << info.Output;
    // The whole control record, to read when a check below fails.
    SCOPED_TRACE(info.Output);

    const auto field = [&deb](const char* name) {
        return Trimmed(RunCommand({"dpkg-deb", "-f", deb.string(), name}).Output);
    };
    EXPECT_EQ(field("Package"), "morvane");
    EXPECT_EQ(field("Version"), MORVANE_VERSION);
    EXPECT_EQ(field("Architecture"), architecture);
    EXPECT_EQ(field("Section"), "utils");
    EXPECT_NE(field("Maintainer"), "");
    EXPECT_NE(field("Description").find("encrypt"), std::string::npos);

    // Computed from the libraries the programs and plug-ins link.
    const std::set<std::string> depends = PackageNames(field("Depends"));
    std::vector<std::string> expected = {"libc6", "libstdc++6", "libdeflate0", "libinih1",
                                         "zlib1g"};
#ifdef MORVANE_WITH_WINDOW
    for (const char* qt : {"libqt6core6", "libqt6gui6", "libqt6widgets6", "libqt6svg6"})
        expected.push_back(qt);
#endif
    for (const std::string& package : expected)
        EXPECT_TRUE(depends.count(package)) << package << " missing from Depends";

    // The content: exactly the installation's files and links, under /usr, owned by root.
    const TCommandResult content = RunCommand({"dpkg-deb", "-c", deb.string()});
    ASSERT_EQ(content.Status, 0) << content.Output;
    const std::map<std::string, TEntry> packaged = Listing(content.Output);
    TTempDir destdir;
    const std::map<std::string, TEntry> installed = InstalledTree(destdir.Path());
    ASSERT_FALSE(installed.empty());
    for (const auto& [path, entry] : installed) {
        SCOPED_TRACE(path);
        const auto it = packaged.find(path);
        ASSERT_NE(it, packaged.end()) << "installed but not in the package";
        EXPECT_EQ(it->second.Type, entry.Type);
        EXPECT_EQ(it->second.Target, entry.Target);
    }
    for (const auto& [path, entry] : packaged) {
        SCOPED_TRACE(path);
        EXPECT_EQ(entry.Owner, "root/root");
        if (entry.Type != 'd') {
            EXPECT_TRUE(installed.count(path)) << "in the package but not installed";
        }
        EXPECT_TRUE(path == "./" || path.rfind("./usr", 0) == 0);
    }
    EXPECT_EQ(packaged.at("./usr/bin/morvane-cli").Target, "../lib/morvane/morvane-cli");
    EXPECT_EQ(packaged.at("./usr/lib/morvane/morvane-cli").Mode, "-rwxr-xr-x");
    EXPECT_TRUE(packaged.count("./usr/share/mime/packages/morvane.xml"));
#ifdef MORVANE_WITH_WINDOW
    EXPECT_EQ(packaged.at("./usr/bin/morvane").Target, "../lib/morvane/morvane");
    for (const char* path : {"./usr/share/applications/morvane.desktop",
                             "./usr/share/metainfo/org.example.morvane.metainfo.xml",
                             "./usr/share/icons/hicolor/scalable/apps/morvane.svg",
                             "./usr/lib/morvane/Plugins/PasswordGenerator.so"})
        EXPECT_TRUE(packaged.count(path)) << path;
#endif
}

} // namespace
} // namespace mv::test
