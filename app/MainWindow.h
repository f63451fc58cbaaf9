// The window operations the main window's logic works through. Every control is addressed by its
// own name ("btnStart", "edtEncInput", "lblTask", ...; app/MainControls.h lists them all), so the
// handlers read like the window they drive and a toolkit implementation is a thin adapter: one
// widget per name, each operation one call on it, each signal forwarded to TWindowEvents.
//
// Two toolkit behaviours are part of the contract, because the handlers rely on them:
//  - a check box (and a radio button becoming checked) reports OnClick whenever its checked state
//    changes, also when the program sets it; setting the state it already has reports nothing;
//  - setting a drop-down list's selected index from the program reports nothing; only a choice by
//    the user reports OnChange.
// Besides, an edit field reports OnChange whenever its text changes, typed or set by the program,
// and selecting another page reports OnShow for the page that became visible.
#pragma once

#include "app/DialogLayout.h"
#include "engine/JobHost.h"

#include <optional>
#include <string>
#include <vector>

namespace mv::app {

using engine::TAnswer;
using engine::TMessageKind;

// What the window reports to the logic; TMainForm implements it.
class TWindowEvents
{
public:
    virtual ~TWindowEvents() = default;
    // A button or image was clicked (by the user, or by TMainWindow::Click); a check box changed
    // its state; a radio button became checked; a list box line was clicked.
    virtual void OnClick(const std::string& control) = 0;
    virtual void OnDoubleClick(const std::string& control) = 0;
    // An edit field's text changed; the user chose another entry of a drop-down list.
    virtual void OnChange(const std::string& control) = 0;
    // A page of PageControl1 became the selected page ("tabTools", "tabAbout", ...).
    virtual void OnShow(const std::string& page) = 0;
    // The window is closing (after Close, or the window manager's request when allowed).
    virtual void OnClose() = 0;
};

class TMainWindow
{
public:
    virtual ~TMainWindow() = default;

    // Where the window sends its events; set once by TMainForm.
    virtual void SetEvents(TWindowEvents* events) = 0;

    // ---- Controls by name ----------------------------------------------------------------------
    // The caption of a button, label, group box, check box or radio button; the text of an edit.
    virtual std::string Text(const std::string& control) const = 0;
    virtual void SetText(const std::string& control, const std::string& text) = 0;
    virtual std::string Hint(const std::string& control) const = 0;
    virtual void SetHint(const std::string& control, const std::string& hint) = 0;
    virtual bool Enabled(const std::string& control) const = 0;
    virtual void SetEnabled(const std::string& control, bool enabled) = 0;
    virtual void SetFocus(const std::string& control) = 0;
    // Check boxes and radio buttons.
    virtual bool Checked(const std::string& control) const = 0;
    virtual void SetChecked(const std::string& control, bool checked) = 0;
    // Drop-down lists and list boxes: the selected line, -1 for none.
    virtual int ItemIndex(const std::string& control) const = 0;
    virtual void SetItemIndex(const std::string& control, int index) = 0;
    virtual std::vector<std::string> Items(const std::string& control) const = 0;
    virtual void SetItems(const std::string& control, const std::vector<std::string>& items) = 0;
    virtual void AddItem(const std::string& control, const std::string& item) = 0;
    // The progress bar's position, 0..100.
    virtual int Position(const std::string& control) const = 0;
    virtual void SetPosition(const std::string& control, int position) = 0;
    // Runs the control's click as if the user had clicked it (also when it is disabled): a button
    // reports OnClick, a check box toggles, a radio button becomes checked.
    virtual void Click(const std::string& control) = 0;

    // ---- PageControl1 --------------------------------------------------------------------------
    virtual int PageIndex() const = 0;
    virtual void SetPageIndex(int index) = 0;

    // ---- The whole window ----------------------------------------------------------------------
    virtual void SetShowHints(bool show) = 0;
    // A disabled window takes no input (the CRC-32 and wipe passes).
    virtual void SetWindowEnabled(bool enabled) = 0;
    // Hidden while a tool plug-in runs.
    virtual void SetWindowVisible(bool visible) = 0;
    // Reports OnClose, then closes the window; the program ends with it.
    virtual void Close() = 0;
    // Lets the toolkit handle pending events (repaints, the Stop button), then returns.
    virtual void ProcessMessages() = 0;

    // ---- Modal boxes and dialogs ---------------------------------------------------------------
    // A message box titled "Morvane" with an OK button; returns when it is closed.
    virtual void ShowMessage(TMessageKind kind, const std::string& text) = 0;
    // A Yes/No/Cancel confirmation box titled "Morvane".
    virtual TAnswer Confirm(const std::string& text) = 0;
    // The extent of text in the font the password dialog will use.
    virtual TTextExtent DialogTextExtent(const std::string& text) = 0;
    // Builds the password dialog from dialog, runs it modally; the field's text on OK, nothing
    // on Cancel, Escape or any other way of closing it.
    virtual std::optional<std::string> RunPasswordDialog(const TPasswordDialog& dialog) = 0;
    // File choosers: filter as "Description|pattern|Description|pattern", the first pair
    // selected, an empty initial name, no default extension, no overwrite question.
    virtual std::optional<std::string> OpenFileDialog(const std::string& filter) = 0;
    virtual std::optional<std::string> SaveFileDialog(const std::string& filter) = 0;
    // A folder chooser for directories of the file system; the path has no closing separator
    // unless it is the root.
    virtual std::optional<std::string> BrowseFolder(const std::string& prompt) = 0;

    // ---- The waiting window formCRC ------------------------------------------------------------
    // Shows formCRC (not modally) with GroupBox1's caption and lblFileName's text.
    virtual void ShowWaitWindow(const std::string& caption, const std::string& fileName) = 0;
    virtual void HideWaitWindow() = 0;
};

} // namespace mv::app
