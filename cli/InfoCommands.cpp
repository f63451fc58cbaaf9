// info and crc: what a file says about itself, without a password.
#include "cli/CliArguments.h"
#include "cli/Commands.h"
#include "cli/ExitStatus.h"
#include "cli/TerminalHost.h"

#include "cipher/CipherIds.h"
#include "engine/ContainerHeader.h"
#include "engine/Work.h"
#include "platform/Exception.h"

#include <cstdio>
#include <filesystem>
#include <sys/stat.h>

namespace mv::cli {

namespace {

bool CheckInputFile(const std::string& path, int64_t& size)
{
    struct stat info
    {
    };
    if (stat(path.c_str(), &info) != 0) {
        ShowError(engine::TJobTexts{}.InputMissing);
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        ShowError(path + ": not a regular file");
        return false;
    }
    size = info.st_size;
    return true;
}

// Length of the UTF-8 sequence at text[i] that stands for a printable character, 0 otherwise.
size_t PrintableSequence(const std::string& text, size_t i)
{
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    unsigned char lead = byte(i);
    if (lead >= 0x20 && lead < 0x7F)
        return 1;
    size_t length = lead >= 0xF0 && lead < 0xF5 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (lead >= 0xF5 || length == 0 || i + length > text.size())
        return 0;
    uint32_t code = lead & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (byte(i + k) & 0x3F);
    }
    const uint32_t smallest[5] = {0, 0, 0x80, 0x800, 0x10000};
    bool overlong = code < smallest[length];
    bool control = code >= 0x80 && code < 0xA0; // C1 controls steer some terminals
    bool surrogate = code >= 0xD800 && code < 0xE000;
    return overlong || control || surrogate || code > 0x10FFFF ? 0 : length;
}

} // namespace

// The stored name is whatever bytes the container holds: control characters and bytes that are
// no character are shown as \xNN, so a name cannot steer the terminal.
std::string PrintableName(const std::string& name)
{
    std::string shown;
    for (size_t i = 0; i < name.size();) {
        size_t length = name[i] == '\\' ? 0 : PrintableSequence(name, i);
        if (length > 0) {
            shown.append(name, i, length);
            i += length;
            continue;
        }
        char escaped[5];
        std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned char>(name[i]));
        shown += escaped;
        ++i;
    }
    return shown;
}

int RunInfo(const TCliArguments& arguments)
{
    int64_t fileSize = 0;
    if (!CheckInputFile(arguments.input, fileSize))
        return ExitFailure;
    std::optional<engine::TContainerHeader> header;
    try {
        header = engine::ReadContainerHeader(arguments.input);
    } catch (const platform::Exception& e) {
        ShowError(e.what());
        return ExitFailure;
    }
    // The same refusals as the decrypt job's: what it would not decrypt is no container.
    if (!header || !header->HasMark() || !engine::HasKnownCipherAndMode(*header)) {
        ShowError(engine::TJobTexts{}.InvalidFileType);
        return ExitInvalidFileType;
    }
    const engine::TContainerHeader& h = *header;
    const int algorithmIndex = cipher::AlgorithmIndexOfId(h.CipherId);
    std::printf("name:            %s\n", PrintableName(h.FileName).c_str());
    std::printf("cipher:          %s (id %d)\n", AlgorithmNames[algorithmIndex], h.CipherId);
    std::printf("mode:            %s (%d)\n", ModeNames[h.ModeIndex], h.ModeIndex);
    std::printf("password check:  %s\n", h.HasPasswordCheck ? "yes" : "no");
    if (h.HasCrc)
        std::printf("crc32:           %08x\n", h.Crc32);
    else
        std::printf("crc32:           none\n");
    std::printf("compressed:      %s\n", h.IsCompressed ? "yes" : "no");
    std::printf("container size:  %lld bytes\n", static_cast<long long>(fileSize));
    if (h.IsCompressed) {
        // The plain size of a compressed body follows from its chunk table.
        const int64_t chunks = h.ChunkTableSize / 2;
        const int64_t plainSize =
            (chunks - 1) * static_cast<int64_t>(engine::JobChunkSize) + h.LastChunkSize;
        std::printf("chunk table:     %d bytes (%lld chunks)\n", h.ChunkTableSize,
                    static_cast<long long>(chunks));
        std::printf("plain size:      %lld bytes\n", static_cast<long long>(plainSize));
    } else
        std::printf("plain size:      %lld bytes\n",
                    static_cast<long long>(fileSize - engine::HeaderSize));
    std::fflush(stdout);
    return ExitSuccess;
}

int RunCrc(const TCliArguments& arguments)
{
    int64_t fileSize = 0;
    if (!CheckInputFile(arguments.input, fileSize))
        return ExitFailure;
    // Nothing to clean up: Ctrl-C ends the pass as it always did.
    TTerminalHost host(TTerminalHost::TSettings{});
    std::string error;
    const uint32_t crc = engine::FileCRC32(host, arguments.input, &error);
    if (!error.empty()) {
        ShowError(error);
        return ExitFailure;
    }
    std::printf("%08x\n", crc);
    std::fflush(stdout);
    return ExitSuccess;
}

} // namespace mv::cli
