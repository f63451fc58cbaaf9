#include "platform/Ini.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace mv::platform {

namespace {

bool Fail(std::string* error, int code)
{
    if (error)
        *error = std::strerror(code);
    return false;
}

// Closes a descriptor when it goes out of scope.
class TDescriptor
{
public:
    explicit TDescriptor(int handle) : handle_(handle) {}
    ~TDescriptor()
    {
        if (handle_ >= 0)
            ::close(handle_);
    }
    TDescriptor(const TDescriptor&) = delete;
    TDescriptor& operator=(const TDescriptor&) = delete;
    int Get() const { return handle_; }
    // Closes now; the close's own failure (a delayed write error) counts.
    int Close()
    {
        const int result = ::close(handle_);
        handle_ = -1;
        return result;
    }

private:
    int handle_;
};

bool WriteAll(int handle, const std::string& text)
{
    size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(handle, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        written += static_cast<size_t>(n);
    }
    return true;
}

std::string RandomSuffix()
{
    static const char Letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device source;
    std::string suffix;
    for (int i = 0; i < 6; ++i)
        suffix += Letters[source() % (sizeof Letters - 1)];
    return suffix;
}

// Creates a new file beside path, exclusively and without following a link; its name goes into
// temporary. A taken name is passed over, never opened.
int CreateBeside(const std::filesystem::path& path, std::string& temporary)
{
    const int flags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY;
    temporary = path.string() + ".new";
    for (int attempt = 0; attempt < 100; ++attempt) {
        const int handle = ::open(temporary.c_str(), flags, 0600);
        if (handle >= 0 || errno != EEXIST)
            return handle;
        temporary = path.string() + ".new-" + RandomSuffix();
    }
    return -1;
}

void SyncDirectory(const std::filesystem::path& directory)
{
    // The rename is on the disk once the directory is; a failure here loses nothing already
    // written, so it is not reported.
    const int handle =
        ::open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (handle >= 0) {
        ::fsync(handle);
        ::close(handle);
    }
}

} // namespace

std::string IniText(const std::vector<TIniSection>& sections)
{
    std::string text;
    for (size_t i = 0; i < sections.size(); ++i) {
        if (i > 0)
            text += '\n';
        text += '[' + sections[i].Name + "]\n";
        for (const auto& [key, value] : sections[i].Keys)
            text += key + '=' + value + '\n';
    }
    return text;
}

std::optional<std::string> ReadSmallFile(const std::filesystem::path& path, std::string* error,
                                         size_t maxBytes)
{
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
    TDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (file.Get() < 0) {
        Fail(error, errno);
        return std::nullopt;
    }
    struct stat status
    {
    };
    if (::fstat(file.Get(), &status) != 0) {
        Fail(error, errno);
        return std::nullopt;
    }
    if (!S_ISREG(status.st_mode)) {
        Fail(error, S_ISDIR(status.st_mode) ? EISDIR : EINVAL);
        return std::nullopt;
    }
    if (static_cast<uint64_t>(status.st_size) > maxBytes) {
        Fail(error, EFBIG);
        return std::nullopt;
    }
    std::string text;
    char buffer[8192];
    for (;;) {
        const ssize_t n = ::read(file.Get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            Fail(error, errno);
            return std::nullopt;
        }
        if (n == 0)
            break;
        text.append(buffer, static_cast<size_t>(n));
        if (text.size() > maxBytes) {
            Fail(error, EFBIG);
            return std::nullopt;
        }
    }
    return text;
}

bool ReplaceFile(const std::filesystem::path& path, const std::string& text, mode_t mode,
                 std::string* error)
{
    std::string temporary;
    TDescriptor file(CreateBeside(path, temporary));
    if (file.Get() < 0)
        return Fail(error, errno);
    const auto abandon = [&](int code) {
        ::unlink(temporary.c_str());
        return Fail(error, code);
    };
    if (!WriteAll(file.Get(), text))
        return abandon(errno);
    if (::fchmod(file.Get(), mode) != 0)
        return abandon(errno);
    if (::fsync(file.Get()) != 0)
        return abandon(errno);
    if (file.Close() != 0)
        return abandon(errno);
    if (std::rename(temporary.c_str(), path.c_str()) != 0)
        return abandon(errno);
    SyncDirectory(path.parent_path());
    return true;
}

bool CreateDirectories(const std::filesystem::path& directory, mode_t mode, std::string* error)
{
    std::error_code code;
    if (std::filesystem::is_directory(directory, code))
        return true;
    const std::filesystem::path parent = directory.parent_path();
    if (!parent.empty() && parent != directory && !CreateDirectories(parent, mode, error))
        return false;
    if (::mkdir(directory.c_str(), mode) != 0 && errno != EEXIST)
        return Fail(error, errno);
    if (!std::filesystem::is_directory(directory, code))
        return Fail(error, ENOTDIR);
    return true;
}

bool WriteIniFile(const std::filesystem::path& path, const std::vector<TIniSection>& sections,
                  std::string* error)
{
    return ReplaceFile(path, IniText(sections), 0600, error);
}

} // namespace mv::platform
