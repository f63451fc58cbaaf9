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
#include <memory>
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
        // The output is a program: mode 0755 less the umask, given to the finished file only,
        // so its name never carries a non-executable version.
        framing.OutputMode = 0755;
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

    void WriteTrailer(TJobOutput& output)
    {
        // Counted, not asked of the file: the output may be a FIFO or device written through.
        const int64_t payloadLength = output.BytesWritten() - moduleSize - HeaderSize;
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
