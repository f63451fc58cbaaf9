#include "platform/DesktopShell.h"

#include <cerrno>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace mv::platform {

namespace {

bool Unreserved(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~' || c == '/';
}

} // namespace

std::string FileUrl(const std::filesystem::path& path)
{
    static const char Hex[] = "0123456789ABCDEF";
    std::string url = "file://";
    for (unsigned char c : path.string()) {
        if (Unreserved(c)) {
            url += static_cast<char>(c);
        } else {
            url += '%';
            url += Hex[c >> 4];
            url += Hex[c & 15];
        }
    }
    return url;
}

bool OpenWithDesktop(const std::string& address)
{
    // A shell that starts xdg-open in the background and ends at once: it is reaped here, and
    // xdg-open (which may wait for the browser) belongs to nobody's wait. Its status says
    // whether there was an xdg-open to start.
    const char* script = "command -v xdg-open >/dev/null 2>&1 || exit 127; xdg-open \"$1\" "
                         ">/dev/null 2>&1 </dev/null &";
    const char* argv[] = {"sh", "-c", script, "sh", address.c_str(), nullptr};
    pid_t child = 0;
    if (posix_spawnp(&child, "sh", nullptr, nullptr, const_cast<char**>(argv), environ) != 0)
        return false;
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR)
            return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace mv::platform
