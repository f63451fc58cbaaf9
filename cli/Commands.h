// The subcommands of morvane-cli. Each returns the program's exit status (cli/ExitStatus.h).
#pragma once

#include "cli/CliArguments.h"

namespace mv::cli {

int RunEncrypt(const TCliArguments& arguments);
int RunDecrypt(const TCliArguments& arguments);
int RunInfo(const TCliArguments& arguments);
int RunCrc(const TCliArguments& arguments);
int RunWipe(const TCliArguments& arguments);
int RunSelfTest();

int RunCommand(const TCliArguments& arguments);

// A stored file name as it can be shown on a terminal: control characters and bytes that are no
// UTF-8 character become \xNN (a backslash too, so the text stays unambiguous).
std::string PrintableName(const std::string& name);

// Every message goes to stderr as one line, prefixed with the program's name.
void ShowError(const std::string& message);

} // namespace mv::cli
