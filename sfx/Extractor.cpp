#include "sfx/Extractor.h"

#include "cipher/CipherIds.h"
#include "cli/ExitStatus.h"
#include "cli/Password.h"
#include "engine/ContainerHeader.h"
#include "engine/JobFiles.h"
#include "engine/SfxTrailer.h"
#include "engine/Work.h"
#include "platform/Exception.h"
#include "platform/TerminationSignals.h"
#include "sfx/ExtractorArguments.h"
#include "sfx/ExtractorHost.h"

#include <cstdio>
#include <filesystem>

namespace mv::sfx {

namespace {

using engine::TJobOutcome;
namespace fs = std::filesystem;

constexpr const char* TextNoTrailer =
    "this file holds no encrypted file: it does not end in the mark of a self-decrypting file "
    "(it is the bare module, or the file was cut short)";
constexpr const char* TextPayloadOutOfFile =
    "the encrypted file inside does not fit this file: it was cut short or damaged";
constexpr const char* ModeNames[4] = {"CBC", "CFB 8-bit", "CFB block", "OFB"};

// The running program's own file. /proc/self/exe opens it even when it was renamed; its target
// names it in the messages, as long as that name still leads to the same file.
fs::path SelfPath()
{
    const fs::path self = "/proc/self/exe";
    std::error_code error;
    const fs::path target = fs::read_symlink(self, error);
    return !error && engine::IsSameFile(target, self) ? target : self;
}

std::string ProgramName(int argc, const char* const* argv)
{
    const std::string name = argc > 0 && argv[0][0] ? fs::path(argv[0]).filename().string() : "";
    return name.empty() ? "extractor" : name;
}

// A stored name is whatever bytes the container holds: anything but printable ASCII is shown as
// \xNN, so a name cannot steer the terminal.
std::string Printable(const std::string& text)
{
    std::string shown;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F && byte != '\\') {
            shown += c;
            continue;
        }
        char escaped[5];
        std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
        shown += escaped;
    }
    return shown;
}

int ShowInfo(TExtractorHost& host, const fs::path& self, const engine::TContainerRange& range)
{
    std::optional<engine::TContainerHeader> header;
    try {
        header = engine::ReadContainerHeader(self, range.Begin);
    } catch (const platform::Exception& e) {
        host.Say(e.what());
        return cli::ExitFailure;
    }
    if (!header || !header->HasMark() || !engine::HasKnownCipherAndMode(*header)) {
        host.Say(engine::TJobTexts{}.InvalidFileType);
        return cli::ExitInvalidFileType;
    }
    const engine::TContainerHeader& h = *header;
    const int64_t containerSize = range.End - range.Begin;
    const std::optional<std::string> restoredName = engine::SafeFileName(h.FileName);
    std::printf("name:            %s\n", Printable(h.FileName).c_str());
    std::printf("restored as:     %s\n",
                restoredName ? Printable(*restoredName).c_str() : "(refused: no usable name)");
    std::printf("cipher:          %s (id %d)\n",
                cipher::CreateCipherById(h.CipherId)->AlgorithmName().c_str(), h.CipherId);
    std::printf("mode:            %s (%d)\n", ModeNames[h.ModeIndex], h.ModeIndex);
    std::printf("password check:  %s\n", h.HasPasswordCheck || h.IsCompressed ? "yes" : "no");
    if (h.HasCrc)
        std::printf("crc32:           %08x\n", h.Crc32);
    else
        std::printf("crc32:           none\n");
    std::printf("compressed:      %s\n", h.IsCompressed ? "yes" : "no");
    std::printf("container:       %lld bytes from offset %lld\n",
                static_cast<long long>(containerSize), static_cast<long long>(range.Begin));
    if (h.IsCompressed) {
        const int64_t chunks = h.ChunkTableSize / 2;
        std::printf("plain size:      %lld bytes\n",
                    static_cast<long long>((chunks - 1) * engine::JobChunkSize + h.LastChunkSize));
    } else
        std::printf("plain size:      %lld bytes\n",
                    static_cast<long long>(containerSize - engine::HeaderSize));
    std::fflush(stdout);
    return cli::ExitSuccess;
}

int ExitStatusOf(const engine::TJobResult& result, TExtractorHost& host)
{
    if (host.PasswordAbandoned())
        return cli::ExitFailure;
    switch (result.Outcome) {
    case TJobOutcome::Finished:
        if (!result.Verified)
            host.Say("Warning: " + result.OutputPath.string() +
                     " could not be verified: it was encrypted with neither a password check "
                     "value nor a CRC-32, so a wrong password would have gone unnoticed");
        return cli::ExitSuccess;
    case TJobOutcome::OverwriteDeclined:
        if (host.QuestionUnanswered())
            host.Say("File already exists: " + result.OutputPath.string() +
                     " (not replaced; use -f to replace it)");
        return cli::ExitFailure;
    case TJobOutcome::InputUnopenable:
    case TJobOutcome::OutputUncreatable:
        // The job's message already carries the system's reason.
        return cli::ExitFailure;
    case TJobOutcome::InvalidFileType:
        return cli::ExitInvalidFileType;
    case TJobOutcome::InvalidPassword:
        return cli::ExitInvalidPassword;
    case TJobOutcome::CrcMismatch:
        return cli::ExitCrcMismatch;
    case TJobOutcome::Damaged:
        return cli::ExitDamaged;
    case TJobOutcome::Stopped:
    case TJobOutcome::InputMissing:
    case TJobOutcome::SameFile:
    case TJobOutcome::Unsupported:
    case TJobOutcome::IoFailed:
    case TJobOutcome::InputChanged:
    case TJobOutcome::OutputTaken:
        return cli::ExitFailure;
    }
    return cli::ExitFailure;
}

} // namespace

int RunExtractor(int argc, const char* const* argv)
{
    const std::string programName = ProgramName(argc, argv);
    TExtractorArguments arguments;
    std::string error;
    if (!ParseExtractorArguments(argc, argv, arguments, error)) {
        std::fprintf(stderr, "%s: %s\n%s", programName.c_str(), error.c_str(),
                     UsageText(programName).c_str());
        return cli::ExitUsage;
    }
    if (arguments.help) {
        std::fputs(UsageText(programName).c_str(), stdout);
        return cli::ExitSuccess;
    }
    cli::InstallInterruptHandler();
    TExtractorHost host({programName, arguments.quiet, arguments.force, arguments.passwordFile});

    // The container first: a file without one is told so whatever else the command line says.
    const fs::path self = SelfPath();
    engine::TSfxLocation location;
    try {
        location = engine::LocateSfxContainer(self);
    } catch (const platform::Exception& e) {
        host.Say(e.what());
        return cli::ExitFailure;
    }
    if (location.Fault != engine::TSfxFault::None) {
        host.Say(location.Fault == engine::TSfxFault::NoTrailer ? TextNoTrailer
                                                                : TextPayloadOutOfFile);
        return cli::ExitInvalidFileType;
    }
    if (arguments.info)
        return ShowInfo(host, self, location.Range);

    // A password file is read at once, so a wrong path fails before anything happens; the
    // terminal is asked only when the job needs the password, after the overwrite question.
    if (!arguments.passwordFile.empty()) {
        cli::TSecretText password;
        if (!cli::ReadPasswordFile(arguments.passwordFile, password, error)) {
            host.Say(error);
            return cli::ExitFailure;
        }
        if (password.Empty()) {
            host.Say(cli::MsgNoPassword);
            return cli::ExitFailure;
        }
        host.SetPassword(password);
    } else if (!cli::TerminalAvailable()) {
        // Nobody to ask: say how to run it instead of waiting for an answer that cannot come.
        host.Say("no terminal to ask the password on; give it in a file:");
        std::fputs(UsageText(programName).c_str(), stderr);
        return cli::ExitFailure;
    }
    // The module's own file is never wiped: nothing but the restored file is written.
    const engine::TJobOptions options;
    const engine::TJobResult result =
        engine::DecryptFile(host, options, self, arguments.directory, location.Range);
    // Ended by a signal (the terminal closed, Ctrl-C, kill): the job removed what it wrote; the
    // caller learns how the program ended as if no handler had been there.
    if (const int caught = platform::TerminationSignal())
        platform::EndBySignal(caught);
    return ExitStatusOf(result, host);
}

} // namespace mv::sfx
