// Every control of the main window by name, with its kind, the page that holds it and its
// designed state. The headless window builds its controls from this table, the Qt window builds
// one widget per entry, and the contract test checks both against it. Captions that a language
// routine sets are not repeated here (they are applied before the window is first shown).
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace mv::app {

enum class TControlKind
{
    Button,       // flat speed button (also the Status page's btnStop)
    Label,        // static text
    GroupBox,     // captioned frame
    Edit,         // one-line edit field the user may type into
    ReadOnlyEdit, // one-line field the choosers fill
    PasswordEdit, // characters shown as "*"
    CheckBox,
    RadioButton, // the two radio buttons of the Options page form one group
    ComboBox,    // drop-down list
    ListBox,
    Memo,        // read-only multi-line text (edtTools)
    ProgressBar, // 0..100
    Image,
    Page // a page of PageControl1
};

// Page indexes of PageControl1.
inline constexpr int PageEncrypt = 0;
inline constexpr int PageDecrypt = 1;
inline constexpr int PageTools = 2;
inline constexpr int PageOptions = 3;
inline constexpr int PageAbout = 4;
inline constexpr int PageStatus = 5;
inline constexpr int PageCount = 6;
inline constexpr int NoPage = -1; // outside the page control: always visible

struct TControlSpec
{
    const char* Name;
    TControlKind Kind;
    int Page;         // NoPage, or the index of the page that holds it
    const char* Text; // designed text; nullptr when a language routine or the logic sets it
    bool Enabled;
    bool Checked;
};

// Fixed texts of the window that no language changes.
inline constexpr const char* ApplicationTitle = "Morvane";
inline constexpr const char* WindowCaption = "   ::: Morvane v0.5 beta 3 :::";
inline constexpr const char* StatusTitle = "Status";
// The caption under the system picture names the system this build was made for.
inline constexpr const char* DesignedForText = "Designed for " MORVANE_SYSTEM_NAME;

// The whole table, pages first (in page order).
std::span<const TControlSpec> MainControls();
// The entry of name, nullptr when there is none.
const TControlSpec* FindControl(std::string_view name);
// Name of the page at index ("tabEncrypt" ... "tabStatus").
const char* PageName(int index);

// Items of the drop-down lists, the same in both languages.
const std::vector<std::string>& AlgorithmItems();
const std::vector<std::string>& CipherModeItems();
const std::vector<std::string>& LanguageItems();

} // namespace mv::app
