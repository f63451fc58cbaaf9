// WipeFile: rename, overwrite in place, delete.
#include "cipher/BitOps.h"
#include "engine/JobFrame.h"
#include "engine/Work.h"
#include "platform/FileStream.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <array>
#include <memory>
#include <span>
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

} // namespace

bool WipeFile(TJobHost& host, const std::filesystem::path& path, bool secureWipe,
              std::string* error)
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
        return Fail(error, "Cannot wipe \"" + path.string() + "\": dangling symlink");

    // Opened before the rename, so a file that cannot be opened keeps its own name.
    std::unique_ptr<platform::TFileStream> file;
    try {
        file = std::make_unique<platform::TFileStream>(target, platform::TFileMode::OpenReadWrite);
    } catch (const platform::EStreamError& e) {
        return Fail(error, e.what());
    }
    // Never onto an existing "wiped.file": on a refused rename the file is wiped under its name.
    std::filesystem::path current = target;
    const std::filesystem::path wipedPath = target.parent_path() / WipedName;
    if (platform::RenameNoReplace(target, wipedPath))
        current = wipedPath;

    const std::span<const uint8_t> patterns = secureWipe ? std::span<const uint8_t>(SecurePatterns)
                                                         : std::span<const uint8_t>(QuickPattern);
    std::vector<uint8_t> buffer(WipeBufferSize);
    std::string failure;
    try {
        const int64_t size = file->Size();
        // Pass by pass over the whole file, each forced to the disk before the next begins:
        // otherwise only the last pattern would ever leave the page cache, and on ext4 none
        // before the delete. The file is never truncated or extended.
        for (const uint8_t pattern : patterns) {
            std::fill(buffer.begin(), buffer.end(), pattern);
            for (int64_t position = 0; position < size; position += WipeBufferSize) {
                file->Seek(position, platform::TSeekOrigin::Begin);
                file->Write(buffer.data(), std::min(WipeBufferSize, size - position));
                host.ProcessMessages();
            }
            file->Sync();
        }
        if (size == 0)
            host.ProcessMessages();
        file->Close();
    } catch (const platform::EStreamError& e) {
        failure = e.what();
    }
    file.reset();
    std::string reason;
    if (!platform::RemoveName(current, &reason) && failure.empty())
        failure = "Cannot delete \"" + current.string() + "\": " + reason;
    if (!failure.empty())
        return Fail(error, failure);
    // The link named the wiped file; it would only dangle now.
    if (target != path)
        platform::RemoveName(path);
    return true;
}

} // namespace mv::engine
