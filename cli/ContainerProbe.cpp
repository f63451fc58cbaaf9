#include "cli/ContainerProbe.h"

#include "engine/ChunkCodec.h"
#include "engine/SfxTrailer.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace mv::cli {

namespace {

// The file opened for reading without ever blocking in open (a FIFO named by mistake).
class TReadOnlyFile
{
public:
    explicit TReadOnlyFile(const std::filesystem::path& path)
        : fd(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY))
    {
    }
    ~TReadOnlyFile()
    {
        if (fd >= 0)
            close(fd);
    }
    TReadOnlyFile(const TReadOnlyFile&) = delete;
    TReadOnlyFile& operator=(const TReadOnlyFile&) = delete;

    int Handle() const { return fd; }

    // Exactly count bytes at offset; false on a short read (errno 0) or an error.
    bool ReadAt(void* buffer, size_t count, int64_t offset) const
    {
        auto* bytes = static_cast<uint8_t*>(buffer);
        size_t done = 0;
        errno = 0;
        while (done < count) {
            const ssize_t n = pread(fd, bytes + done, count - done, offset + int64_t(done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            done += size_t(n);
        }
        return true;
    }

private:
    int fd;
};

bool ReadHeader(const TReadOnlyFile& file, int64_t offset, int64_t fileSize,
                engine::TContainerHeader& header)
{
    engine::THeaderBytes bytes{};
    errno = 0;
    if (offset < 0 || fileSize - offset < engine::HeaderSize ||
        !file.ReadAt(bytes.data(), bytes.size(), offset))
        return false;
    header = engine::TContainerHeader::Decode(bytes);
    return header.HasMark();
}

// The refusals of the decrypt job before it creates anything, in its order.
void CheckFields(const TReadOnlyFile& file, TContainerProbe& probe)
{
    const engine::TContainerHeader& h = probe.Header;
    if (!engine::HasKnownCipherAndMode(h)) {
        probe.Refusal = "the cipher or mode it names is unknown";
        return;
    }
    probe.RestoredName = engine::SafeFileName(h.FileName).value_or("");
    if (!h.IsCompressed)
        return;
    const int64_t containerSize = probe.Range.End - probe.Range.Begin;
    if (auto fault = engine::CheckChunkTableSize(h.ChunkTableSize, containerSize)) {
        probe.Damage = *fault;
        return;
    }
    std::vector<uint8_t> table(static_cast<size_t>(h.ChunkTableSize));
    if (!file.ReadAt(table.data(), table.size(), probe.Range.End - h.ChunkTableSize)) {
        probe.Damage = "the chunk table is cut off";
        return;
    }
    if (auto fault = engine::CheckChunkLayout(h, table, containerSize))
        probe.Damage = *fault;
}

} // namespace

TContainerProbe ProbeContainer(const std::filesystem::path& path)
{
    TContainerProbe probe;
    struct stat info
    {
    };
    if (stat(path.c_str(), &info) != 0) {
        probe.Fault = errno == ENOENT ? TProbeFault::Missing : TProbeFault::Unreadable;
        probe.Reason = std::strerror(errno);
        return probe;
    }
    if (!S_ISREG(info.st_mode)) {
        probe.Fault = TProbeFault::NotRegular;
        return probe;
    }
    const TReadOnlyFile file(path);
    if (file.Handle() < 0 || fstat(file.Handle(), &info) != 0) {
        probe.Fault = TProbeFault::Unreadable;
        probe.Reason = std::strerror(errno);
        return probe;
    }
    if (!S_ISREG(info.st_mode)) { // replaced between the two looks
        probe.Fault = TProbeFault::NotRegular;
        return probe;
    }
    probe.FileSize = info.st_size;
    auto readFailed = [&] {
        probe.Fault = TProbeFault::Unreadable;
        probe.Reason = errno ? std::strerror(errno) : "the file ended early";
        return probe;
    };
    if (ReadHeader(file, 0, probe.FileSize, probe.Header)) {
        probe.Kind = TContainerKind::Container;
        probe.Range = {0, probe.FileSize};
    } else {
        if (errno != 0)
            return readFailed();
        engine::TSfxTrailerBytes trailer{};
        if (probe.FileSize >= engine::SfxTrailerSize &&
            !file.ReadAt(trailer.data(), trailer.size(), probe.FileSize - engine::SfxTrailerSize))
            return readFailed();
        const engine::TSfxLocation location = engine::LocateSfxContainer(probe.FileSize, trailer);
        if (location.Fault != engine::TSfxFault::None)
            return probe;
        if (!ReadHeader(file, location.Range.Begin, probe.FileSize, probe.Header)) {
            if (errno != 0)
                return readFailed();
            return probe;
        }
        probe.Kind = TContainerKind::SelfDecrypting;
        probe.Range = location.Range;
    }
    errno = 0;
    CheckFields(file, probe);
    if (errno != 0 && !probe.Damage.empty())
        return readFailed();
    return probe;
}

} // namespace mv::cli
