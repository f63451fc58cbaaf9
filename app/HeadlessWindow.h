// The main window without a toolkit: every control of app/MainControls.h as a record of its state,
// the two toolkit behaviours of the contract (a check box reports its click on every change of
// state, also from code; setting a list's index reports nothing), and scripted answers for the
// modal boxes and dialogs. Tests drive the logic through it, and the Qt window's contract test
// runs the same checks against both. A name that is not in the table throws, so a misspelt
// control in a handler is caught instead of silently ignored.
#pragma once

#include "app/MainControls.h"
#include "app/MainWindow.h"

#include <deque>
#include <functional>
#include <map>
#include <stdexcept>

namespace mv::app {

class EUnknownControl : public std::logic_error
{
public:
    using std::logic_error::logic_error;
};

class THeadlessWindow : public TMainWindow
{
public:
    struct TMessage
    {
        TMessageKind Kind;
        std::string Text;
        bool operator==(const TMessage&) const = default;
    };

    THeadlessWindow();

    // ---- TMainWindow ---------------------------------------------------------------------------
    void SetEvents(TWindowEvents* events) override { events_ = events; }
    std::string Text(const std::string& control) const override;
    void SetText(const std::string& control, const std::string& text) override;
    std::string Hint(const std::string& control) const override;
    void SetHint(const std::string& control, const std::string& hint) override;
    bool Enabled(const std::string& control) const override;
    void SetEnabled(const std::string& control, bool enabled) override;
    void SetFocus(const std::string& control) override;
    bool Checked(const std::string& control) const override;
    void SetChecked(const std::string& control, bool checked) override;
    int ItemIndex(const std::string& control) const override;
    void SetItemIndex(const std::string& control, int index) override;
    std::vector<std::string> Items(const std::string& control) const override;
    void SetItems(const std::string& control, const std::vector<std::string>& items) override;
    void AddItem(const std::string& control, const std::string& item) override;
    int Position(const std::string& control) const override;
    void SetPosition(const std::string& control, int position) override;
    void Click(const std::string& control) override;
    int PageIndex() const override { return pageIndex_; }
    void SetPageIndex(int index) override;
    void SetShowHints(bool show) override { showHints_ = show; }
    void SetWindowEnabled(bool enabled) override { windowEnabled_ = enabled; }
    void SetWindowVisible(bool visible) override { windowVisible_ = visible; }
    void Close() override;
    void ProcessMessages() override;
    void ShowMessage(TMessageKind kind, const std::string& text) override;
    TAnswer Confirm(const std::string& text) override;
    TTextExtent DialogTextExtent(const std::string& text) override;
    std::optional<std::string> RunPasswordDialog(const TPasswordDialog& dialog) override;
    std::optional<std::string> OpenFileDialog(const std::string& filter) override;
    std::optional<std::string> SaveFileDialog(const std::string& filter) override;
    std::optional<std::string> BrowseFolder(const std::string& prompt) override;
    void ShowWaitWindow(const std::string& caption, const std::string& fileName) override;
    void HideWaitWindow() override;

    // ---- What a user does ----------------------------------------------------------------------
    // A click that only lands when the window, the control and its page are enabled and shown;
    // false when it did not land.
    bool UserClick(const std::string& control);
    bool UserDoubleClick(const std::string& control);
    // Typing into an edit field (reports OnChange when the text changes).
    bool UserType(const std::string& control, const std::string& text);
    // Choosing an entry of a drop-down list (reports OnChange).
    bool UserSelect(const std::string& control, int index);
    // Would a click on control land now?
    bool Reachable(const std::string& control) const;

    // ---- Observations --------------------------------------------------------------------------
    const std::string& FocusedControl() const { return focused_; }
    bool ShowHints() const { return showHints_; }
    bool WindowEnabled() const { return windowEnabled_; }
    bool WindowVisible() const { return windowVisible_; }
    bool IsClosed() const { return closed_; }
    int ProcessMessagesRounds() const { return rounds_; }
    const std::vector<TMessage>& Messages() const { return messages_; }
    const std::vector<std::string>& Confirmations() const { return confirmations_; }
    const std::vector<TPasswordDialog>& PasswordDialogs() const { return passwordDialogs_; }
    // Filters and prompts of the choosers run, in order.
    const std::vector<std::string>& ChooserRequests() const { return chooserRequests_; }
    bool WaitWindowShown() const { return waitShown_; }
    const std::string& WaitCaption() const { return waitCaption_; }
    const std::string& WaitFileName() const { return waitFileName_; }
    // Every caption/file name pair the waiting window was shown with.
    const std::vector<std::pair<std::string, std::string>>& WaitHistory() const
    {
        return waitHistory_;
    }
    void ClearMessages() { messages_.clear(); }

    // ---- Scripted answers (each used once, in order) -------------------------------------------
    // Answers of the confirmation box; without one, Yes.
    void QueueConfirm(TAnswer answer) { confirmAnswers_.push_back(answer); }
    // Results of the password dialog; nothing is Cancel. Without one, the dialog is cancelled.
    void QueuePasswordAnswer(std::optional<std::string> answer)
    {
        passwordAnswers_.push_back(std::move(answer));
    }
    // Results of the open, save and folder choosers (one queue for all); without one, cancelled.
    void QueueChooserAnswer(std::optional<std::string> answer)
    {
        chooserAnswers_.push_back(std::move(answer));
    }
    // Extent of the 52-letter run in the dialog font (default 6 x 13 per letter cell).
    void SetDialogCharCell(int width, int height)
    {
        cellWidth_ = width;
        cellHeight_ = height;
    }
    // Runs at every round of ProcessMessages with the round number (1, 2, ...), as pending
    // events would: a test presses Stop here on the k-th round.
    void OnProcessMessages(std::function<void(int)> hook) { processHook_ = std::move(hook); }

private:
    struct TControl
    {
        const TControlSpec* Spec = nullptr;
        std::string Text;
        std::string Hint;
        bool Enabled = true;
        bool Checked = false;
        int ItemIndex = -1;
        std::vector<std::string> Items;
        int Position = 0;
    };

    TControl& Find(const std::string& name);
    const TControl& Find(const std::string& name) const;
    TControl& FindKind(const std::string& name, std::initializer_list<TControlKind> kinds);
    const TControl& FindKind(const std::string& name,
                             std::initializer_list<TControlKind> kinds) const;
    void ReportClick(const std::string& name);
    void ReportChange(const std::string& name);

    std::map<std::string, TControl, std::less<>> controls_;
    TWindowEvents* events_ = nullptr;
    int pageIndex_ = 0;
    std::string focused_;
    bool showHints_ = false;
    bool windowEnabled_ = true;
    bool windowVisible_ = true;
    bool closed_ = false;
    int rounds_ = 0;
    std::vector<TMessage> messages_;
    std::vector<std::string> confirmations_;
    std::vector<TPasswordDialog> passwordDialogs_;
    std::vector<std::string> chooserRequests_;
    bool waitShown_ = false;
    std::string waitCaption_;
    std::string waitFileName_;
    std::vector<std::pair<std::string, std::string>> waitHistory_;
    std::deque<TAnswer> confirmAnswers_;
    std::deque<std::optional<std::string>> passwordAnswers_;
    std::deque<std::optional<std::string>> chooserAnswers_;
    int cellWidth_ = 6;
    int cellHeight_ = 13;
    std::function<void(int)> processHook_;
};

} // namespace mv::app
