// The password confirmation dialog: its geometry from the font's average character cell, as a
// pure function, and the query that runs it through the window.
#pragma once

#include "app/DialogLayout.h"
#include "app/MainWindow.h"

#include <string>

namespace mv::app {

// The 52 letters the average character cell is measured on.
inline constexpr const char* AverageCharRun =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

// (width div 52, height) of the 52-letter run.
TCharSize AverageCharSize(TTextExtent runExtent);
// Measures the run in the dialog's font.
TCharSize AverageCharSize(TMainWindow& window);

// Horizontal values in quarters of X, vertical ones in eighths of Y, each one multiply and one
// divide rounded to the nearest integer (halves away from zero).
TPasswordDialogLayout PasswordDialogLayout(TCharSize cell);

// Shows the dialog modally; true on OK with value := the field's text, false (value unchanged)
// on Cancel or any other way of closing it.
bool PasswordQuery(TMainWindow& window, const std::string& caption, const std::string& prompt,
                   std::string& value);

} // namespace mv::app
