// A stream over an open file of the file system. Every read and write is checked: a refused or
// short write raises EStreamError naming the file and the system's reason, so no job can take a
// full disk for success. A read or write interrupted by a caught terminating signal fails too
// (instead of waiting on a pipe or terminal for good), so the job can clean up and end.
#pragma once

#include "platform/Stream.h"

#include <filesystem>
#include <string>

namespace mv::platform {

enum class TFileMode
{
    OpenRead,      // existing file, read only
    OpenReadWrite, // existing file, read and write
    Create,        // new or truncated file, read and write
    CreateNew      // new file only; fails when the name exists (also as a dangling symlink)
};

class TFileStream : public TStream
{
public:
    TFileStream(const std::filesystem::path& path, TFileMode mode, unsigned permissions = 0666);
    // Takes over an open descriptor (closed by the stream); path names it in messages.
    TFileStream(int adoptedHandle, const std::filesystem::path& path);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t Size() override;

    // Forces written data to the device (fdatasync).
    void Sync();
    void Close();
    int Handle() const { return fd; }
    const std::filesystem::path& Path() const { return path; }

private:
    [[noreturn]] void Fail(const char* action) const;

    std::filesystem::path path;
    int fd = -1;
};

} // namespace mv::platform
