// The settings file "Morvane.ini" beside the program: the state of the option controls between
// runs. Read once while the main window is created, rewritten whenever it closes.
#pragma once

#include "app/MainWindow.h"
#include "app/Variabile.h"

#include <filesystem>
#include <optional>
#include <string_view>

namespace mv::app {

inline constexpr const char* SettingsFileName = "Morvane.ini";

// programDirectory / "Morvane.ini".
std::filesystem::path SettingsPath(const std::filesystem::path& programDirectory);

// A 32-bit integer in decimal or, after "0x" or "$", hexadecimal, with an optional sign; nothing
// for any other text.
std::optional<int32_t> ParseIniInteger(std::string_view text);

// Puts the file's values into the controls, in the order of the file's table, so that each
// check box that reads as set runs its click handler; then applies the language and copies the
// lists and the two flags into variabile. A missing or unreadable file gives the defaults
// (English, every option off); an index outside its list reads as its default.
void LoadSettings(TMainWindow& window, TVariabile& variabile,
                  const std::filesystem::path& settingsFile);

// Writes exactly the three sections and 14 keys from the controls' state (not the globals).
// False when the file could not be written; nothing is reported to the user.
bool SaveSettings(const TMainWindow& window, const std::filesystem::path& settingsFile);

} // namespace mv::app
