// morvane-cli as a child process, through the shared runner (tests/support/ProcessRunner.h): the
// built program's path put before the arguments.
#pragma once

#include "tests/support/ProcessRunner.h"
#include "tests/support/TempDir.h"

#include <string>
#include <vector>

namespace mv::test {

using TRunResult = TProcessResult;

inline std::vector<std::string> CliWords(std::vector<std::string> args)
{
    args.insert(args.begin(), MORVANE_CLI_PROGRAM);
    return args;
}

// Runs morvane-cli with args in directory cwd, without a terminal; stdin from stdinPath.
inline TRunResult RunCli(std::vector<std::string> args, const std::filesystem::path& cwd,
                         const std::string& stdinPath = "/dev/null")
{
    return RunProcess(CliWords(std::move(args)), cwd, stdinPath);
}

inline TRunResult RunCli(std::vector<std::string> args, const std::filesystem::path& cwd,
                         const TProcessOptions& options)
{
    return RunProcess(CliWords(std::move(args)), cwd, options);
}

// morvane-cli on a pseudo-terminal.
class TPtySession : public TPtyProcess
{
public:
    TPtySession(std::vector<std::string> args, const std::filesystem::path& cwd)
        : TPtyProcess(CliWords(std::move(args)), cwd)
    {
    }
};

} // namespace mv::test
