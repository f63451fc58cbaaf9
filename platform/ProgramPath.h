// Where the program and the user live: the running program file (everything "beside the program"
// is in its directory), the user's home directory and the system's temporary directory.
#pragma once

#include <filesystem>
#include <string>

namespace mv::platform {

// The running program file, from /proc/self/exe; empty when the system does not say.
std::filesystem::path ProgramFile();
// The directory of the program file; empty when unknown.
std::filesystem::path ProgramDirectory();
// The user's home directory ending in "/": $HOME, else the password database's entry, else "/".
std::string HomeDirectory();
// The system's directory for temporary files ending in "/".
std::string TempDirectory();

// The user's XDG homes: $XDG_CONFIG_HOME and $XDG_DATA_HOME, or ~/.config and ~/.local/share
// when the variable is unset, empty or not an absolute path (as the XDG base directory rules
// have it: a relative value is invalid and ignored).
std::filesystem::path ConfigHome();
std::filesystem::path DataHome();

} // namespace mv::platform
