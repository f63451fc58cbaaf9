#include "cli/Commands.h"
#include "cli/ExitStatus.h"

#include "platform/TerminationSignals.h"

#include <cstdio>

namespace mv::cli {

void ShowError(const std::string& message)
{
    // The jobs put the system's reason on a line of its own under their text, as a message box
    // shows it; here a message is one line, the reason after a colon.
    std::string line;
    size_t from = 0;
    for (size_t newline; (newline = message.find('\n', from)) != std::string::npos;
         from = newline + 1)
        line += message.substr(from, newline - from) + ": ";
    line += message.substr(from);
    std::fflush(stdout);
    std::fprintf(stderr, "morvane-cli: %s\n", PrintableName(line).c_str());
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
