// File-system questions and moves the jobs need beyond a stream: the identity of a file (so the
// same file is recognised under any spelling, symlink or hard link), whether a name exists at
// all, a rename that never replaces, and removal.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace mv::platform {

// Device and inode: equal for every name of one file.
struct TFileIdentity
{
    uint64_t Device = 0;
    uint64_t Inode = 0;
    bool operator==(const TFileIdentity&) const = default;
};

// The identity of the file a path leads to, following symlinks; nothing when it leads nowhere.
std::optional<TFileIdentity> IdentityOfPath(const std::filesystem::path& path);
// The identity of an open file descriptor.
std::optional<TFileIdentity> IdentityOfHandle(int handle);

// True when the name itself exists, also as a dangling symlink.
bool NameExists(const std::filesystem::path& path);

// Renames from to to only when to does not exist (renameat2 with RENAME_NOREPLACE; where the
// file system lacks it, a hard link and unlink, which refuse an existing name just the same).
// Returns false and the system's reason in error on failure.
bool RenameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to,
                     std::string* error = nullptr);

// Renames from to to, replacing a file (or a symlink itself, never its target) of that name.
bool RenameReplace(const std::filesystem::path& from, const std::filesystem::path& to,
                   std::string* error = nullptr);

// Removes a name; false and the reason in error on failure.
bool RemoveName(const std::filesystem::path& path, std::string* error = nullptr);

} // namespace mv::platform
