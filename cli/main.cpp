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
    TParseResult parsed = ParseArguments(argc, argv, arguments);
    switch (parsed.outcome) {
    case TParseOutcome::Help:
        std::fputs(UsageText, stdout);
        return ExitSuccess;
    case TParseOutcome::Error:
        ShowError(parsed.message);
        std::fputs(UsageText, stderr);
        return ExitUsage;
    case TParseOutcome::Run:
        break;
    }
    try {
        return RunCommand(arguments);
    } catch (const std::exception& e) {
        // The jobs report through the host and never throw; this is what is left (out of memory).
        ShowError(e.what());
        return ExitFailure;
    }
}
