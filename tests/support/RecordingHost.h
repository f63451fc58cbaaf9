// A job host for the tests: records every call of a job, answers questions from a script, presses
// Stop in a chosen round of the step loop's message processing, and throws on an internal error.
#pragma once

#include "engine/JobHost.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace mv::test {

// Thrown by TRecordingHost::InternalError; not a platform::Exception, so no job catches it.
class EInternalError : public std::logic_error
{
public:
    using std::logic_error::logic_error;
};

struct TRecordedMessage
{
    engine::TMessageKind Kind;
    std::string Text;
    engine::TFocus Focus;
};

class TRecordingHost : public engine::TJobHost
{
public:
    // ---- Script -------------------------------------------------------------------------------
    std::string PasswordText = "test password";
    // Answers to Confirm, in order; when none are left the answer is Cancel.
    std::deque<engine::TAnswer> Answers;
    // Press Stop in this round (1-based) of message processing inside the step loop; 0: never.
    int StopInLoopRound = 0;
    // Called in every ProcessMessages, loop or wait window, before Stop is pressed.
    std::function<void()> OnProcessMessages;
    // Seconds the clock returns, one per call; the last one repeats. Empty: always 0.
    std::vector<int64_t> ClockScript;

    // ---- Record -------------------------------------------------------------------------------
    std::vector<std::string> Events; // "Begin:<task>", "Loop:<rate>", "Finished:<line>", ...
    std::vector<std::string> JobLines;
    std::vector<TRecordedMessage> Messages;
    std::vector<std::string> Questions;
    std::vector<engine::TStatusUpdate> Updates;
    std::vector<std::string> WaitWindows; // "<caption>|<path>" per BeginWait
    int ProcessMessagesCalls = 0;
    int LoopRounds = 0;
    int PasswordReads = 0;
    bool PasswordCleared = false;
    bool MainWindowEnabled = true; // false while a waiting window is shown
    bool ControlsEnabled = true;   // SetControlsEnabled
    bool StopEnabled = false;      // btnStop
    bool Stop = false;             // StopRequested
    std::string Task = "Task : Nothing to do";

    // Every recorded Messages text joined, for readable failures.
    std::string AllMessages() const;

    void BeginDisplay(const std::string& taskText) override;
    void BeginLoop(const std::string& rateText) override;
    void UpdateStatus(const engine::TStatusUpdate& status) override;
    void EndLoop() override;
    void FinishedDisplay(const std::string& jobLine, bool focusJobList) override;
    void StoppedDisplay(const std::string& jobLine) override;
    void RefusedDisplay(const std::string& jobLine) override;
    void ShowMessage(engine::TMessageKind kind, const std::string& text,
                     engine::TFocus focus) override;
    engine::TAnswer Confirm(const std::string& text) override;
    void BeginWait(const std::string& caption, const std::string& path) override;
    void EndWait() override;
    void ProcessMessages() override;
    bool StopRequested() override { return Stop; }
    void ClearStopRequest() override { Stop = false; }
    std::string Password() override;
    void ClearPassword() override { PasswordCleared = true; }
    int64_t MonotonicSecond() override;
    [[noreturn]] void InternalError(const std::string& text) override;

private:
    size_t clockIndex = 0;
    int waitDepth = 0;
};

} // namespace mv::test
