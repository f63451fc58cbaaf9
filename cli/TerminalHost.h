// The job host for a terminal: messages on stderr, the job list line on stdout, a progress line
// on stderr while it is a terminal, questions and the password asked on the terminal, and Ctrl-C
// as the Stop button.
#pragma once

#include "cli/Terminal.h"

#include "engine/JobHost.h"
#include "platform/FileSystem.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace mv::cli {

class TTerminalHost : public engine::TJobHost
{
public:
    struct TSettings
    {
        bool quiet = false; // no progress line, no job list line
        bool force = false; // the overwrite question is answered Yes without asking
        // Where Password() takes the password when none was given up front: the file named here,
        // else the terminal (asked once).
        std::string passwordFile;
        bool confirmPassword = false; // asked on the terminal: twice (an encryption)
        // Standard output carries the data (-o -): the job lines go to standard error.
        bool jobLinesToStderr = false;
    };

    explicit TTerminalHost(TSettings settings);
    ~TTerminalHost() override;

    // The password for the call's jobs, obtained before the first starts (an encryption's
    // retyped one).
    void SetPassword(const TSecretText& password);

    // The job about to run: its messages name input (output for those about the output), and
    // the replacement of confirmedOutput, answered Yes before the job, is not asked again while
    // output still names that very file.
    void BeginJob(const std::filesystem::path& input, const std::filesystem::path& output,
                  std::optional<platform::TFileIdentity> confirmedOutput = std::nullopt);

    // The overwrite question for output, on the terminal (Yes at once with --force). Cancel
    // without a terminal (QuestionUnanswered) or when a signal ended the wait.
    engine::TAnswer AskOverwrite(const std::filesystem::path& output);

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

    void ProcessMessages() override {}
    // Ctrl-C at any moment of the job stops it: a press during the CRC-32 pass or a question is
    // not forgotten when the step loop begins.
    bool StopRequested() override;
    void ClearStopRequest() override {}

    // Asks on the terminal the first time a job needs it when no password was set up front.
    std::string Password() override;
    // The password stays for the call's later jobs: it is asked once per call. The host wipes it
    // when it goes.
    void ClearPassword() override {}

    [[noreturn]] void InternalError(const std::string& text) override;

    // A question the terminal could not put (no terminal, no --force): the job was refused for it.
    bool QuestionUnanswered() const { return questionUnanswered; }
    // The password asked for during the job could not be had; the job was stopped for it and its
    // messages after that point were not shown.
    bool PasswordAbandoned() const { return passwordAbandoned; }

private:
    void ClearProgressLine();
    void DrawLine(const std::string& line);

    TSettings settings;
    bool progressShown;
    bool lineDrawn = false;
    bool passwordSet = false;
    bool questionUnanswered = false;
    bool passwordAbandoned = false;
    int64_t lastDrawMs = -1;
    std::string rateText;
    TSecretText password;
    std::filesystem::path jobInput;
    std::filesystem::path jobOutput;
    std::optional<platform::TFileIdentity> confirmedOutput;
};

} // namespace mv::cli
