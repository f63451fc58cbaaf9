// WipeFile: make sure the name still holds the file that was read, rename, overwrite in place,
// delete. WipeOpenFile: the overwriting alone, through an open file.
#include "cipher/BitOps.h"
#include "engine/JobFrame.h"
#include "engine/Work.h"
#include "platform/FileStream.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <span>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace mv::engine {

namespace {

constexpr int64_t WipeBufferSize = 32768;
constexpr uint8_t QuickPattern[] = {0x00};
constexpr uint8_t SecurePatterns[] = {0x00, 0x01, 0x2A};
constexpr const char* WipedName = "wiped.file";

bool Fail(std::string* error, const std::string& reason)
{
    if (error)
        *error = reason;
    return false;
}

std::string Quoted(const std::filesystem::path& path)
{
    return "\"" + path.string() + "\"";
}

// The byte ranges of the file that hold data. A sparse file's holes hold nothing to destroy, and
// writing them would allocate blocks the disk may not have: only the data is overwritten.
std::vector<std::pair<int64_t, int64_t>> DataExtents(int handle, int64_t size)
{
    std::vector<std::pair<int64_t, int64_t>> extents;
    int64_t position = 0;
    while (position < size) {
        const off_t data = ::lseek(handle, position, SEEK_DATA);
        if (data < 0) {
            if (errno == ENXIO)
                break; // only a hole is left
            // The file system cannot tell: everything counts as data.
            extents.assign(1, {0, size});
            return extents;
        }
        off_t hole = ::lseek(handle, data, SEEK_HOLE);
        if (hole < 0 || hole > size)
            hole = size;
        if (data >= size)
            break;
        extents.emplace_back(data, hole);
        position = hole;
    }
    return extents;
}

} // namespace

bool WipeOpenFile(TJobHost& host, platform::TFileStream& file, bool secureWipe, std::string* error)
{
    const std::span<const uint8_t> patterns = secureWipe ? std::span<const uint8_t>(SecurePatterns)
                                                         : std::span<const uint8_t>(QuickPattern);
    std::vector<uint8_t> buffer(WipeBufferSize);
    size_t passNumber = 0;
    try {
        const int64_t size = file.Size();
        const auto extents = DataExtents(file.Handle(), size);
        // Pass by pass over the whole file, each forced to the disk before the next begins:
        // otherwise only the last pattern would ever leave the page cache, and on ext4 none
        // before the delete. The file is never truncated or extended.
        for (const uint8_t pattern : patterns) {
            ++passNumber;
            std::fill(buffer.begin(), buffer.end(), pattern);
            for (const auto& [begin, end] : extents) {
                for (int64_t position = begin; position < end; position += WipeBufferSize) {
                    file.Seek(position, platform::TSeekOrigin::Begin);
                    file.Write(buffer.data(), std::min(WipeBufferSize, end - position));
                    host.ProcessMessages();
                }
            }
            file.Sync();
        }
        if (size == 0)
            host.ProcessMessages();
    } catch (const platform::EStreamError& e) {
        return Fail(error, passNumber == 0
                               ? std::string(e.what())
                               : "Wipe pass " + std::to_string(passNumber) + " of " +
                                     std::to_string(patterns.size()) + " failed: " + e.what());
    }
    return true;
}

bool WipeFile(TJobHost& host, const std::filesystem::path& path, bool secureWipe,
              std::string* error, const platform::TFileSnapshot* expected)
{
    TWaitWindow window(host, TextWipeCaption, path.string());
    if (error)
        error->clear();
    // A symlink's own bytes are no data: wipe the file it leads to, not a file by that name.
    std::error_code ignored;
    const std::filesystem::path target = std::filesystem::is_symlink(path, ignored)
                                             ? std::filesystem::canonical(path, ignored)
                                             : path;
    if (target.empty())
        return Fail(error, "Cannot wipe " + Quoted(path) + ": dangling symlink");

    // Opened without blocking (a FIFO put in its place would hold the open) and looked at before
    // anything is written: the name must still hold the very file the job read.
    const int handle =
        ::open(target.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC);
    if (handle < 0)
        return Fail(error, "Cannot open " + Quoted(path) + " to wipe it: " + std::strerror(errno));
    platform::TFileStream file(handle, target);
    struct stat st
    {
    };
    if (::fstat(handle, &st) != 0 || !S_ISREG(st.st_mode))
        return Fail(error, "Not wiped: " + Quoted(path) + " is " +
                               platform::FileKindText(st.st_mode) + ", not a regular file");
    ::fcntl(handle, F_SETFL, ::fcntl(handle, F_GETFL) & ~O_NONBLOCK);
    if (expected && !(platform::SnapshotOfHandle(handle) == *expected))
        return Fail(error, "Not wiped: " + Quoted(path) +
                               " is no longer the file that was read (it was replaced or "
                               "changed meanwhile); it was left as it is");
    // Overwriting in place reaches every name of the file: the other names would lose their
    // content while only this one goes away.
    if (st.st_nlink > 1)
        return Fail(error, "Not wiped: " + Quoted(path) + " has " + std::to_string(st.st_nlink) +
                               " names (hard links); overwriting it would destroy the content "
                               "of the others. Remove the other names first, or delete it");
    const platform::TFileIdentity identity{static_cast<uint64_t>(st.st_dev),
                                           static_cast<uint64_t>(st.st_ino)};

    // Never onto an existing "wiped.file": on a refused rename the file is wiped under its name.
    std::filesystem::path current = target;
    const std::filesystem::path wipedPath = target.parent_path() / WipedName;
    if (platform::RenameNoReplace(target, wipedPath)) {
        current = wipedPath;
        // Another file may have been put under the name between the look and the rename: that
        // one goes back, untouched.
        if (platform::IdentityOfName(wipedPath) != identity) {
            platform::RenameNoReplace(wipedPath, target);
            current = target;
        }
    }

    std::string failure;
    if (!WipeOpenFile(host, file, secureWipe, &failure)) {
        // A failed pass never deletes the file: it keeps (or gets back) the user's name, so it
        // is found again, and the message says which pass failed.
        if (current != target)
            platform::RenameNoReplace(current, target);
        return Fail(error,
                    "Wiping " + Quoted(path) + " failed, the file was not deleted: " + failure);
    }
    try {
        file.Close();
    } catch (const platform::EStreamError& e) {
        return Fail(error, e.what());
    }
    if (platform::IdentityOfName(current) != identity)
        return Fail(error, "Not deleted: " + Quoted(current) + " changed during the wipe");
    std::string reason;
    if (!platform::RemoveName(current, &reason))
        return Fail(error, "Cannot delete " + Quoted(current) + ": " + reason);
    // The link named the wiped file; it would only dangle now.
    if (target != path)
        platform::RemoveName(path);
    return true;
}

} // namespace mv::engine
