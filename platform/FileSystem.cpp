#include "platform/FileSystem.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace mv::platform {

namespace {

std::optional<TFileIdentity> FromStat(const struct stat& st)
{
    return TFileIdentity{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
}

bool Failed(std::string* error)
{
    if (error)
        *error = std::strerror(errno);
    return false;
}

} // namespace

std::optional<TFileIdentity> IdentityOfPath(const std::filesystem::path& path)
{
    struct stat st
    {
    };
    if (::stat(path.c_str(), &st) != 0)
        return std::nullopt;
    return FromStat(st);
}

std::optional<TFileIdentity> IdentityOfName(const std::filesystem::path& path)
{
    struct stat st
    {
    };
    if (::lstat(path.c_str(), &st) != 0)
        return std::nullopt;
    return FromStat(st);
}

std::optional<TFileSnapshot> SnapshotOfHandle(int handle)
{
    struct stat st
    {
    };
    if (::fstat(handle, &st) != 0)
        return std::nullopt;
    return TFileSnapshot{*FromStat(st), static_cast<int64_t>(st.st_size),
                         static_cast<int64_t>(st.st_mtim.tv_sec),
                         static_cast<int64_t>(st.st_mtim.tv_nsec)};
}

std::optional<TFileIdentity> IdentityOfHandle(int handle)
{
    struct stat st
    {
    };
    if (::fstat(handle, &st) != 0)
        return std::nullopt;
    return FromStat(st);
}

bool NameExists(const std::filesystem::path& path)
{
    struct stat st
    {
    };
    return ::lstat(path.c_str(), &st) == 0;
}

bool RenameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to,
                     std::string* error)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return Failed(error);
    // No RENAME_NOREPLACE on this file system: link() refuses an existing name as well.
    if (::link(from.c_str(), to.c_str()) != 0)
        return Failed(error);
    if (::unlink(from.c_str()) != 0) {
        const int saved = errno;
        ::unlink(to.c_str());
        errno = saved;
        return Failed(error);
    }
    return true;
}

bool RenameReplace(const std::filesystem::path& from, const std::filesystem::path& to,
                   std::string* error)
{
    if (::rename(from.c_str(), to.c_str()) == 0)
        return true;
    return Failed(error);
}

bool ExchangeNames(const std::filesystem::path& a, const std::filesystem::path& b,
                   std::string* error)
{
    if (::renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE) == 0)
        return true;
    return Failed(error);
}

std::string FileKindText(unsigned mode)
{
    switch (mode & S_IFMT) {
    case S_IFREG:
        return "a regular file";
    case S_IFDIR:
        return "a directory";
    case S_IFIFO:
        return "a FIFO (named pipe)";
    case S_IFCHR:
        return "a character device";
    case S_IFBLK:
        return "a block device";
    case S_IFSOCK:
        return "a socket";
    case S_IFLNK:
        return "a symbolic link";
    default:
        return "not a regular file";
    }
}

unsigned ProcessUmask()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Umask:", 0) == 0)
            return static_cast<unsigned>(std::strtoul(line.c_str() + 6, nullptr, 8) & 0777);
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

bool RemoveName(const std::filesystem::path& path, std::string* error)
{
    if (::unlink(path.c_str()) == 0)
        return true;
    return Failed(error);
}

} // namespace mv::platform
