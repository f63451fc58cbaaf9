#include "cli/Commands.h"
#include "cli/ExitStatus.h"

#include <cstdio>

namespace mv::cli {

void ShowError(const std::string& message)
{
    std::fflush(stdout);
    std::fprintf(stderr, "morvane-cli: %s\n", message.c_str());
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
    }
    return ExitFailure;
}

} // namespace mv::cli
