// The two languages of the interface. Each routine sets CurrentLanguage, replaces the whole text
// table and sets every caption and hint of the main window, then the Status page's four figures
// to their zero texts. Neither looks at the page shown, so the Start button reads the encrypt
// caption afterwards.
#pragma once

#include "app/MainWindow.h"
#include "app/Variabile.h"

#include <cstdint>
#include <string>

namespace mv::app {

// Web addresses the captions and hints name (placeholders under the reserved example domain
// until the project has a home).
inline constexpr const char* ProductAddress = "https://morvane.example.org/";
inline constexpr const char* ProductEnglishAddress = "https://morvane.example.org/en/";
inline constexpr const char* VendorAddress = "https://www.example.com/";

void ApplyEnglishTexts(TMainWindow& window, TVariabile& variabile);
void ApplyRomanianTexts(TMainWindow& window, TVariabile& variabile);
// 0 English; any other code Romanian (the language list has two entries).
void ApplyLanguage(TMainWindow& window, TVariabile& variabile, int language);

// Messages that name a file and so are built around it, in the language (1 Romanian, otherwise
// English): a settings save that failed, with the system's reason, and a manual that no program
// on this desktop opened.
std::string SettingsNotSavedText(uint8_t language, const std::string& path,
                                 const std::string& reason);
std::string HelpNotOpenedText(uint8_t language, const std::string& path);

} // namespace mv::app
