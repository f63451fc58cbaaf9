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

} // namespace mv::platform
