#include "tests/support/RecordingHost.h"

#include <algorithm>

namespace mv::test {

using engine::TAnswer;

std::string TRecordingHost::AllMessages() const
{
    std::string all;
    for (const auto& message : Messages)
        all += "[" + message.Text + "]";
    return all;
}

void TRecordingHost::BeginDisplay(const std::string& taskText)
{
    Events.push_back("Begin:" + taskText);
    ControlsEnabled = false;
    Task = taskText;
}

void TRecordingHost::BeginLoop(const std::string& rateText)
{
    Events.push_back("Loop:" + rateText);
    StopEnabled = true;
}

void TRecordingHost::UpdateStatus(const engine::TStatusUpdate& status)
{
    Updates.push_back(status);
}

void TRecordingHost::EndLoop()
{
    Events.push_back("EndLoop");
    StopEnabled = false;
}

void TRecordingHost::FinishedDisplay(const std::string& jobLine, bool focusJobList)
{
    Events.push_back(std::string("Finished:") + (focusJobList ? "focus:" : "") + jobLine);
    JobLines.push_back(jobLine);
    Task = "Task : Nothing to do";
    ControlsEnabled = true;
}

void TRecordingHost::StoppedDisplay(const std::string& jobLine)
{
    Events.push_back("Stopped:" + jobLine);
    JobLines.push_back(jobLine);
    Task = "Task : Nothing to do";
    StopEnabled = false;
    ControlsEnabled = true;
}

void TRecordingHost::RefusedDisplay(const std::string& jobLine)
{
    Events.push_back("Refused:" + jobLine);
    JobLines.push_back(jobLine);
    Task = "Task : Nothing to do";
    ControlsEnabled = true;
}

void TRecordingHost::ShowMessage(engine::TMessageKind kind, const std::string& text,
                                 engine::TFocus focus)
{
    Events.push_back("Message:" + text);
    Messages.push_back({kind, text, focus});
}

TAnswer TRecordingHost::Confirm(const std::string& text)
{
    Events.push_back("Confirm:" + text);
    Questions.push_back(text);
    if (Answers.empty())
        return TAnswer::Cancel;
    const TAnswer answer = Answers.front();
    Answers.pop_front();
    return answer;
}

void TRecordingHost::BeginWait(const std::string& caption, const std::string& path)
{
    Events.push_back("Wait:" + caption);
    WaitWindows.push_back(caption + "|" + path);
    ++waitDepth;
    MainWindowEnabled = false;
}

void TRecordingHost::EndWait()
{
    Events.push_back("EndWait");
    if (--waitDepth == 0)
        MainWindowEnabled = true;
}

void TRecordingHost::ProcessMessages()
{
    ++ProcessMessagesCalls;
    if (OnProcessMessages)
        OnProcessMessages();
    // Rounds of the step loop: Stop is enabled and no waiting window is up.
    if (StopEnabled && waitDepth == 0) {
        ++LoopRounds;
        if (LoopRounds == StopInLoopRound)
            Stop = true;
    }
}

std::string TRecordingHost::Password()
{
    ++PasswordReads;
    return PasswordText;
}

int64_t TRecordingHost::MonotonicSecond()
{
    if (ClockScript.empty())
        return 0;
    const int64_t value = ClockScript[std::min(clockIndex, ClockScript.size() - 1)];
    ++clockIndex;
    return value;
}

void TRecordingHost::InternalError(const std::string& text)
{
    Events.push_back("InternalError:" + text);
    throw EInternalError(text);
}

} // namespace mv::test
