#include "app/Settings.h"

#include "app/Languages.h"
#include "platform/Ini.h"

#include <ini.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <string>
#include <unistd.h>

namespace mv::app {

namespace {

enum class TKeyKind
{
    Flag,
    Index
};

struct TKey
{
    const char* Section;
    const char* Name;
    TKeyKind Kind;
    const char* Control;
    int Count; // entries of the list, for an index
};

// The keys in the order they are read and written.
constexpr TKey Keys[] = {
    {"Encoding", "Compress", TKeyKind::Flag, "chkEncCompress", 0},
    {"Encoding", "Wipe", TKeyKind::Flag, "chkEncWipeInput", 0},
    {"Encoding", "Test", TKeyKind::Flag, "chkEncTestOutput", 0},
    {"Encoding", "SelfExtract", TKeyKind::Flag, "chkEncSelfExtract", 0},
    {"Encoding", "IncludePass", TKeyKind::Flag, "chkIncludePass", 0},
    {"Encoding", "IncludeCRC", TKeyKind::Flag, "chkIncludeCRC", 0},
    {"Decoding", "Wipe", TKeyKind::Flag, "chkDecWipeInput", 0},
    {"Decoding", "Test", TKeyKind::Flag, "chkDecTestOutput", 0},
    {"Options", "Algorithm", TKeyKind::Index, "edtAlgorithm", 6},
    {"Options", "CipherMode", TKeyKind::Index, "edtCipherMode", 4},
    {"Options", "Language", TKeyKind::Index, "edtLanguage", 2},
    {"Options", "Associate", TKeyKind::Flag, "chkAssociate", 0},
    {"Options", "ShowHint", TKeyKind::Flag, "chkShowHint", 0},
    {"Options", "SecureWipe", TKeyKind::Flag, "chk3PassWipe", 0},
};

std::string Lower(std::string_view text)
{
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return result;
}

std::string LookupKey(std::string_view section, std::string_view name)
{
    return Lower(section) + '\n' + Lower(name);
}

using TValues = std::map<std::string, std::string>;

int CollectValue(void* user, const char* section, const char* name, const char* value)
{
    // The first occurrence of a key counts, as the system's INI reader does.
    static_cast<TValues*>(user)->emplace(LookupKey(section, name), value);
    return 1;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

std::filesystem::path SettingsPath(const std::filesystem::path& programDirectory,
                                   const std::filesystem::path& configHome)
{
    const std::filesystem::path portable = programDirectory / SettingsFileName;
    if (configHome.empty())
        return portable;
    std::error_code error;
    // A FIFO or a device of that name is no settings file: reading it could wait forever.
    const bool rewritable =
        std::filesystem::is_regular_file(portable, error) &&
        ::access(portable.c_str(), W_OK) == 0 &&
        ::access(programDirectory.empty() ? "." : programDirectory.c_str(), W_OK | X_OK) == 0;
    if (rewritable)
        return portable;
    return configHome / SettingsDirectoryName / SettingsFileName;
}

std::optional<int32_t> ParseIniInteger(std::string_view text)
{
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (!text.empty() && text.front() == '$') {
        base = 16;
        text.remove_prefix(1);
    } else if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty())
        return std::nullopt;
    int64_t value = 0;
    for (char c : text) {
        const int digit = HexDigit(c);
        if (digit < 0 || digit >= base)
            return std::nullopt;
        value = value * base + digit;
        // Hexadecimal may spell the whole 32-bit pattern ($FFFFFFFF is -1); decimal must fit.
        if (value > (base == 16 ? int64_t{0xFFFFFFFF} : int64_t{0x80000000}))
            return std::nullopt;
    }
    if (base == 16 && value > INT32_MAX)
        value -= int64_t{1} << 32;
    if (negative)
        value = -value;
    if (value < INT32_MIN || value > INT32_MAX)
        return std::nullopt;
    return static_cast<int32_t>(value);
}

void LoadSettings(TMainWindow& window, TVariabile& variabile,
                  const std::filesystem::path& settingsFile)
{
    TValues values;
    // A missing file and one that cannot be read both start the program with the defaults; an
    // unreadable file must not leave the window without any language at all. Only a regular file
    // is read, without waiting on a FIFO.
    if (std::optional<std::string> text = platform::ReadSmallFile(settingsFile)) {
        if (ini_parse_string(text->c_str(), CollectValue, &values) < 0)
            values.clear();
    }

    for (const TKey& key : Keys) {
        int32_t value = 0;
        if (auto it = values.find(LookupKey(key.Section, key.Name)); it != values.end())
            value = ParseIniInteger(it->second).value_or(0);
        if (key.Kind == TKeyKind::Flag) {
            // Every box starts unchecked: a set flag changes the state and runs its handler.
            window.SetChecked(key.Control, value != 0);
        } else {
            // An index outside its list is read as the default rather than leaving the list
            // without a selection, which would hand the jobs an impossible index.
            window.SetItemIndex(key.Control, value >= 0 && value < key.Count ? value : 0);
        }
    }

    ApplyLanguage(window, variabile, window.ItemIndex("edtLanguage"));
    variabile.AlgorithmIndex = static_cast<uint8_t>(window.ItemIndex("edtAlgorithm"));
    variabile.CipherModeIndex = static_cast<uint8_t>(window.ItemIndex("edtCipherMode"));
    variabile.SelfExtract = window.Checked("chkEncSelfExtract");
    variabile.SecureWipe = window.Checked("chk3PassWipe");
}

bool SaveSettings(const TMainWindow& window, const std::filesystem::path& settingsFile,
                  std::string* error)
{
    std::vector<platform::TIniSection> sections;
    for (const TKey& key : Keys) {
        if (sections.empty() || sections.back().Name != key.Section)
            sections.push_back({key.Section, {}});
        const std::string value = key.Kind == TKeyKind::Flag
                                      ? (window.Checked(key.Control) ? "1" : "0")
                                      : std::to_string(std::max(0, window.ItemIndex(key.Control)));
        sections.back().Keys.emplace_back(key.Name, value);
    }
    // The user's own settings directory is nobody else's business.
    return platform::CreateDirectories(settingsFile.parent_path(), 0700, error) &&
           platform::WriteIniFile(settingsFile, sections, error);
}

} // namespace mv::app
