#include "platform/FileStream.h"

#include "platform/Exception.h"
#include "platform/TerminationSignals.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mv::platform {

TFileStream::TFileStream(const std::filesystem::path& filePath, TFileMode mode,
                         unsigned permissions)
    : path(filePath)
{
    int flags = O_CLOEXEC;
    switch (mode) {
    case TFileMode::OpenRead:
        flags |= O_RDONLY;
        break;
    case TFileMode::OpenReadWrite:
        flags |= O_RDWR;
        break;
    case TFileMode::Create:
        flags |= O_RDWR | O_CREAT | O_TRUNC;
        break;
    case TFileMode::CreateNew:
        flags |= O_RDWR | O_CREAT | O_EXCL;
        break;
    }
    fd = ::open(path.c_str(), flags, permissions);
    if (fd < 0)
        Fail("open");
}

TFileStream::TFileStream(int adoptedHandle, const std::filesystem::path& filePath)
    : path(filePath), fd(adoptedHandle)
{
}

TFileStream::~TFileStream()
{
    if (fd >= 0)
        ::close(fd);
}

void TFileStream::Close()
{
    if (fd < 0)
        return;
    const int result = ::close(fd);
    fd = -1;
    if (result != 0)
        Fail("close");
}

void TFileStream::Fail(const char* action) const
{
    throw EStreamError("Cannot " + std::string(action) + " \"" + path.string() +
                       "\": " + std::strerror(errno));
}

int64_t TFileStream::Read(void* buffer, int64_t count)
{
    auto* bytes = static_cast<char*>(buffer);
    int64_t done = 0;
    while (done < count) {
        const ssize_t n = ::read(fd, bytes + done, static_cast<size_t>(count - done));
        if (n < 0) {
            if (errno == EINTR && TerminationSignal() == 0)
                continue;
            Fail("read");
        }
        if (n == 0)
            break;
        done += n;
    }
    return done;
}

int64_t TFileStream::Write(const void* buffer, int64_t count)
{
    const auto* bytes = static_cast<const char*>(buffer);
    int64_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(fd, bytes + done, static_cast<size_t>(count - done));
        if (n < 0) {
            if (errno == EINTR && TerminationSignal() == 0)
                continue;
            Fail("write");
        }
        if (n == 0) {
            errno = ENOSPC;
            Fail("write");
        }
        done += n;
    }
    return done;
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin)
{
    const int whence = origin == TSeekOrigin::Begin     ? SEEK_SET
                       : origin == TSeekOrigin::Current ? SEEK_CUR
                                                        : SEEK_END;
    const off_t result = ::lseek(fd, offset, whence);
    if (result < 0)
        Fail("seek in");
    return result;
}

int64_t TFileStream::Size()
{
    struct stat st
    {
    };
    if (::fstat(fd, &st) != 0)
        Fail("examine");
    return st.st_size;
}

void TFileStream::Sync()
{
    if (::fdatasync(fd) != 0)
        Fail("flush");
}

} // namespace mv::platform
