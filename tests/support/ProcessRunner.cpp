#include "tests/support/ProcessRunner.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <sys/wait.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

namespace mv::test {

namespace {

double GuardClock()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

std::vector<char*> ArgumentPointers(std::vector<std::string>& words)
{
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    return argv;
}

void SetEnvironment(const std::vector<std::string>& entries)
{
    for (const std::string& entry : entries) {
        const size_t equals = entry.find('=');
        if (equals != std::string::npos)
            setenv(entry.substr(0, equals).c_str(), entry.substr(equals + 1).c_str(), 1);
    }
}

void StoreStatus(int wstatus, TProcessResult& result)
{
    if (WIFEXITED(wstatus))
        result.status = WEXITSTATUS(wstatus);
    else if (WIFSIGNALED(wstatus))
        result.signal = WTERMSIG(wstatus);
}

} // namespace

TProcessResult RunProcess(std::vector<std::string> words, const std::filesystem::path& cwd,
                          const TProcessOptions& options)
{
    std::vector<char*> argv = ArgumentPointers(words);
    int outPipe[2], errPipe[2], inPipe[2] = {-1, -1};
    if (pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0 ||
        (options.stdinData && pipe2(inPipe, O_CLOEXEC) != 0))
        throw std::runtime_error("pipe failed");
    const pid_t child = fork();
    if (child < 0)
        throw std::runtime_error("fork failed");
    if (child == 0) {
        setsid();
        // The child starts with the signal dispositions of a shell's child, whatever the test
        // program did with its own.
        signal(SIGPIPE, SIG_DFL);
        signal(SIGINT, SIG_DFL);
        const int in = options.stdinData ? inPipe[0] : open(options.stdinPath.c_str(), O_RDONLY);
        if (in < 0 || chdir(cwd.c_str()) != 0)
            _exit(127);
        SetEnvironment(options.environment);
        dup2(in, 0);
        dup2(outPipe[1], 1);
        dup2(options.mergeErr ? outPipe[1] : errPipe[1], 2);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    if (inPipe[0] >= 0) {
        close(inPipe[0]);
        fcntl(inPipe[1], F_SETFL, O_NONBLOCK);
    }
    TProcessResult result;
    pollfd fds[3] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}, {inPipe[1], POLLOUT, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    size_t written = 0;
    if (options.stdinData && options.stdinData->empty()) {
        close(inPipe[1]);
        fds[2].fd = -1;
    }
    // A child that has gone without reading all its input makes the pipe fail; that is its own
    // affair, not the test program's.
    const auto previousPipe = signal(SIGPIPE, SIG_IGN);
    const double deadline = GuardClock() + ProcessGuardSeconds;
    while (fds[0].fd >= 0 || fds[1].fd >= 0) {
        const int left = int((deadline - GuardClock()) * 1000);
        if (left <= 0) {
            result.hung = true;
            kill(child, SIGKILL);
            break;
        }
        if (poll(fds, 3, left) < 0 && errno != EINTR)
            break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            char buffer[65536];
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0)
                sinks[i]->append(buffer, size_t(n));
            else if (n == 0 || errno != EINTR) {
                close(fds[i].fd);
                fds[i].fd = -1;
            }
        }
        if (fds[2].fd >= 0 && (fds[2].revents & (POLLOUT | POLLERR | POLLHUP))) {
            const std::string& data = *options.stdinData;
            const ssize_t n = write(fds[2].fd, data.data() + written, data.size() - written);
            if (n > 0)
                written += size_t(n);
            if ((n < 0 && errno != EAGAIN && errno != EINTR) || written == data.size()) {
                close(fds[2].fd);
                fds[2].fd = -1;
            }
        }
    }
    signal(SIGPIPE, previousPipe);
    for (pollfd& fd : fds)
        if (fd.fd >= 0)
            close(fd.fd);
    int wstatus = 0;
    waitpid(child, &wstatus, 0);
    if (!result.hung)
        StoreStatus(wstatus, result);
    return result;
}

TProcessResult RunProcess(std::vector<std::string> words, const std::filesystem::path& cwd,
                          const std::string& stdinPath)
{
    TProcessOptions options;
    options.stdinPath = stdinPath;
    return RunProcess(std::move(words), cwd, options);
}

TPtyProcess::TPtyProcess(std::vector<std::string> words, const std::filesystem::path& cwd)
{
    std::vector<char*> argv = ArgumentPointers(words);
    winsize size{};
    size.ws_row = 24;
    size.ws_col = 200;
    child = forkpty(&master, nullptr, nullptr, &size);
    if (child < 0)
        throw std::runtime_error("forkpty failed");
    if (child == 0) {
        signal(SIGPIPE, SIG_DFL);
        signal(SIGINT, SIG_DFL);
        if (chdir(cwd.c_str()) != 0)
            _exit(127);
        execv(argv[0], argv.data());
        _exit(127);
    }
}

TPtyProcess::~TPtyProcess()
{
    if (child > 0) {
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
    }
    if (master >= 0)
        close(master);
}

bool TPtyProcess::Expect(const std::string& text)
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

bool TPtyProcess::EchoOff() const
{
    termios state{};
    return tcgetattr(master, &state) == 0 && !(state.c_lflag & ECHO);
}

void TPtyProcess::Type(const std::string& text)
{
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(master, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw std::runtime_error("write to terminal failed");
        done += size_t(n);
    }
}

void TPtyProcess::Signal(int signal)
{
    if (child > 0)
        kill(child, signal);
}

int TPtyProcess::Finish()
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
    TProcessResult result;
    StoreStatus(wstatus, result);
    return result.ShellStatus();
}

bool TPtyProcess::ReadSome(double deadline)
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

} // namespace mv::test
