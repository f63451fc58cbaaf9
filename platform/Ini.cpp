#include "platform/Ini.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace mv::platform {

namespace {

bool Fail(std::string* error, const std::string& what)
{
    if (error)
        *error = what + ": " + std::strerror(errno);
    return false;
}

} // namespace

bool WriteIniFile(const std::filesystem::path& path, const std::vector<TIniSection>& sections,
                  std::string* error)
{
    std::string text;
    for (size_t i = 0; i < sections.size(); ++i) {
        if (i > 0)
            text += '\n';
        text += '[' + sections[i].Name + "]\n";
        for (const auto& [key, value] : sections[i].Keys)
            text += key + '=' + value + '\n';
    }

    const std::string temporary = path.string() + ".new";
    const int handle = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (handle < 0)
        return Fail(error, temporary);
    size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(handle, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            Fail(error, temporary);
            ::close(handle);
            ::unlink(temporary.c_str());
            return false;
        }
        written += static_cast<size_t>(n);
    }
    const bool synced = ::fsync(handle) == 0;
    const int syncErrno = errno;
    const bool closed = ::close(handle) == 0;
    if (!synced || !closed) {
        if (!synced)
            errno = syncErrno;
        Fail(error, temporary);
        ::unlink(temporary.c_str());
        return false;
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        Fail(error, path.string());
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

} // namespace mv::platform
