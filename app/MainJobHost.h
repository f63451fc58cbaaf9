// The job host on the main window: the Status page's labels, progress bar, btnStop and lstJob,
// the message boxes, the waiting window formCRC, the password field edtPassword, and the texts of
// the current language.
#pragma once

#include "app/MainWindow.h"
#include "app/Variabile.h"
#include "engine/JobHost.h"

#include <functional>

namespace mv::app {

// Sets the enabled state of the top and navigation buttons, in this order: btnOptions, btnHelp,
// btnAbout, btnExit, btnEncrypt, btnDecrypt, btnTools. Nothing else.
void SetControlsEnabled(TMainWindow& window, bool enabled);

// The name of the field a focus target of the jobs stands for; empty for TFocus::None.
const char* FocusControl(engine::TFocus focus);

class TMainJobHost : public engine::TJobHost
{
public:
    // terminate ends the program after an internal error was shown; a test passes one that
    // throws.
    TMainJobHost(TMainWindow& window, TVariabile& variabile,
                 std::function<void(const std::string&)> terminate);

    void BeginDisplay(const std::string& taskText) override;
    void BeginLoop(const std::string& rateText) override;
    void UpdateStatus(const engine::TStatusUpdate& status) override;
    void EndLoop() override;
    void FinishedDisplay(const std::string& jobLine, bool focusJobList) override;
    void StoppedDisplay(const std::string& jobLine) override;
    void RefusedDisplay(const std::string& jobLine) override;
    void ShowMessage(engine::TMessageKind kind, const std::string& text,
                     engine::TFocus focus = engine::TFocus::None) override;
    engine::TAnswer Confirm(const std::string& text) override;
    void BeginWait(const std::string& caption, const std::string& path) override;
    void EndWait() override;
    void ProcessMessages() override;
    bool StopRequested() override { return variabile_.StopRequested; }
    void ClearStopRequest() override { variabile_.StopRequested = false; }
    std::string Password() override;
    void ClearPassword() override;
    const engine::TJobTexts& Texts() const override;
    [[noreturn]] void InternalError(const std::string& text) override;

private:
    void EndDisplay(const std::string& jobLine);

    TMainWindow& window_;
    TVariabile& variabile_;
    std::function<void(const std::string&)> terminate_;
    mutable engine::TJobTexts texts_;
};

} // namespace mv::app
