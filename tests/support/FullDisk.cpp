#include "tests/support/FullDisk.h"

#include <csignal>
#include <string>
#include <sys/mount.h>
#include <unistd.h>

namespace mv::test {

TSmallTmpfs::TSmallTmpfs(const std::filesystem::path& point, int64_t sizeBytes) : mountPoint(point)
{
    std::error_code ignored;
    std::filesystem::create_directories(mountPoint, ignored);
    if (::geteuid() != 0)
        return;
    const std::string options = "size=" + std::to_string(sizeBytes) + ",mode=0700";
    mounted =
        ::mount("tmpfs", mountPoint.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) == 0;
}

TSmallTmpfs::~TSmallTmpfs()
{
    if (mounted)
        ::umount2(mountPoint.c_str(), MNT_DETACH);
}

TFileSizeLimit::TFileSizeLimit(int64_t limitBytes)
{
    ::getrlimit(RLIMIT_FSIZE, &saved);
    savedHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = saved;
    limit.rlim_cur = static_cast<rlim_t>(limitBytes);
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

TFileSizeLimit::~TFileSizeLimit()
{
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, savedHandler);
}

} // namespace mv::test
