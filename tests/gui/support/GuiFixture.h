// Shared by the window's tests: the Qt window with a main form on it (recorder jobs by default,
// the engine's jobs on request), fresh directories, and answers for the modal dialogs, given from
// a timer while the dialog runs its own event loop.
#pragma once

#include "app/MainForm.h"
#include "app/Variabile.h"
#include "gui/QtWindow.h"
#include "tests/support/TempDir.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace mv::test {

// Runs one action on each modal dialog that opens, in order, as soon as it is the active modal
// widget. A message box that finds nothing queued fails the test and is closed; any other dialog
// is left alone, so every dialog a test expects must be queued.
class TModalAnswers
{
public:
    TModalAnswers();
    ~TModalAnswers();
    void Queue(std::function<void(QWidget*)> action);
    size_t Pending() const { return actions_.size(); }
    // The window titles and texts of the message boxes answered (title, text).
    std::vector<std::pair<std::string, std::string>> Boxes;

    // Ready-made answers.
    void AcceptPassword(const std::string& text);
    void CancelDialog();
    void PressOk();
    void ChooseFile(const std::string& path);

private:
    void Poll();
    QTimer timer_;
    std::deque<std::function<void(QWidget*)>> actions_;
};

class TGuiFixture : public ::testing::Test
{
protected:
    TTempDir programDir;
    TTempDir homeDir;
    TTempDir workDir;
    app::TVariabile variabile;
    std::unique_ptr<gui::TQtWindow> window = std::make_unique<gui::TQtWindow>();
    std::unique_ptr<app::TMainForm> form;
    TModalAnswers answers;
    std::vector<std::string> jobsRun;

    // Recorder jobs unless real; the directories of the fixture.
    app::TMainServices Services(bool realJobs);
    void Create(bool realJobs = false, const std::vector<std::string>& arguments = {});
    void TearDown() override;

    std::string Home() const { return homeDir.Path().string() + "/"; }
    QWidget* W(const std::string& control) const { return window->Widget(control); }
    // A real click of the mouse in the middle of the control's widget.
    void MouseClick(const std::string& control);
    // Keys typed into the control's widget.
    void Type(const std::string& control, const std::string& text);
};

} // namespace mv::test
