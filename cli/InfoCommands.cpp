// info and crc: what files say about themselves, without a password.
#include "cli/CliArguments.h"
#include "cli/Commands.h"
#include "cli/ContainerProbe.h"
#include "cli/ExitStatus.h"
#include "cli/TerminalHost.h"

#include "cipher/CipherIds.h"
#include "engine/ContainerHeader.h"
#include "engine/Work.h"

#include <cstdio>
#include <filesystem>
#include <sys/stat.h>

namespace mv::cli {

namespace {

namespace fs = std::filesystem;

bool CheckInputFile(const fs::path& path)
{
    struct stat info
    {
    };
    if (stat(path.c_str(), &info) != 0) {
        ShowFileError(path, engine::TJobTexts{}.InputMissing);
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        ShowFileError(path, "not a regular file");
        return false;
    }
    return true;
}

// The exit status of a probe that found nothing to show, with its message; success otherwise.
int ProbeStatus(const fs::path& path, const TContainerProbe& probe)
{
    const engine::TJobTexts texts;
    switch (probe.Fault) {
    case TProbeFault::Missing:
        ShowFileError(path, texts.InputMissing);
        return ExitFailure;
    case TProbeFault::NotRegular:
        ShowFileError(path, "not a regular file");
        return ExitFailure;
    case TProbeFault::Unreadable:
        ShowFileError(path, texts.UnableToOpenInput + ": " + probe.Reason);
        return ExitFailure;
    case TProbeFault::None:
        break;
    }
    // The decrypt job's refusals, with its statuses: what it would not decrypt is not shown as
    // a container, and sizes computed from fields it rejects would be nonsense.
    if (probe.Kind == TContainerKind::None) {
        ShowFileError(path, texts.InvalidFileType);
        return ExitInvalidFileType;
    }
    if (!probe.Refusal.empty()) {
        ShowFileError(path, texts.InvalidFileType + " (" + probe.Refusal + ")");
        return ExitInvalidFileType;
    }
    if (!probe.Damage.empty()) {
        ShowFileError(path, engine::TextDamagedContainer + probe.Damage);
        return ExitDamaged;
    }
    return ExitSuccess;
}

void PrintFields(const fs::path& path, const TContainerProbe& probe, bool nameTheFile)
{
    const engine::TContainerHeader& h = probe.Header;
    const int64_t containerSize = probe.Range.End - probe.Range.Begin;
    if (nameTheFile)
        std::printf("file:            %s\n", PrintableName(path.string()).c_str());
    if (probe.Kind == TContainerKind::SelfDecrypting)
        std::printf("self-decrypting: yes (a program of %lld bytes, the container after it)\n",
                    static_cast<long long>(probe.Range.Begin));
    std::printf("name:            %s\n", PrintableName(h.FileName).c_str());
    // Said only when it matters: decryption takes the last element of the stored name, and
    // refuses a name with nothing usable left.
    if (probe.RestoredName.empty())
        std::printf("restored as:     nothing: decrypt refuses a stored name with no usable file "
                    "name\n");
    else if (probe.RestoredName != h.FileName)
        std::printf("restored as:     %s\n", PrintableName(probe.RestoredName).c_str());
    std::printf("cipher:          %s (id %d)\n",
                AlgorithmNames[cipher::AlgorithmIndexOfId(h.CipherId)], h.CipherId);
    std::printf("mode:            %s (%d)\n", ModeNames[h.ModeIndex], h.ModeIndex);
    std::printf("password check:  %s\n", h.HasPasswordCheck ? "yes" : "no");
    if (h.HasCrc)
        std::printf("crc32:           %08x\n", h.Crc32);
    else
        std::printf("crc32:           none\n");
    std::printf("compressed:      %s\n", h.IsCompressed ? "yes" : "no");
    std::printf("container size:  %lld bytes\n", static_cast<long long>(containerSize));
    if (h.IsCompressed) {
        // The plain size of a compressed body follows from its chunk table, checked above.
        const int64_t chunks = h.ChunkTableSize / 2;
        const int64_t plainSize =
            (chunks - 1) * static_cast<int64_t>(engine::JobChunkSize) + h.LastChunkSize;
        std::printf("chunk table:     %d bytes (%lld chunks)\n", h.ChunkTableSize,
                    static_cast<long long>(chunks));
        std::printf("plain size:      %lld bytes\n", static_cast<long long>(plainSize));
    } else
        std::printf("plain size:      %lld bytes\n",
                    static_cast<long long>(containerSize - engine::HeaderSize));
}

} // namespace

int RunInfo(const TCliArguments& arguments)
{
    const bool several = arguments.inputs.size() > 1;
    int status = ExitSuccess;
    bool printed = false;
    for (const std::string& given : arguments.inputs) {
        const fs::path path = given;
        const TContainerProbe probe = ProbeContainer(path);
        const int fileStatus = ProbeStatus(path, probe);
        if (fileStatus == ExitSuccess) {
            if (printed)
                std::printf("\n");
            PrintFields(path, probe, several);
            printed = true;
        } else if (status == ExitSuccess)
            status = fileStatus;
        std::fflush(stdout);
    }
    return status;
}

int RunCrc(const TCliArguments& arguments)
{
    const bool several = arguments.inputs.size() > 1;
    int status = ExitSuccess;
    // Nothing to clean up: Ctrl-C ends the pass as it always did.
    TTerminalHost host(TTerminalHost::TSettings{});
    for (const std::string& given : arguments.inputs) {
        const fs::path path = given;
        if (!CheckInputFile(path)) {
            status = status == ExitSuccess ? ExitFailure : status;
            continue;
        }
        std::string error;
        const uint32_t crc = engine::FileCRC32(host, path, &error);
        if (!error.empty()) {
            ShowFileError(path, error);
            status = status == ExitSuccess ? ExitFailure : status;
            continue;
        }
        if (several)
            std::printf("%08x  %s\n", crc, PrintableName(path.string()).c_str());
        else
            std::printf("%08x\n", crc);
        std::fflush(stdout);
    }
    return status;
}

} // namespace mv::cli
