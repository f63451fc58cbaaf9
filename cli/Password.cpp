#include "cli/Password.h"

#include "cipher/BitOps.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace mv::cli {

namespace {

// A first line longer than this is not a password but the wrong file.
constexpr size_t MaxPasswordLine = 65536;

} // namespace

bool ReadPasswordFile(const std::string& path, TSecretText& password, std::string& error)
{
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = "Unable to read password file " + path + ": " + std::strerror(errno);
        return false;
    }
    std::vector<char> buffer(MaxPasswordLine + 1);
    size_t length = 0;
    bool lineEnded = false;
    int readErrno = 0;
    while (length < buffer.size() && !lineEnded) {
        ssize_t n = read(fd, buffer.data() + length, buffer.size() - length);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            readErrno = errno;
            break;
        }
        if (n == 0)
            break;
        char* newline = static_cast<char*>(std::memchr(buffer.data() + length, '\n', size_t(n)));
        if (newline) {
            lineEnded = true;
            length = static_cast<size_t>(newline - buffer.data());
        } else
            length += static_cast<size_t>(n);
    }
    close(fd);
    bool ok = true;
    if (readErrno != 0) {
        error = "Unable to read password file " + path + ": " + std::strerror(readErrno);
        ok = false;
    } else if (length > MaxPasswordLine) {
        error = "Unable to read password file " + path + ": its first line is too long";
        ok = false;
    } else {
        if (length > 0 && buffer[length - 1] == '\r')
            --length;
        password.Assign(buffer.data(), length);
    }
    cipher::SecureFill(buffer.data(), buffer.size(), 0);
    return ok;
}

namespace {

// One line typed without echo; false with the message when there is none to be had.
bool ReadTypedPassword(const char* prompt, TSecretText& password, std::string& error)
{
    if (!ReadSecretLine(prompt, password)) {
        error = InterruptRequested() ? "Interrupted" : MsgNoPassword;
        return false;
    }
    if (password.Text().size() > MaxTypedPassword) {
        password.Wipe();
        error = MsgPasswordTooLong;
        return false;
    }
    return true;
}

} // namespace

bool ObtainPassword(const std::string& passwordFile, bool confirm, TSecretText& password,
                    std::string& error)
{
    if (!passwordFile.empty()) {
        if (!ReadPasswordFile(passwordFile, password, error))
            return false;
    } else {
        if (!TerminalAvailable()) {
            error = MsgNoTerminal;
            return false;
        }
        for (int attempt = 1;; ++attempt) {
            if (!ReadTypedPassword(PasswordPrompt, password, error))
                return false;
            if (password.Empty() || !confirm)
                break;
            TSecretText again;
            if (!ReadTypedPassword(ConfirmPrompt, again, error)) {
                password.Wipe();
                if (error == MsgNoPassword)
                    error = MsgPasswordMismatch;
                return false;
            }
            if (again == password)
                break;
            password.Wipe();
            if (attempt == PasswordAttempts) {
                error = MsgPasswordMismatch;
                return false;
            }
            WriteToTerminal(std::string(MsgPasswordMismatch) + " Please type it again (" +
                            std::to_string(attempt + 1) + " of " +
                            std::to_string(PasswordAttempts) + ").\n");
        }
    }
    if (password.Empty()) {
        error = MsgNoPassword;
        return false;
    }
    return true;
}

} // namespace mv::cli
