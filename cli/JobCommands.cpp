// encrypt, decrypt and wipe: the jobs of a call, worked out first (cli/JobPlan.h), then the
// questions, then the password, then the jobs one after the other through the terminal host.
#include "cli/Commands.h"
#include "cli/ExitStatus.h"
#include "cli/JobPlan.h"
#include "cli/Password.h"
#include "cli/TerminalHost.h"

#include "engine/JobFiles.h"
#include "engine/Work.h"
#include "engine/WorkSfx.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <sys/stat.h>

namespace mv::cli {

namespace {

using engine::TJobOutcome;
namespace fs = std::filesystem;

constexpr const char* TextNotOverwritten =
    "Output file already exists (not overwritten; use --force to replace it)";

engine::TJobOptions JobOptionsOf(const TCliArguments& arguments)
{
    engine::TJobOptions options;
    options.IncludePass = arguments.includePass;
    options.IncludeCRC = arguments.includeCrc;
    options.EncWipeInput = arguments.command == TCommand::Encrypt && arguments.wipeInput;
    options.DecWipeInput = arguments.command == TCommand::Decrypt && arguments.wipeInput;
    options.SecureWipe = arguments.secureWipe;
    options.EncTestOutput = arguments.command == TCommand::Encrypt && arguments.verify;
    options.DecTestOutput = arguments.command == TCommand::Decrypt && arguments.verify;
    options.EncCompress = arguments.command == TCommand::Encrypt && arguments.compress;
    options.SelfExtract = arguments.command == TCommand::Encrypt && arguments.selfExtract;
    options.AlgorithmIndex = static_cast<uint8_t>(arguments.algorithmIndex);
    options.CipherModeIndex = static_cast<uint8_t>(arguments.modeIndex);
    return options;
}

bool NameExists(const fs::path& path)
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
        if (result.WipeSkipped)
            return ExitNotWipedUnconfirmed;
        return result.WipeFailed ? ExitFailure : ExitSuccess;
    case TJobOutcome::TestFailed:
        return ExitTestFailed;
    case TJobOutcome::OverwriteDeclined:
        if (host.QuestionUnanswered())
            ShowFileError(result.OutputPath, TextNotOverwritten);
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
    settings.jobLinesToStderr = arguments.output == "-";
    return settings;
}

// The exit status of a call: that of its first failure.
class TCallStatus
{
public:
    void Add(int status)
    {
        if (value == ExitSuccess)
            value = status;
    }
    int Value() const { return value; }

private:
    int value = ExitSuccess;
};

// The inputs refused while the call was worked out, and the overwrite questions, in the order of
// the inputs and before the password: a user who answers No has typed nothing in vain. Returns
// the jobs to run; false when the user cancelled the whole call.
bool SettleBeforePassword(TJobPlan& plan, TTerminalHost& host, TCallStatus& status,
                          std::vector<TPlannedJob*>& toRun, bool outputNamedByUser)
{
    for (TPlannedJob& job : plan.jobs) {
        if (!job.refusal.empty()) {
            ShowFileError(job.input, job.refusal);
            status.Add(ExitFailure);
            continue;
        }
        // Asked as the job would ask: for a file that its output would replace, not for a
        // device or FIFO written through, nor for a directory the job refuses.
        const engine::TOutputTarget target =
            job.output.empty() ? engine::TOutputTarget{}
                               : engine::InspectOutput(job.output, outputNamedByUser);
        if (target.Kind == engine::TOutputKind::Existing) {
            const engine::TAnswer answer = host.AskOverwrite(job.output);
            EndIfSignalled();
            if (answer == engine::TAnswer::Cancel && !host.QuestionUnanswered())
                return false;
            if (answer != engine::TAnswer::Yes) {
                if (host.QuestionUnanswered())
                    ShowFileError(job.output, TextNotOverwritten);
                status.Add(ExitFailure);
                continue;
            }
            job.confirmedOutput = target.Existing;
        }
        toRun.push_back(&job);
    }
    return true;
}

engine::TJobResult Encrypt(TTerminalHost& host, const engine::TJobOptions& options,
                           const TPlannedJob& job)
{
    // The self-decrypting jobs take the module from beside this program.
    if (options.SelfExtract && options.EncCompress)
        return engine::EncryptCompressedToSelfExtractor(host, options, job.input, job.output);
    if (options.SelfExtract)
        return engine::EncryptToSelfExtractor(host, options, job.input, job.output);
    if (options.EncCompress)
        return engine::EncryptCompressedFile(host, options, job.input, job.output);
    return engine::EncryptFile(host, options, job.input, job.output);
}

// Runs the jobs one after the other; a signal ends the program after the job it stopped.
int RunJobs(const std::vector<TPlannedJob*>& jobs, TTerminalHost& host, TCallStatus& status,
            const std::function<engine::TJobResult(const TPlannedJob&)>& run)
{
    for (const TPlannedJob* job : jobs) {
        host.BeginJob(job->input, job->output, job->confirmedOutput);
        const engine::TJobResult result = run(*job);
        const int jobStatus = ExitStatusOf(result, host);
        EndIfSignalled();
        status.Add(jobStatus);
        // A password that could not be had is not asked again for every later file.
        if (host.PasswordAbandoned())
            break;
    }
    return status.Value();
}

} // namespace

int RunEncrypt(const TCliArguments& arguments)
{
    InstallInterruptHandler();
    TJobPlan plan = PlanEncryption(arguments);
    if (!plan.usage.empty()) {
        ShowError(plan.usage);
        std::fputs(UsageText(TCommand::Encrypt).c_str(), stderr);
        return ExitUsage;
    }
    if (!plan.conflict.empty()) {
        ShowError(plan.conflict);
        return ExitFailure;
    }
    if (!arguments.quiet)
        for (const fs::path& skipped : plan.skipped)
            ShowFileError(skipped, "not a regular file; skipped");
    TTerminalHost host(HostSettings(arguments, true));
    TCallStatus status;
    std::vector<TPlannedJob*> toRun;
    if (!SettleBeforePassword(plan, host, status, toRun, true))
        return ExitFailure;
    // The password is asked, and retyped, before the first job starts, as the Start button does;
    // only when every input is missing the jobs' own refusals come without it.
    const bool anyInput = std::any_of(
        toRun.begin(), toRun.end(), [](const TPlannedJob* job) { return NameExists(job->input); });
    if (!arguments.passwordFile.empty() || anyInput) {
        TSecretText password;
        std::string error;
        if (!ObtainPassword(arguments.passwordFile, true, password, error)) {
            EndIfSignalled();
            ShowError(error);
            return ExitFailure;
        }
        host.SetPassword(password);
    }
    const engine::TJobOptions options = JobOptionsOf(arguments);
    const bool copyTree = arguments.recursive && !arguments.directory.empty();
    return RunJobs(toRun, host, status, [&](const TPlannedJob& job) {
        std::error_code error;
        if (copyTree && !fs::create_directories(job.outputDirectory, error) && error) {
            ShowFileError(job.outputDirectory, "cannot make the directory: " + error.message());
            engine::TJobResult made;
            made.Outcome = TJobOutcome::OutputUncreatable;
            made.OutputPath = job.output;
            return made;
        }
        engine::TJobOptions jobOptions = options;
        jobOptions.StoredName = job.storedName;
        return Encrypt(host, jobOptions, job);
    });
}

int RunDecrypt(const TCliArguments& arguments)
{
    InstallInterruptHandler();
    TJobPlan plan = PlanDecryption(arguments);
    if (!plan.conflict.empty()) {
        ShowError(plan.conflict);
        return ExitFailure;
    }
    TTerminalHost host(HostSettings(arguments, false));
    // A password file is read at once, so a wrong path fails before anything happens. The
    // terminal is asked only when the first job needs the password: after its header was found
    // good and every overwrite question answered, as the container alone names the output.
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
    TCallStatus status;
    std::vector<TPlannedJob*> toRun;
    // A stored name is the container's: a symlink at it is a name to replace, never followed.
    if (!SettleBeforePassword(plan, host, status, toRun, false))
        return ExitFailure;
    const engine::TJobOptions options = JobOptionsOf(arguments);
    return RunJobs(toRun, host, status, [&](const TPlannedJob& job) {
        engine::TJobResult result =
            arguments.output.empty()
                ? engine::DecryptFile(host, options, job.input, job.outputDirectory, job.range)
                : engine::DecryptFileAs(host, options, job.input, job.output, job.range);
        // With --wipe the job has said it already, and why the container stays.
        if (result.Outcome == TJobOutcome::Finished && !result.Verified && !result.WipeSkipped)
            ShowError("Warning: " + result.OutputPath.string() +
                      " could not be verified: the container holds no CRC-32 and is not "
                      "compressed, so a wrong password or a damaged container would have gone "
                      "unnoticed");
        return result;
    });
}

int RunWipe(const TCliArguments& arguments)
{
    TTerminalHost host(TTerminalHost::TSettings{});
    TCallStatus status;
    for (const std::string& given : arguments.inputs) {
        const fs::path path = given;
        struct stat info
        {
        };
        if (lstat(path.c_str(), &info) != 0) {
            ShowFileError(path, engine::TJobTexts{}.InputMissing);
            status.Add(ExitFailure);
            continue;
        }
        // Opening a symbolic link would overwrite the file it points to and then remove only the
        // link; anything but a regular file is refused.
        if (!S_ISREG(info.st_mode)) {
            ShowFileError(path, "not a regular file; nothing wiped");
            status.Add(ExitFailure);
            continue;
        }
        host.BeginJob(path, {});
        std::string error;
        if (!engine::WipeFile(host, path, arguments.secureWipe, &error)) {
            ShowFileError(path, error.empty() ? "could not be wiped" : error);
            status.Add(ExitFailure);
        }
    }
    return status.Value();
}

} // namespace mv::cli
