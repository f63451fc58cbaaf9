// The main window on Qt Widgets: one widget per control of app/MainControls.h, each window
// operation one call on its widget, each signal forwarded to TWindowEvents under the control's
// name. The window decides nothing itself; what happens on a click, a change or a page shown is
// TMainForm's business.
//
// The two toolkit behaviours of the contract map onto Qt as follows: check boxes report through
// `toggled` (so a change made by the program reports too), radio buttons when `toggled` makes
// them checked, drop-down lists only through `activated` (a choice by the user) and are set from
// code under a QSignalBlocker, edit fields through `textChanged`.
#pragma once

#include "app/MainControls.h"
#include "app/MainWindow.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <map>
#include <memory>
#include <optional>
#include <string>

class QStackedWidget;

namespace mv::gui {

class TWaitWindow;

class TQtWindow : public QWidget, public app::TMainWindow
{
public:
    explicit TQtWindow(QWidget* parent = nullptr);
    ~TQtWindow() override;

    // ---- app::TMainWindow ----------------------------------------------------------------------
    void SetEvents(app::TWindowEvents* events) override { events_ = events; }
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
    int PageIndex() const override;
    void SetPageIndex(int index) override;
    void SetShowHints(bool show) override { showHints_ = show; }
    void SetWindowEnabled(bool enabled) override;
    void SetWindowVisible(bool visible) override;
    void Close() override;
    void ProcessMessages() override;
    void ShowMessage(app::TMessageKind kind, const std::string& text) override;
    app::TAnswer Confirm(const std::string& text) override;
    app::TTextExtent DialogTextExtent(const std::string& text) override;
    std::optional<std::string> RunPasswordDialog(const app::TPasswordDialog& dialog) override;
    std::optional<std::string> OpenFileDialog(const std::string& filter) override;
    std::optional<std::string> SaveFileDialog(const std::string& filter) override;
    std::optional<std::string> BrowseFolder(const std::string& prompt) override;
    void ShowWaitWindow(const std::string& caption, const std::string& fileName) override;
    void HideWaitWindow() override;

    // ---- For the program and the tests ---------------------------------------------------------
    // The widget of a control (nullptr for a name that is not in the table).
    QWidget* Widget(const std::string& control) const;
    // The waiting window formCRC.
    TWaitWindow& WaitWindow() const { return *waitWindow_; }
    bool ShowHints() const { return showHints_; }
    // Places the window in the middle of its screen.
    void CenterOnScreen();
    // A file given to the window by dropping it: as the encryption input, or, for a container,
    // as the decryption input with the Decrypt page shown; each as the page's "Browse..."
    // would set it. False when the window takes no input now (a job runs).
    bool DropFile(const std::string& path);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    struct TControl
    {
        const app::TControlSpec* Spec = nullptr;
        QWidget* Widget = nullptr;
        std::string Hint;
    };

    // ---- Building (QtWindowBuild.cpp) ----------------------------------------------------------
    void BuildWindow();
    void BuildTopRow();
    void BuildLeftColumn();
    void BuildPageArea();
    void BuildEncryptPage(QWidget* page);
    void BuildDecryptPage(QWidget* page);
    void BuildToolsPage(QWidget* page);
    void BuildOptionsPage(QWidget* page);
    void BuildAboutPage(QWidget* page);
    void BuildStatusPage(QWidget* page);
    void BuildPasswordGroup();
    // Creates the widget of a control of the table on parent, in its designed state, and
    // connects its signals.
    QWidget* Make(const char* name, QWidget* parent);
    template <class TWidget> TWidget* MakeAs(const char* name, QWidget* parent)
    {
        return static_cast<TWidget*>(Make(name, parent));
    }
    void Connect(const std::string& name, QWidget* widget, app::TControlKind kind);

    TControl& Find(const std::string& name);
    const TControl& Find(const std::string& name) const;
    // The control, if it is of one of kinds; otherwise the same error as an unknown name.
    const TControl& FindKind(const std::string& name,
                             std::initializer_list<app::TControlKind> kinds) const;
    void ReportClick(const std::string& name);
    // Would the user's click on control land now (window enabled, control enabled)?
    bool Reachable(const std::string& control) const;

    std::map<std::string, TControl, std::less<>> controls_;
    app::TWindowEvents* events_ = nullptr;
    QStackedWidget* pages_ = nullptr;
    std::unique_ptr<TWaitWindow> waitWindow_;
    bool showHints_ = false;
    bool closing_ = false;
    bool closed_ = false;
    // A path a drop hands to the next file chooser instead of asking the user.
    std::optional<std::string> droppedPath_;
    // Repaints are held to one per RepaintInterval: a job changes the Status page after every
    // step, thousands of times a second, and painting each change would cost it a fifth of its
    // speed. The texts are set at once; only their drawing waits.
    QElapsedTimer lastRepaint_;
    QTimer* deferredRepaint_ = nullptr;
};

} // namespace mv::gui
