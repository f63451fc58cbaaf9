// encrypt, decrypt and wipe: the jobs run through the terminal host.
#include "cli/Commands.h"
#include "cli/ExitStatus.h"
#include "cli/OutputName.h"
#include "cli/Password.h"
#include "cli/TerminalHost.h"

#include "engine/Work.h"
#include "engine/WorkSfx.h"

#include <cstdio>
#include <filesystem>
#include <sys/stat.h>

namespace mv::cli {

namespace {

using engine::TJobOutcome;

engine::TJobOptions JobOptionsOf(const TCliArguments& arguments)
{
    engine::TJobOptions options;
    options.IncludePass = arguments.includePass;
    options.IncludeCRC = arguments.includeCrc;
    options.EncWipeInput = arguments.command == TCommand::Encrypt && arguments.wipeInput;
    options.DecWipeInput = arguments.command == TCommand::Decrypt && arguments.wipeInput;
    options.SecureWipe = arguments.secureWipe;
    options.EncCompress = arguments.command == TCommand::Encrypt && arguments.compress;
    options.SelfExtract = arguments.command == TCommand::Encrypt && arguments.selfExtract;
    options.AlgorithmIndex = static_cast<uint8_t>(arguments.algorithmIndex);
    options.CipherModeIndex = static_cast<uint8_t>(arguments.modeIndex);
    return options;
}

bool NameExists(const std::string& path)
{
    struct stat info
    {
    };
    return lstat(path.c_str(), &info) == 0;
}

// The exit status of a job, and the words a terminal user needs beyond the job's own messages.
int ExitStatusOf(const engine::TJobResult& result, const TTerminalHost& host)
{
    if (host.PasswordAbandoned())
        return ExitFailure;
    switch (result.Outcome) {
    case TJobOutcome::Finished:
        return result.WipeFailed ? ExitFailure : ExitSuccess;
    case TJobOutcome::OverwriteDeclined:
        if (host.QuestionUnanswered())
            ShowError("Output file already exists: " + result.OutputPath.string() +
                      " (not overwritten; use --force to replace it)");
        return ExitFailure;
    case TJobOutcome::InputUnopenable:
    case TJobOutcome::OutputUncreatable:
        // The job's message already carries the system's reason.
        return ExitFailure;
    case TJobOutcome::InvalidFileType:
        return ExitInvalidFileType;
    case TJobOutcome::InvalidPassword:
        return ExitInvalidPassword;
    case TJobOutcome::CrcMismatch:
        return ExitCrcMismatch;
    case TJobOutcome::Damaged:
        return ExitDamaged;
    case TJobOutcome::Unsupported:
        // The job's message names the reason (an output kind this version does not write).
    case TJobOutcome::Stopped:
    case TJobOutcome::InputMissing:
    case TJobOutcome::SameFile:
    case TJobOutcome::IoFailed:
    case TJobOutcome::InputChanged:
    case TJobOutcome::OutputTaken:
        return ExitFailure;
    }
    return ExitFailure;
}

TTerminalHost::TSettings HostSettings(const TCliArguments& arguments, bool confirmPassword)
{
    TTerminalHost::TSettings settings;
    settings.quiet = arguments.quiet;
    settings.force = arguments.force;
    settings.passwordFile = arguments.passwordFile;
    settings.confirmPassword = confirmPassword;
    return settings;
}

} // namespace

int RunEncrypt(const TCliArguments& arguments)
{
    InstallInterruptHandler();
    TTerminalHost host(HostSettings(arguments, true));
    // The password is asked, and retyped, before the job starts, as the Start button does; only
    // for an input that is not there the job's own refusal comes first.
    if (!arguments.passwordFile.empty() || NameExists(arguments.input)) {
        TSecretText password;
        std::string error;
        if (!ObtainPassword(arguments.passwordFile, true, password, error)) {
            ShowError(error);
            return ExitFailure;
        }
        host.SetPassword(password);
    }
    const engine::TJobOptions options = JobOptionsOf(arguments);
    const std::string output =
        arguments.output.empty()
            ? ChangeExtension(arguments.input,
                              options.SelfExtract ? SelfExtractorExtension : ContainerExtension)
            : arguments.output;
    // The self-decrypting jobs take the module from beside this program.
    engine::TJobResult result;
    if (options.SelfExtract && options.EncCompress)
        result = engine::EncryptCompressedToSelfExtractor(host, options, arguments.input, output);
    else if (options.SelfExtract)
        result = engine::EncryptToSelfExtractor(host, options, arguments.input, output);
    else if (options.EncCompress)
        result = engine::EncryptCompressedFile(host, options, arguments.input, output);
    else
        result = engine::EncryptFile(host, options, arguments.input, output);
    return ExitStatusOf(result, host);
}

int RunDecrypt(const TCliArguments& arguments)
{
    InstallInterruptHandler();
    TTerminalHost host(HostSettings(arguments, false));
    // A password file is read at once, so a wrong path fails before anything happens. The
    // terminal is asked only when the job needs the password: after the header was found good
    // and the overwrite question answered, as the container alone names the output.
    if (!arguments.passwordFile.empty()) {
        TSecretText password;
        std::string error;
        if (!ReadPasswordFile(arguments.passwordFile, password, error)) {
            ShowError(error);
            return ExitFailure;
        }
        if (password.Empty()) {
            ShowError(MsgNoPassword);
            return ExitFailure;
        }
        host.SetPassword(password);
    } else if (!TerminalAvailable()) {
        ShowError(MsgNoTerminal);
        return ExitFailure;
    }
    const std::string directory =
        arguments.directory.empty() ? ContainerDirectory(arguments.input) : arguments.directory;
    engine::TJobResult result =
        engine::DecryptFile(host, JobOptionsOf(arguments), arguments.input, directory);
    int status = ExitStatusOf(result, host);
    if (status == ExitSuccess && !result.Verified)
        ShowError("Warning: " + result.OutputPath.string() +
                  " could not be verified: the container holds neither a password check value "
                  "nor a CRC-32, so a wrong password would have gone unnoticed");
    return status;
}

int RunWipe(const TCliArguments& arguments)
{
    struct stat info
    {
    };
    if (lstat(arguments.input.c_str(), &info) != 0) {
        ShowError(engine::TJobTexts{}.InputMissing);
        return ExitFailure;
    }
    // Opening a symbolic link would overwrite the file it points to and then remove only the
    // link; anything but a regular file is refused.
    if (!S_ISREG(info.st_mode)) {
        ShowError(arguments.input + ": not a regular file; nothing wiped");
        return ExitFailure;
    }
    TTerminalHost::TSettings settings;
    TTerminalHost host(settings);
    std::string error;
    if (!engine::WipeFile(host, arguments.input, arguments.secureWipe, &error)) {
        ShowError(error.empty() ? arguments.input + ": could not be wiped" : error);
        return ExitFailure;
    }
    return ExitSuccess;
}

} // namespace mv::cli
