#include "app/MainJobHost.h"

#include "engine/Work.h"

#include <cstdlib>

namespace mv::app {

void SetControlsEnabled(TMainWindow& window, bool enabled)
{
    for (const char* control :
         {"btnOptions", "btnHelp", "btnAbout", "btnExit", "btnEncrypt", "btnDecrypt", "btnTools"})
        window.SetEnabled(control, enabled);
}

const char* FocusControl(engine::TFocus focus)
{
    switch (focus) {
    case engine::TFocus::EncInput:
        return "edtEncInput";
    case engine::TFocus::EncOutput:
        return "edtEncOutput";
    case engine::TFocus::DecInput:
        return "edtDecInput";
    case engine::TFocus::DecOutput:
        return "edtDecOutput";
    case engine::TFocus::None:
        break;
    }
    return "";
}

TMainJobHost::TMainJobHost(TMainWindow& window, TVariabile& variabile,
                           std::function<void(const std::string&)> terminate)
    : window_(window), variabile_(variabile), terminate_(std::move(terminate))
{
}

void TMainJobHost::BeginDisplay(const std::string& taskText)
{
    SetControlsEnabled(window_, false);
    // Exactly as a click on btnStatus: the Status page, its title, btnStart disabled.
    window_.Click("btnStatus");
    window_.SetText("lblTask", taskText);
}

void TMainJobHost::BeginLoop(const std::string& rateText)
{
    window_.SetEnabled("btnStop", true);
    if (!rateText.empty())
        window_.SetText("lblRate", rateText);
}

void TMainJobHost::UpdateStatus(const engine::TStatusUpdate& status)
{
    window_.SetPosition("ProgressBar1", status.Progress);
    window_.SetText("lblElapsed", status.ElapsedText);
    window_.SetText("lblRemaining", status.RemainingText);
    if (!status.RateText.empty())
        window_.SetText("lblRate", status.RateText);
    window_.SetText("lblSpeed", status.SpeedText);
}

void TMainJobHost::EndLoop()
{
    window_.SetEnabled("btnStop", false);
}

void TMainJobHost::EndDisplay(const std::string& jobLine)
{
    window_.AddItem("lstJob", jobLine);
    window_.SetText("lblTask", engine::TextTaskIdle);
    window_.SetPosition("ProgressBar1", 0);
}

void TMainJobHost::FinishedDisplay(const std::string& jobLine, bool focusJobList)
{
    EndDisplay(jobLine);
    SetControlsEnabled(window_, true);
    if (focusJobList)
        window_.SetFocus("lstJob");
    window_.SetItemIndex("lstJob", static_cast<int>(window_.Items("lstJob").size()) - 1);
}

void TMainJobHost::StoppedDisplay(const std::string& jobLine)
{
    EndDisplay(jobLine);
    window_.SetEnabled("btnStop", false);
    SetControlsEnabled(window_, true);
}

void TMainJobHost::RefusedDisplay(const std::string& jobLine)
{
    EndDisplay(jobLine);
    // A refusal can come before the loop ever began or after it ran; either way Stop has
    // nothing left to stop.
    window_.SetEnabled("btnStop", false);
    SetControlsEnabled(window_, true);
}

void TMainJobHost::ShowMessage(engine::TMessageKind kind, const std::string& text,
                               engine::TFocus focus)
{
    window_.ShowMessage(kind, text);
    if (focus != engine::TFocus::None)
        window_.SetFocus(FocusControl(focus));
}

engine::TAnswer TMainJobHost::Confirm(const std::string& text)
{
    return window_.Confirm(text);
}

void TMainJobHost::BeginWait(const std::string& caption, const std::string& path)
{
    window_.SetWindowEnabled(false);
    window_.ShowWaitWindow(caption, path);
}

void TMainJobHost::EndWait()
{
    window_.SetWindowEnabled(true);
    window_.HideWaitWindow();
}

void TMainJobHost::ProcessMessages()
{
    window_.ProcessMessages();
}

std::string TMainJobHost::Password()
{
    return window_.Text("edtPassword");
}

void TMainJobHost::ClearPassword()
{
    window_.SetText("edtPassword", "");
}

const engine::TJobTexts& TMainJobHost::Texts() const
{
    // Read at the moment a job shows them, so a change of language reaches the next message.
    texts_.InputMissing = variabile_.Text(TText::MsgInputMissing);
    texts_.OverwriteQuestion = variabile_.Text(TText::MsgOverwrite);
    texts_.UnableToOpenInput = variabile_.Text(TText::MsgCannotOpenInput);
    texts_.InvalidFileType = variabile_.Text(TText::MsgInvalidFileType);
    texts_.SameInputOutput = variabile_.Text(TText::MsgSameInputOutput);
    texts_.InvalidPassword = variabile_.Text(TText::MsgInvalidPassword);
    texts_.CompressedTo = variabile_.Text(TText::CompressedText);
    texts_.EncryptionSpeed = variabile_.Text(TText::EncryptSpeedText);
    texts_.DecryptionSpeed = variabile_.Text(TText::DecryptSpeedText);
    texts_.ElapsedTime = variabile_.Text(TText::ElapsedText);
    texts_.RemainingTime = variabile_.Text(TText::RemainingText);
    texts_.TestingSpeed = variabile_.Text(TText::TestingSpeedText);
    texts_.TestFailed = variabile_.Text(TText::MsgTestFailed);
    texts_.NotConfirmedKept = variabile_.Text(TText::MsgNotConfirmedKept);
    return texts_;
}

void TMainJobHost::InternalError(const std::string& text)
{
    window_.ShowMessage(engine::TMessageKind::Error, text);
    if (terminate_)
        terminate_(text);
    std::_Exit(EXIT_FAILURE);
}

} // namespace mv::app
