// The commands of morvane-cli. Each returns the program's exit status (cli/ExitStatus.h); a job
// ended by a terminating signal ends the program with that signal instead (130 for Ctrl-C).
#pragma once

#include "cli/CliArguments.h"
#include "cli/Printable.h"

#include <filesystem>
#include <string>

namespace mv::cli {

int RunEncrypt(const TCliArguments& arguments);
int RunDecrypt(const TCliArguments& arguments);
int RunInfo(const TCliArguments& arguments);
int RunCrc(const TCliArguments& arguments);
int RunWipe(const TCliArguments& arguments);
int RunSelfTest();

int RunCommand(const TCliArguments& arguments);

// Every message goes to stderr as one line, prefixed with the program's name, with its control
// characters escaped (PrintableName); the lines of a message of several become one, joined by
// ": ".
void ShowError(const std::string& message);
// The same about one file: "morvane-cli: PATH: message".
void ShowFileError(const std::filesystem::path& path, const std::string& message);

// Ends the program as the caught terminating signal would have, when there is one (a prompt or
// job interrupted by Ctrl-C ends with 130); returns otherwise.
void EndIfSignalled();

} // namespace mv::cli
