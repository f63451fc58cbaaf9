#include "cli/Commands.h"
#include "cli/ExitStatus.h"

#include "platform/TerminationSignals.h"

#include <cstdio>

namespace mv::cli {

void ShowError(const std::string& message)
{
    std::fflush(stdout);
    std::fprintf(stderr, "morvane-cli: %s\n", PrintableName(message).c_str());
}

void ShowFileError(const std::filesystem::path& path, const std::string& message)
{
    ShowError(path.string() + ": " + message);
}

void EndIfSignalled()
{
    if (const int signal = platform::TerminationSignal()) {
        std::fflush(nullptr);
        platform::EndBySignal(signal);
    }
}

int RunCommand(const TCliArguments& arguments)
{
    switch (arguments.command) {
    case TCommand::Encrypt:
        return RunEncrypt(arguments);
    case TCommand::Decrypt:
        return RunDecrypt(arguments);
    case TCommand::Info:
        return RunInfo(arguments);
    case TCommand::Crc:
        return RunCrc(arguments);
    case TCommand::Wipe:
        return RunWipe(arguments);
    case TCommand::SelfTest:
        return RunSelfTest();
    case TCommand::Help:
        std::fputs(HelpText(arguments.helpTopic).c_str(), stdout);
        return ExitSuccess;
    case TCommand::Version:
        std::fputs(VersionText().c_str(), stdout);
        return ExitSuccess;
    }
    return ExitFailure;
}

} // namespace mv::cli
