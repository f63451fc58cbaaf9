// Runs a program as a child process: with pipes for its output and a file as its input, in a
// session of its own (so it has no controlling terminal), or on a pseudo-terminal to answer its
// questions. A child that does not end within the guard time is killed and reported as hung, so a
// regression shows as a failure instead of a stuck test run.
#pragma once

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace mv::test {

inline constexpr int ProcessGuardSeconds = 60;

struct TProcessResult
{
    int status = -1; // exit status, or -1 when the child did not exit normally
    bool hung = false;
    std::string out;
    std::string err;
};

inline double GuardClock()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

inline std::vector<char*> ArgumentPointers(std::vector<std::string>& words)
{
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    return argv;
}

// Runs words[0] with the words as its arguments in directory cwd.
inline TProcessResult RunProcess(std::vector<std::string> words, const std::filesystem::path& cwd,
                                 const std::string& stdinPath = "/dev/null")
{
    std::vector<char*> argv = ArgumentPointers(words);
    int outPipe[2], errPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    const pid_t child = fork();
    if (child == 0) {
        setsid();
        const int in = open(stdinPath.c_str(), O_RDONLY);
        if (in < 0 || chdir(cwd.c_str()) != 0)
            _exit(127);
        dup2(in, 0);
        dup2(outPipe[1], 1);
        dup2(errPipe[1], 2);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    TProcessResult result;
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    int open = 2;
    const double deadline = GuardClock() + ProcessGuardSeconds;
    while (open > 0) {
        const int left = int((deadline - GuardClock()) * 1000);
        if (left <= 0) {
            result.hung = true;
            kill(child, SIGKILL);
            break;
        }
        if (poll(fds, 2, left) < 0 && errno != EINTR)
            break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            char buffer[4096];
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0)
                sinks[i]->append(buffer, size_t(n));
            else {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    for (pollfd& fd : fds)
        if (fd.fd >= 0)
            close(fd.fd);
    int wstatus = 0;
    waitpid(child, &wstatus, 0);
    if (!result.hung && WIFEXITED(wstatus))
        result.status = WEXITSTATUS(wstatus);
    return result;
}

// A program on a pseudo-terminal: its stdin, stdout and stderr are the terminal, as when a user
// runs it, and the test types the answers.
class TPtyProcess
{
public:
    TPtyProcess(std::vector<std::string> words, const std::filesystem::path& cwd)
    {
        std::vector<char*> argv = ArgumentPointers(words);
        winsize size{};
        size.ws_row = 24;
        size.ws_col = 200;
        child = forkpty(&master, nullptr, nullptr, &size);
        if (child < 0)
            throw std::runtime_error("forkpty failed");
        if (child == 0) {
            if (chdir(cwd.c_str()) != 0)
                _exit(127);
            execv(argv[0], argv.data());
            _exit(127);
        }
    }
    ~TPtyProcess()
    {
        if (child > 0) {
            kill(child, SIGKILL);
            waitpid(child, nullptr, 0);
        }
        if (master >= 0)
            close(master);
    }
    TPtyProcess(const TPtyProcess&) = delete;
    TPtyProcess& operator=(const TPtyProcess&) = delete;

    // Reads the terminal until text has appeared after the last match; false on end or guard.
    bool Expect(const std::string& text)
    {
        const double deadline = GuardClock() + ProcessGuardSeconds;
        for (;;) {
            const size_t found = seen.find(text, matched);
            if (found != std::string::npos) {
                matched = found + text.size();
                return true;
            }
            if (!ReadSome(deadline))
                return false;
        }
    }

    // Whether the terminal is set not to echo what is typed.
    bool EchoOff() const
    {
        termios state{};
        return tcgetattr(master, &state) == 0 && !(state.c_lflag & ECHO);
    }

    void Type(const std::string& text)
    {
        if (write(master, text.data(), text.size()) != ssize_t(text.size()))
            throw std::runtime_error("write to terminal failed");
    }

    // Reads everything until the program ends; its exit status, -1 when it hung.
    int Finish()
    {
        const double deadline = GuardClock() + ProcessGuardSeconds;
        while (ReadSome(deadline)) {
        }
        int wstatus = 0;
        while (waitpid(child, &wstatus, WNOHANG) != child) {
            if (GuardClock() > deadline) {
                kill(child, SIGKILL);
                waitpid(child, &wstatus, 0);
                child = -1;
                return -1;
            }
            usleep(10000);
        }
        child = -1;
        return WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
    }

    const std::string& Seen() const { return seen; }

private:
    bool ReadSome(double deadline)
    {
        const int left = int((deadline - GuardClock()) * 1000);
        if (left <= 0)
            return false;
        pollfd fd{master, POLLIN, 0};
        if (poll(&fd, 1, left) <= 0)
            return false;
        char buffer[4096];
        const ssize_t n = read(master, buffer, sizeof buffer);
        if (n <= 0)
            return false; // EIO: the program closed the terminal
        seen.append(buffer, size_t(n));
        return true;
    }

    int master = -1;
    pid_t child = -1;
    std::string seen;
    size_t matched = 0;
};

} // namespace mv::test
