// EncryptToSelfExtractor and EncryptCompressedToSelfExtractor: the container writers' own frames,
// with the SFX module's bytes before the container and the trailer after it.
#include "engine/WorkSfx.h"

#include "engine/ContainerHeader.h"
#include "engine/JobFiles.h"
#include "engine/OutputFraming.h"
#include "platform/Exception.h"
#include "platform/FileStream.h"
#include "platform/ProgramPath.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace mv::engine {

std::filesystem::path SfxModulePath(const std::filesystem::path& programDirectory)
{
    const std::filesystem::path directory =
        programDirectory.empty() ? platform::ProgramDirectory() : programDirectory;
    return directory / SfxModuleName;
}

// ---- The jobs ----------------------------------------------------------------------------------

namespace {

// The process's umask, read without changing it (umask() alone cannot read it without setting
// it for a moment, which another thread creating a file could see).
mode_t CurrentUmask()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Umask:", 0) == 0)
            return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8) & 0777);
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

// The module, opened once the input was found, held open until its bytes are copied.
class TSfxFraming
{
public:
    TSfxFraming(TJobHost& host, const std::filesystem::path& programDirectory)
        : host(host), modulePath(SfxModulePath(programDirectory))
    {
    }

    TOutputFraming Hooks()
    {
        TOutputFraming framing;
        framing.Prepare = [this] { return OpenModule(); };
        framing.WriteLeading = [this](TJobOutput& output) { CopyModule(output); };
        framing.WriteTrailing = [this](TJobOutput& output) { WriteTrailer(output); };
        return framing;
    }

private:
    // Before the output exists: without a module there is nothing to build, and an existing file
    // of the output's name must stay as it is.
    std::optional<TJobResult> OpenModule()
    {
        std::string error;
        module = OpenInputFile(modulePath, error);
        try {
            if (module)
                moduleSize = module->Size();
        } catch (const platform::EStreamError& e) {
            error = e.what();
            module.reset();
        }
        // An empty file is no program: a self-decrypting file built on it would not run.
        if (module && moduleSize == 0) {
            error = "\"" + modulePath.string() + "\" is empty";
            module.reset();
        }
        if (module)
            return std::nullopt;
        host.ShowMessage(TMessageKind::Error, TextSfxModuleMissing);
        TJobResult result;
        result.Outcome = TJobOutcome::Unsupported;
        result.Detail = error;
        return result;
    }

    void CopyModule(TJobOutput& output)
    {
        MakeExecutable(output);
        std::vector<uint8_t> buffer(1 << 16);
        int64_t copied = 0;
        while (copied < moduleSize) {
            const int64_t wanted = std::min<int64_t>(buffer.size(), moduleSize - copied);
            const int64_t n = module->Read(buffer.data(), wanted);
            if (n <= 0)
                throw platform::EStreamError("The SFX module \"" + modulePath.string() +
                                             "\" became shorter while it was copied");
            output.Write(buffer.data(), n);
            copied += n;
        }
        module.reset();
    }

    // The output is a program: mode 0755 less the umask, set on the temporary file so the final
    // name never carries a non-executable version.
    static void MakeExecutable(TJobOutput& output)
    {
        const std::filesystem::path& path = output.TemporaryPath();
        const int handle = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        const bool done = handle >= 0 && ::fchmod(handle, 0755 & ~CurrentUmask()) == 0;
        const int reason = errno;
        if (handle >= 0)
            ::close(handle);
        if (!done)
            throw platform::EStreamError("Cannot make \"" + output.FinalPath().string() +
                                         "\" executable: " + std::strerror(reason));
    }

    void WriteTrailer(TJobOutput& output)
    {
        const int64_t payloadLength = output.Size() - moduleSize - HeaderSize;
        const TSfxTrailerBytes trailer = EncodeSfxTrailer(payloadLength);
        output.Write(trailer.data(), SfxTrailerSize);
    }

    TJobHost& host;
    const std::filesystem::path modulePath;
    std::unique_ptr<platform::TFileStream> module;
    int64_t moduleSize = 0;
};

} // namespace

TJobResult EncryptToSelfExtractor(TJobHost& host, const TJobOptions& options,
                                  const std::filesystem::path& input,
                                  const std::filesystem::path& output,
                                  const std::filesystem::path& programDirectory)
{
    TSfxFraming framing(host, programDirectory);
    return EncryptFramedFile(host, options, input, output, framing.Hooks());
}

TJobResult EncryptCompressedToSelfExtractor(TJobHost& host, const TJobOptions& options,
                                            const std::filesystem::path& input,
                                            const std::filesystem::path& output,
                                            const std::filesystem::path& programDirectory)
{
    TSfxFraming framing(host, programDirectory);
    return EncryptCompressedFramedFile(host, options, input, output, framing.Hooks());
}

} // namespace mv::engine
