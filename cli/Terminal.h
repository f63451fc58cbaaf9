// The user's terminal: the controlling terminal of the process (standard input when there is none
// and it is a terminal). Questions and passwords are read from it, never from data piped into
// standard input; without it the program never waits for an answer that cannot come.
#pragma once

#include <string>

namespace mv::cli {

// A text that holds a secret and overwrites its bytes when it goes.
class TSecretText
{
public:
    TSecretText() = default;
    explicit TSecretText(std::string value) : text(std::move(value)) {}
    ~TSecretText() { Wipe(); }
    TSecretText(const TSecretText&) = delete;
    TSecretText& operator=(const TSecretText&) = delete;

    void Assign(const char* data, size_t count);
    void Wipe();
    const std::string& Text() const { return text; }
    bool Empty() const { return text.empty(); }
    bool operator==(const TSecretText& other) const;

private:
    std::string text;
};

// A terminal to ask on can be opened.
bool TerminalAvailable();
bool StderrIsTerminal();

// Shows prompt on the terminal and reads one line with echo off. False on end of input or when
// interrupted (the terminal's echo is restored in every case).
bool ReadSecretLine(const std::string& prompt, TSecretText& line);

// Shows prompt on the terminal and reads one line as typed. False on end of input or interrupt.
bool ReadAnswerLine(const std::string& prompt, std::string& line);

// Writes text where the prompts go: the terminal the answers come from.
void WriteToTerminal(const std::string& text);

// Ctrl-C and every other terminating signal ask the running job to stop instead of killing the
// program, so the job can remove what it wrote; a second one does not cut that clean-up short
// (platform/TerminationSignals.h).
void InstallInterruptHandler();
bool InterruptRequested();
void ClearInterrupt();

} // namespace mv::cli
