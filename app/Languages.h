// The two languages of the interface. Each routine sets CurrentLanguage, replaces the whole text
// table and sets every caption and hint of the main window, then the Status page's four figures
// to their zero texts. Neither looks at the page shown, so the Start button reads the encrypt
// caption afterwards.
#pragma once

#include "app/MainWindow.h"
#include "app/Variabile.h"

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

} // namespace mv::app
