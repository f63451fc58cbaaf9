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

// What a job remembers of a file it read, to know later that a name still holds that file and
// that nothing changed it: identity, size and modification time (to the nanosecond).
struct TFileSnapshot
{
    TFileIdentity Identity;
    int64_t Size = 0;
    int64_t ModifiedSeconds = 0;
    int64_t ModifiedNanoseconds = 0;
    bool operator==(const TFileSnapshot&) const = default;
};

// The snapshot of an open file; nothing when fstat fails.
std::optional<TFileSnapshot> SnapshotOfHandle(int handle);

// The identity of the file a path leads to, following symlinks; nothing when it leads nowhere.
std::optional<TFileIdentity> IdentityOfPath(const std::filesystem::path& path);
// The identity of the name itself (a symlink's own, not its target's); nothing when absent.
std::optional<TFileIdentity> IdentityOfName(const std::filesystem::path& path);
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

// Swaps two existing names in one step (renameat2 with RENAME_EXCHANGE). False with the reason in
// error, and errno set, when it failed; EINVAL means the file system cannot do it.
bool ExchangeNames(const std::filesystem::path& a, const std::filesystem::path& b,
                   std::string* error = nullptr);

// What a file of mode is, for messages: "a FIFO", "a character device", "a directory", ...
std::string FileKindText(unsigned mode);

// The process's umask, read without changing it (umask() alone cannot read it without setting it
// for a moment, which another thread creating a file could see).
unsigned ProcessUmask();

// Removes a name; false and the reason in error on failure.
bool RemoveName(const std::filesystem::path& path, std::string* error = nullptr);

} // namespace mv::platform
