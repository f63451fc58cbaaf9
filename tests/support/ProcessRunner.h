// Runs a built program as a child process, as a user or a script runs it: with pipes for its
// output and a file or bytes as its input, in a session of its own (so it has no controlling
// terminal and never waits for a question nobody can answer); or on a pseudo-terminal, to type
// its answers. A child that does not end within the guard time is killed and reported as hung,
// so a regression shows as a failure instead of a stuck test run.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace mv::test {

inline constexpr int ProcessGuardSeconds = 60;

struct TProcessResult
{
    int status = -1; // exit status; -1 when the child was ended by a signal or hung
    int signal = 0;  // the signal that ended the child, 0 when it exited
    bool hung = false;
    std::string out;
    std::string err;

    // What a shell shows in $?: the exit status, or 128 + the signal that ended the child.
    int ShellStatus() const { return signal ? 128 + signal : status; }
};

struct TProcessOptions
{
    // Standard input: the bytes of stdinData through a pipe when given, else this file.
    std::string stdinPath = "/dev/null";
    std::optional<std::string> stdinData;
    // "NAME=value" entries set for the child (the rest of the environment is inherited).
    std::vector<std::string> environment;
    // Standard error joins standard output (both in out), in the order the child wrote them.
    bool mergeErr = false;
};

// Runs words[0] with the words as its arguments in directory cwd.
TProcessResult RunProcess(std::vector<std::string> words, const std::filesystem::path& cwd,
                          const TProcessOptions& options);
TProcessResult RunProcess(std::vector<std::string> words, const std::filesystem::path& cwd,
                          const std::string& stdinPath = "/dev/null");

// A program on a pseudo-terminal: its stdin, stdout and stderr are the terminal, as when a user
// runs it, and the test types the answers (Ctrl-C as "\x03" reaches it as SIGINT).
class TPtyProcess
{
public:
    TPtyProcess(std::vector<std::string> words, const std::filesystem::path& cwd);
    ~TPtyProcess();
    TPtyProcess(const TPtyProcess&) = delete;
    TPtyProcess& operator=(const TPtyProcess&) = delete;

    // Reads the terminal until text has appeared after the last match; false on end or guard.
    bool Expect(const std::string& text);
    // Whether the terminal is set not to echo what is typed (a password prompt's state).
    bool EchoOff() const;
    void Type(const std::string& text);
    // Sends signal to the program (not through the terminal).
    void Signal(int signal);
    // Reads everything until the program ends; its status as a shell shows it (128 + signal
    // when a signal ended it), -1 when it hung.
    int Finish();

    const std::string& Seen() const { return seen; }

private:
    bool ReadSome(double deadline);

    int master = -1;
    pid_t child = -1;
    std::string seen;
    size_t matched = 0;
};

} // namespace mv::test
