// Two ways to make a job's writes fail the way a full disk does: a small tmpfs mounted for the
// test (needs root and a kernel that allows the mount), and a file-size limit on the process,
// under which every write beyond the limit fails with EFBIG (works for every user).
#pragma once

#include <cstdint>
#include <filesystem>
#include <sys/resource.h>

namespace mv::test {

class TSmallTmpfs
{
public:
    // Mounts a tmpfs of sizeBytes at mountPoint (created if needed); Mounted() tells whether it
    // worked. Unmounted on destruction.
    TSmallTmpfs(const std::filesystem::path& mountPoint, int64_t sizeBytes);
    ~TSmallTmpfs();
    TSmallTmpfs(const TSmallTmpfs&) = delete;
    TSmallTmpfs& operator=(const TSmallTmpfs&) = delete;

    bool Mounted() const { return mounted; }

private:
    std::filesystem::path mountPoint;
    bool mounted = false;
};

class TFileSizeLimit
{
public:
    // Limits the size every file of this process may grow to; SIGXFSZ is ignored meanwhile, so
    // a write beyond the limit fails with EFBIG instead of ending the process.
    explicit TFileSizeLimit(int64_t limitBytes);
    ~TFileSizeLimit();
    TFileSizeLimit(const TFileSizeLimit&) = delete;
    TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;

private:
    struct rlimit saved
    {
    };
    void (*savedHandler)(int) = nullptr;
};

} // namespace mv::test
