// Reading and writing small text files of the settings kind (the INI file, the desktop's
// association files). Reading takes only a regular file and never waits: a FIFO or a device put in
// a file's place must not hold the window at start. Writing goes through a new file created
// exclusively beside the final name, never through a link planted there, and moves it into place
// only when it is complete and on the disk, so a failed save leaves the old file as it was.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace mv::platform {

struct TIniSection
{
    std::string Name;
    std::vector<std::pair<std::string, std::string>> Keys; // in the order written
};

// The text of sections and keys as WriteIniFile writes it: "[Name]" lines, Key=Value lines, an
// empty line between sections.
std::string IniText(const std::vector<TIniSection>& sections);

// The whole of path when it is a regular file (a link to one counts) of at most maxBytes;
// nothing otherwise, with the reason in error when given. Opening does not block on a FIFO.
std::optional<std::string> ReadSmallFile(const std::filesystem::path& path,
                                         std::string* error = nullptr, size_t maxBytes = 1 << 20);

// Replaces path with text: a new file is created beside it with O_CREAT | O_EXCL | O_NOFOLLOW
// (first "<name>.new", then "<name>.new-XXXXXX" when that name is taken, by a leftover or by a
// planted link, which stay untouched), written, given mode, forced to the disk and renamed over
// path. False, with the system's reason in error when given, when any step fails; the new file is
// then removed and path stays as it was.
bool ReplaceFile(const std::filesystem::path& path, const std::string& text, mode_t mode,
                 std::string* error = nullptr);

// Creates directory and its missing parents, each with mode (less the umask); true when it exists
// as a directory afterwards.
bool CreateDirectories(const std::filesystem::path& directory, mode_t mode,
                       std::string* error = nullptr);

// Replaces path with exactly these sections and keys, readable and writable by its owner only.
bool WriteIniFile(const std::filesystem::path& path, const std::vector<TIniSection>& sections,
                  std::string* error = nullptr);

} // namespace mv::platform
