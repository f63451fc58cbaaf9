// The files of a running job: the input opened as a regular file, a container read as a byte
// range of its file, and the output written under a temporary name beside its final one.
#pragma once

#include "platform/Exception.h"
#include "platform/FileStream.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace mv::engine {

// Opens path for reading; nothing, with the reason in error, when it cannot be opened or is not a
// regular file (a directory opens on Linux but cannot be read as a file).
std::unique_ptr<platform::TFileStream> OpenInputFile(const std::filesystem::path& path,
                                                     std::string& error);

// True when both paths lead to one file (device and inode), whatever their spelling, symlinks or
// hard links; false when either leads nowhere.
bool IsSameFile(const std::filesystem::path& a, const std::filesystem::path& b);

// The bytes begin..end of a file as a stream of their own: position 0 is begin, reads end at end.
// Reading moves the file's own position ahead of the stream's: go back to the file itself only
// after a Seek of the file.
class TRangeStream : public platform::TStream
{
public:
    TRangeStream(platform::TFileStream& file, int64_t begin, int64_t end);
    ~TRangeStream() override;
    TRangeStream(const TRangeStream&) = delete;
    TRangeStream& operator=(const TRangeStream&) = delete;

    // Reads of less than ReadRunSize bytes are served from one long read of the file: the cipher
    // reads in portions of 8192 bytes, and a system call per portion is a tenth of its time.
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, platform::TSeekOrigin origin) override;
    int64_t Size() override { return end - begin; }

private:
    static constexpr size_t ReadRunSize = 256 * 1024;

    platform::TFileStream& file;
    int64_t begin;
    int64_t end;
    int64_t position = 0;
    std::unique_ptr<uint8_t[]> ahead;
    size_t aheadBytes = 0;
    size_t aheadNext = 0;
};

// The output of a job. It is created under a fresh name in the final name's directory (never
// following a symlink planted there) and carries the final name only after Commit, which forces
// the data to the disk first: an interrupted or failed job never leaves a half-written file under
// the final name, and an input is wiped only once its output is safe. A write failure is raised
// as platform::EStreamError naming the final file and the system's reason.
class TJobOutput : public platform::TStream
{
public:
    // Creates the temporary file; false, with the reason in error, when that is impossible or the
    // final name is a directory.
    bool Create(const std::filesystem::path& finalPath, std::string& error);
    ~TJobOutput() override;

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, platform::TSeekOrigin origin) override;
    int64_t Size() override;

    // Sync, close, rename into place (replacing a file of that name). Raises EStreamError.
    void Commit();
    // Closes the file and leaves it for the caller to remove or wipe (TemporaryPath).
    void CloseTemporary();
    // Closes and deletes the temporary file (it holds no plain bytes).
    void Discard();

    const std::filesystem::path& TemporaryPath() const { return temporaryPath; }
    const std::filesystem::path& FinalPath() const { return finalPath; }

private:
    [[noreturn]] void Rethrow(const platform::EStreamError& error) const;
    // Writes out what Write has gathered; raises like Write.
    void Flush();
    // Forgets what was gathered, overwriting it: it may hold plain bytes.
    void DropPending();

    std::unique_ptr<platform::TFileStream> file;
    // Writes are gathered into runs of WriteRunSize bytes: a job writes in portions of 8192 bytes
    // or less, and one system call per portion costs about a tenth of a fast cipher's time.
    static constexpr size_t WriteRunSize = 256 * 1024;
    std::unique_ptr<uint8_t[]> pending;
    size_t pendingBytes = 0;
    std::filesystem::path finalPath;
    std::filesystem::path temporaryPath;
};

} // namespace mv::engine
