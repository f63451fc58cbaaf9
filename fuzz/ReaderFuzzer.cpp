// The container reader on hostile bytes: each input becomes an in-memory file (memfd) that
// DecryptFile reads through its ordinary path, with a fixed password, restoring into a directory
// on tmpfs that is emptied after every run. Both body kinds go through the real job: the plain
// reader, and the compressed reader that DecryptFile hands a compressed header to. Besides the
// sanitizers' findings, a run fails when a file is left that the outcome does not keep.
#include "engine/ContainerHeader.h"
#include "engine/Work.h"
#include "fuzz/FuzzHost.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace mv;

namespace {

fs::path outputDirectory;

bool WriteAll(int fd, const uint8_t* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // tmpfs: every run creates, syncs and removes a file.
    std::string pattern = fs::exists("/dev/shm")
                              ? std::string("/dev/shm/morvane-fuzz.XXXXXX")
                              : (fs::temp_directory_path() / "morvane-fuzz.XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        std::abort();
    outputDirectory = pattern;
    std::atexit([] {
        std::error_code ignored;
        fs::remove_all(outputDirectory, ignored);
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const int fd = ::memfd_create("container", MFD_CLOEXEC);
    if (fd < 0 || !WriteAll(fd, data, size))
        std::abort();
    const std::string path = "/proc/self/fd/" + std::to_string(fd);

    fuzz::TFuzzHost host;
    engine::TJobOptions options; // no wiping of the input: it is the fuzzer's buffer
    const engine::TJobResult result = engine::DecryptFile(host, options, path, outputDirectory);
    ::close(fd);

    const bool kept = result.Outcome == engine::TJobOutcome::Finished ||
                      result.Outcome == engine::TJobOutcome::CrcMismatch;
    size_t left = 0;
    for (const auto& entry : fs::directory_iterator(outputDirectory)) {
        ++left;
        if (!kept || entry.path() != result.OutputPath)
            std::abort(); // a partial or temporary output survived its job
        fs::remove(entry.path());
    }
    if (kept && left != 1)
        std::abort();
    engine::CurrentHeader.Clear();
    return 0;
}
