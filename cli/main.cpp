// morvane-cli: the file jobs of Morvane from a terminal.
#include "cli/CliArguments.h"
#include "cli/Commands.h"
#include "cli/ExitStatus.h"

#include <cstdio>
#include <exception>

int main(int argc, char** argv)
{
    using namespace mv::cli;
    TCliArguments arguments;
    const TParseResult parsed = ParseArguments(argc, argv, arguments);
    if (parsed.outcome == TParseOutcome::Error) {
        ShowError(parsed.message);
        std::fputs(UsageText(parsed.command).c_str(), stderr);
        return ExitUsage;
    }
    try {
        const int status = RunCommand(arguments);
        // A full disk or a closed pipe behind standard output is a failure, not a success.
        if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
            ShowError("standard output: write error");
            return status == ExitSuccess ? ExitFailure : status;
        }
        return status;
    } catch (const std::exception& e) {
        // The jobs report through the host and never throw; this is what is left (out of memory).
        ShowError(e.what());
        return ExitFailure;
    }
}
