// Runs a command (no shell) with standard input from /dev/null and collects what it writes on
// standard output and standard error together, for tests that drive whole tools: cmake --install,
// cpack, dpkg-deb, the installed programs.
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace mv::test {

struct TCommandResult
{
    int Status = -1; // the exit status; -1 when the command did not exit normally or never ran
    std::string Output;
};

// arguments[0] is looked up on PATH. environment: variables set for the command on top of this
// process's own. directory: where it runs (this process's own when empty).
TCommandResult RunCommand(const std::vector<std::string>& arguments,
                          const std::vector<std::pair<std::string, std::string>>& environment = {},
                          const std::filesystem::path& directory = {});

} // namespace mv::test
