// The settings file "Morvane.ini": the state of the option controls between runs. Read once while
// the main window is created, rewritten whenever it closes. It lives beside the program only in a
// portable copy (the file is already there and can be rewritten); otherwise in the user's
// configuration home, so an installed program keeps each user's options.
#pragma once

#include "app/MainWindow.h"
#include "app/Variabile.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace mv::app {

inline constexpr const char* SettingsFileName = "Morvane.ini";
// The directory below the configuration home that holds the user's settings file.
inline constexpr const char* SettingsDirectoryName = "Morvane";

// programDirectory/Morvane.ini when it is a regular file there that this user can rewrite (the file
// and its directory writable, since a save replaces it); otherwise
// configHome/Morvane/Morvane.ini. An empty configHome leaves only the place beside the program.
std::filesystem::path SettingsPath(const std::filesystem::path& programDirectory,
                                   const std::filesystem::path& configHome);

// A 32-bit integer in decimal or, after "0x" or "$", hexadecimal, with an optional sign; nothing
// for any other text.
std::optional<int32_t> ParseIniInteger(std::string_view text);

// Puts the file's values into the controls, in the order of the file's table, so that each
// check box that reads as set runs its click handler; then applies the language and copies the
// lists and the two flags into variabile. A missing or unreadable file gives the defaults
// (English, every option off); an index outside its list reads as its default.
void LoadSettings(TMainWindow& window, TVariabile& variabile,
                  const std::filesystem::path& settingsFile);

// Writes exactly the three sections and 14 keys from the controls' state (not the globals),
// creating the file's directory (mode 0700) when it is missing. False, with the system's reason in
// error when given, when the file could not be written; the old file then stays as it was.
bool SaveSettings(const TMainWindow& window, const std::filesystem::path& settingsFile,
                  std::string* error = nullptr);

} // namespace mv::app
