#include "cli/Terminal.h"

#include "cipher/BitOps.h"
#include "platform/TerminationSignals.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace mv::cli {

namespace {

// The user's terminal: the controlling terminal of the process, whatever standard input is (a
// pipe carries data, never a password), else standard input when that is a terminal. Prompts are
// written to it too, so a redirected stderr does not hide them. Without a controlling terminal
// (cron, CI, a new session) nothing is there to open, and nothing waits for an answer.
class TTerminalFile
{
public:
    TTerminalFile()
    {
        fd = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (fd < 0 && isatty(STDIN_FILENO) == 1) {
            const char* name = ttyname(STDIN_FILENO);
            fd = name ? open(name, O_RDWR | O_NOCTTY | O_CLOEXEC) : -1;
            if (fd < 0)
                fd = fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 0);
        }
    }
    ~TTerminalFile()
    {
        if (fd >= 0)
            close(fd);
    }
    TTerminalFile(const TTerminalFile&) = delete;
    TTerminalFile& operator=(const TTerminalFile&) = delete;

    int Handle() const { return fd; }
    bool Open() const { return fd >= 0; }

    void Write(const std::string& text) const
    {
        size_t done = 0;
        bool toStderr = false;
        while (done < text.size()) {
            const int target = fd >= 0 && !toStderr ? fd : STDERR_FILENO;
            ssize_t n = write(target, text.data() + done, text.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && target == fd && !toStderr) {
                toStderr = true; // a terminal open for reading only
                continue;
            }
            if (n <= 0)
                return;
            done += static_cast<size_t>(n);
        }
    }

private:
    int fd = -1;
};

// Echo off for the life of the object; the newline is still echoed so the cursor moves on.
class TEchoOff
{
public:
    explicit TEchoOff(int terminal) : fd(terminal)
    {
        if (tcgetattr(fd, &saved) != 0)
            return;
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        quiet.c_lflag |= ECHONL;
        active = tcsetattr(fd, TCSAFLUSH, &quiet) == 0;
    }
    ~TEchoOff()
    {
        if (active)
            tcsetattr(fd, TCSAFLUSH, &saved);
    }
    TEchoOff(const TEchoOff&) = delete;
    TEchoOff& operator=(const TEchoOff&) = delete;

private:
    int fd;
    termios saved{};
    bool active = false;
};

// Blocks the terminating signals for its life except while waiting for input (ppoll unblocks it
// atomically), so a press that comes just before the wait is seen instead of leaving the wait to
// block for good.
class TInterruptWindow
{
public:
    TInterruptWindow()
    {
        sigset_t interrupt;
        sigemptyset(&interrupt);
        platform::AddTerminationSignals(interrupt);
        sigprocmask(SIG_BLOCK, &interrupt, &saved);
    }
    ~TInterruptWindow() { sigprocmask(SIG_SETMASK, &saved, nullptr); }
    TInterruptWindow(const TInterruptWindow&) = delete;
    TInterruptWindow& operator=(const TInterruptWindow&) = delete;

    // Waits until the terminal has something to read; false when interrupted.
    bool WaitForInput(int terminal) const
    {
        for (;;) {
            if (platform::TerminationSignal() != 0)
                return false;
            pollfd input{terminal, POLLIN, 0};
            int ready = ppoll(&input, 1, nullptr, &saved);
            if (ready > 0)
                return true;
            if (ready < 0 && errno != EINTR)
                return false;
        }
    }

private:
    sigset_t saved{};
};

// Reads up to the newline into buffer (at most capacity bytes kept, the rest of a longer line
// dropped). False on end of input before any byte, on an error, or on an interrupt.
bool ReadLine(int terminal, char* buffer, size_t capacity, size_t& length)
{
    TInterruptWindow window;
    length = 0;
    bool any = false;
    for (;;) {
        if (!window.WaitForInput(terminal))
            return false;
        char c;
        ssize_t n = read(terminal, &c, 1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            return any;
        any = true;
        if (c == '\n')
            break;
        if (length < capacity)
            buffer[length++] = c;
    }
    if (length > 0 && buffer[length - 1] == '\r')
        --length;
    return true;
}

} // namespace

void TSecretText::Assign(const char* data, size_t count)
{
    Wipe();
    text.assign(data, count);
}

void TSecretText::Wipe()
{
    if (!text.empty())
        cipher::SecureFill(text.data(), text.size(), 0);
    text.clear();
}

bool TSecretText::operator==(const TSecretText& other) const
{
    return text.size() == other.text.size() &&
           cipher::SameBytes(text.data(), other.text.data(), static_cast<int32_t>(text.size()));
}

bool TerminalAvailable()
{
    return TTerminalFile().Open();
}

bool StderrIsTerminal()
{
    return isatty(STDERR_FILENO) == 1;
}

bool ReadSecretLine(const std::string& prompt, TSecretText& line)
{
    const TTerminalFile output;
    if (!output.Open())
        return false;
    char buffer[4096];
    size_t length = 0;
    bool read;
    {
        TEchoOff echoOff(output.Handle());
        output.Write(prompt);
        read = ReadLine(output.Handle(), buffer, sizeof buffer, length);
    }
    if (read)
        line.Assign(buffer, length);
    else
        output.Write("\n");
    cipher::SecureFill(buffer, sizeof buffer, 0);
    return read;
}

bool ReadAnswerLine(const std::string& prompt, std::string& line)
{
    const TTerminalFile output;
    if (!output.Open())
        return false;
    output.Write(prompt);
    char buffer[256];
    size_t length = 0;
    if (!ReadLine(output.Handle(), buffer, sizeof buffer, length)) {
        output.Write("\n");
        return false;
    }
    line.assign(buffer, length);
    return true;
}

void WriteToTerminal(const std::string& text)
{
    TTerminalFile().Write(text);
}

void InstallInterruptHandler()
{
    platform::InstallTerminationHandlers();
}

bool InterruptRequested()
{
    return platform::TerminationSignal() != 0;
}

void ClearInterrupt()
{
    platform::ClearTerminationSignal();
}

} // namespace mv::cli
