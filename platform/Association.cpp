#include "platform/Association.h"

#include "platform/Ini.h"
#include "platform/ProgramPath.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <spawn.h>
#include <sys/wait.h>
#include <system_error>
#include <vector>

extern char** environ;

namespace mv::platform {

namespace fs = std::filesystem;

namespace {

const char* const DefaultSection = "[Default Applications]";

std::string Trim(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// Replaces path with text through platform/Ini's exclusive new file and rename, creating the
// missing directories (private to the user, as the XDG homes are meant to be).
// A file that exists keeps its permissions.
void WriteFileReplacing(const fs::path& path, const std::string& text)
{
    std::error_code error;
    const fs::file_status old = fs::status(path, error);
    const mode_t mode =
        fs::is_regular_file(old) ? static_cast<mode_t>(old.permissions() & fs::perms::mask) : 0644;
    std::string reason;
    if (!CreateDirectories(path.parent_path(), 0700, &reason) ||
        !ReplaceFile(path, text, mode, &reason))
        throw EAssociationError("Unable to write " + path.string() + ": " + reason);
}

std::optional<std::string> ReadFile(const fs::path& path)
{
    return ReadSmallFile(path);
}

// mimeapps.list as it is, empty when there is none. One that exists but cannot be read is not
// taken as empty: rewriting it would lose every other line of the user's.
std::string ReadMimeApps(const fs::path& path)
{
    std::string reason;
    if (std::optional<std::string> text = ReadSmallFile(path, &reason))
        return *text;
    std::error_code error;
    if (fs::exists(fs::symlink_status(path, error)))
        throw EAssociationError("Unable to read " + path.string() + ": " + reason);
    return {};
}

// Runs tool with one argument, its output discarded, and waits for it; a tool that is not
// installed is skipped.
void RunQuietly(const char* tool, const fs::path& argument)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const std::string text = argument.string();
    const char* argv[] = {tool, text.c_str(), nullptr};
    pid_t child = 0;
    const int started =
        posix_spawnp(&child, tool, &actions, nullptr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (started != 0)
        return;
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
}

void Refresh(const TAssociationPlaces& places)
{
    if (!places.RefreshDatabases)
        return;
    std::error_code error;
    if (fs::is_directory(places.DataHome / "mime", error))
        RunQuietly("update-mime-database", places.DataHome / "mime");
    if (fs::is_directory(places.DataHome / "applications", error))
        RunQuietly("update-desktop-database", places.DataHome / "applications");
}

// ---- mimeapps.list as lines --------------------------------------------------------------------

struct TLines
{
    std::vector<std::string> Lines;
    bool FinalNewline = false;
};

TLines Split(const std::string& text)
{
    TLines result;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            result.Lines.push_back(text.substr(start));
            return result;
        }
        result.Lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    result.FinalNewline = !result.Lines.empty();
    return result;
}

std::string Join(const TLines& lines)
{
    std::string text;
    for (size_t i = 0; i < lines.Lines.size(); ++i)
        text += (i ? "\n" : "") + lines.Lines[i];
    if (lines.FinalNewline && !lines.Lines.empty())
        text += '\n';
    return text;
}

bool IsSection(const std::string& line)
{
    const std::string trimmed = Trim(line);
    return trimmed.size() >= 2 && trimmed.front() == '[' && trimmed.back() == ']';
}

bool IsEntry(const std::string& line)
{
    const std::string trimmed = Trim(line);
    return !trimmed.empty() && trimmed.front() != '#' && !IsSection(line);
}

bool IsOurType(const std::string& line)
{
    const size_t equals = line.find('=');
    return IsEntry(line) && equals != std::string::npos &&
           Trim(line.substr(0, equals)) == ContainerMimeType;
}

bool IsOurLine(const std::string& line)
{
    if (!IsOurType(line))
        return false;
    const std::string value = Trim(line.substr(line.find('=') + 1));
    return value == AssociationDesktopId || value == std::string(AssociationDesktopId) + ";";
}

std::string OurLine()
{
    return std::string(ContainerMimeType) + "=" + AssociationDesktopId + ";";
}

// One past the last line of the section whose header is at index header.
size_t SectionEnd(const TLines& lines, size_t header)
{
    size_t end = header + 1;
    while (end < lines.Lines.size() && !IsSection(lines.Lines[end]))
        ++end;
    return end;
}

} // namespace

fs::path TAssociationPlaces::MimePackage() const
{
    return DataHome / "mime" / "packages" / "morvane-mvx.xml";
}

fs::path TAssociationPlaces::DesktopEntry() const
{
    return DataHome / "applications" / AssociationDesktopId;
}

fs::path TAssociationPlaces::MimeApps() const
{
    return ConfigHome / "mimeapps.list";
}

TAssociationPlaces UserAssociationPlaces()
{
    TAssociationPlaces places;
    places.DataHome = DataHome();
    places.ConfigHome = ConfigHome();
    return places;
}

std::string MimePackageText()
{
    // The mark is the length byte 4 and "MV**" at offset 4: one byte, then the four characters.
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
           "  <mime-type type=\"" +
           std::string(ContainerMimeType) +
           "\">\n"
           "    <comment>Morvane encrypted container</comment>\n"
           "    <comment xml:lang=\"ro\">Container criptat Morvane</comment>\n"
           "    <glob pattern=\"*.mvx\"/>\n"
           "    <magic priority=\"50\">\n"
           "      <match type=\"byte\" value=\"0x04\" offset=\"4\">\n"
           "        <match type=\"string\" value=\"MV**\" offset=\"5\"/>\n"
           "      </match>\n"
           "    </magic>\n"
           "  </mime-type>\n"
           "</mime-info>\n";
}

std::string DesktopExecProgram(const fs::path& programFile)
{
    // The Exec quoting first (inside double quotes, " ` $ and \ take a backslash), then the field
    // codes' own escape (a literal % is %%), then the escapes of a string value (\\, \n, \t, \r),
    // since a reader undoes them in the opposite order.
    std::string quoted = "\"";
    for (char c : programFile.string()) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += '\\';
        quoted += c;
        if (c == '%')
            quoted += '%';
    }
    quoted += '"';
    std::string value;
    for (char c : quoted) {
        switch (c) {
        case '\\':
            value += "\\\\";
            break;
        case '\n':
            value += "\\n";
            break;
        case '\t':
            value += "\\t";
            break;
        case '\r':
            value += "\\r";
            break;
        default:
            value += c;
            break;
        }
    }
    return value;
}

std::string DesktopEntryText(const fs::path& programFile, const std::string& icon)
{
    // Hidden from the menus: the menu entry, if any, is the installed one; this one only opens
    // containers.
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Version=1.4\n"
           "Name=Morvane\n"
           "GenericName=File encryption\n"
           "Comment=Decrypt a Morvane container\n"
           "Comment[ro]=Decripteaza un container Morvane\n"
           "Exec=" +
           DesktopExecProgram(programFile) +
           " %f\n"
           "Icon=" +
           icon +
           "\n"
           "Terminal=false\n"
           "NoDisplay=true\n"
           "MimeType=" +
           ContainerMimeType + ";\n";
}

std::string WithDefaultApplication(const std::string& mimeApps)
{
    TLines lines = Split(mimeApps);
    for (size_t i = 0; i < lines.Lines.size(); ++i) {
        if (Trim(lines.Lines[i]) != DefaultSection)
            continue;
        const size_t end = SectionEnd(lines, i);
        size_t insertAt = i + 1;
        for (size_t j = i + 1; j < end; ++j) {
            if (IsOurType(lines.Lines[j])) {
                lines.Lines[j] = OurLine();
                return Join(lines);
            }
            if (!Trim(lines.Lines[j]).empty())
                insertAt = j + 1;
        }
        lines.Lines.insert(lines.Lines.begin() + static_cast<ptrdiff_t>(insertAt), OurLine());
        if (insertAt == lines.Lines.size() - 1)
            lines.FinalNewline = true;
        return Join(lines);
    }
    lines.Lines.push_back(DefaultSection);
    lines.Lines.push_back(OurLine());
    lines.FinalNewline = true;
    return Join(lines);
}

std::string WithoutDefaultApplication(const std::string& mimeApps)
{
    TLines lines = Split(mimeApps);
    for (size_t i = 0; i < lines.Lines.size(); ++i) {
        if (Trim(lines.Lines[i]) != DefaultSection)
            continue;
        size_t end = SectionEnd(lines, i);
        bool removed = false;
        for (size_t j = i + 1; j < end;) {
            if (IsOurLine(lines.Lines[j])) {
                lines.Lines.erase(lines.Lines.begin() + static_cast<ptrdiff_t>(j));
                --end;
                removed = true;
            } else {
                ++j;
            }
        }
        // A section this program's line was the only content of goes with the line.
        if (removed && end == i + 1)
            lines.Lines.erase(lines.Lines.begin() + static_cast<ptrdiff_t>(i--));
    }
    return Join(lines);
}

void WriteAssociation(const TAssociationPlaces& places, const fs::path& programFile,
                      const std::string& icon)
{
    WriteFileReplacing(places.MimePackage(), MimePackageText());
    WriteFileReplacing(places.DesktopEntry(), DesktopEntryText(programFile, icon));
    const std::string mimeApps = ReadMimeApps(places.MimeApps());
    const std::string updated = WithDefaultApplication(mimeApps);
    if (updated != mimeApps)
        WriteFileReplacing(places.MimeApps(), updated);
    Refresh(places);
}

void RemoveAssociation(const TAssociationPlaces& places)
{
    std::error_code error;
    fs::remove(places.MimePackage(), error);
    fs::remove(places.DesktopEntry(), error);
    if (std::optional<std::string> mimeApps = ReadFile(places.MimeApps())) {
        const std::string updated = WithoutDefaultApplication(*mimeApps);
        try {
            if (Trim(updated).empty() && !Trim(*mimeApps).empty())
                fs::remove(places.MimeApps(), error);
            else if (updated != *mimeApps)
                WriteFileReplacing(places.MimeApps(), updated);
        } catch (const EAssociationError&) {
            // Removal reports nothing: a file that cannot be rewritten keeps the line.
        }
    }
    Refresh(places);
}

bool AssociationPresent(const TAssociationPlaces& places)
{
    std::error_code error;
    if (fs::exists(fs::symlink_status(places.MimePackage(), error)) ||
        fs::exists(fs::symlink_status(places.DesktopEntry(), error)))
        return true;
    const std::optional<std::string> mimeApps = ReadFile(places.MimeApps());
    return mimeApps && WithoutDefaultApplication(*mimeApps) != *mimeApps;
}

} // namespace mv::platform
