// The job host of a self-decrypting file on a terminal: messages on stderr prefixed with the
// program's own name, the job line on stdout, a progress line on stderr while it is a terminal,
// the overwrite question and the password asked on the terminal, Ctrl-C as the Stop button.
#pragma once

#include "cli/Terminal.h"
#include "engine/JobHost.h"

#include <cstdint>
#include <string>

namespace mv::sfx {

class TExtractorHost : public engine::TJobHost
{
public:
    struct TSettings
    {
        std::string programName; // the prefix of every message
        bool quiet = false;      // no progress line, no job line
        bool force = false;      // the overwrite question is answered Yes without asking
        std::string passwordFile;
    };

    explicit TExtractorHost(TSettings settings);
    ~TExtractorHost() override;

    // The password read before the job (from a password file).
    void SetPassword(const cli::TSecretText& value);
    // One message line on stderr.
    void Say(const std::string& text);

    void BeginDisplay(const std::string&) override {}
    void BeginLoop(const std::string&) override { lastDrawMs = -1; }
    void UpdateStatus(const engine::TStatusUpdate& status) override;
    void EndLoop() override { ClearProgressLine(); }
    void FinishedDisplay(const std::string& jobLine, bool focusJobList) override;
    void StoppedDisplay(const std::string& jobLine) override;
    void RefusedDisplay(const std::string& jobLine) override;

    void ShowMessage(engine::TMessageKind kind, const std::string& text,
                     engine::TFocus focus) override;
    engine::TAnswer Confirm(const std::string& text) override;

    void BeginWait(const std::string& caption, const std::string& path) override;
    void EndWait() override { ClearProgressLine(); }

    void ProcessMessages() override {}
    bool StopRequested() override;
    void ClearStopRequest() override {}

    // Asked on the terminal the first time the job needs it, unless it was set before.
    std::string Password() override;
    void ClearPassword() override { password.Wipe(); }

    [[noreturn]] void InternalError(const std::string& text) override;

    // The overwrite question could not be put (no terminal, no -f): the job was refused for it.
    bool QuestionUnanswered() const { return questionUnanswered; }
    // No password could be had during the job; it was stopped for it.
    bool PasswordAbandoned() const { return passwordAbandoned; }

private:
    void DrawLine(const std::string& line);
    void ClearProgressLine();

    TSettings settings;
    bool progressShown;
    bool lineDrawn = false;
    bool passwordSet = false;
    bool questionUnanswered = false;
    bool passwordAbandoned = false;
    int64_t lastDrawMs = -1;
    cli::TSecretText password;
};

} // namespace mv::sfx
