// DecryptCompressedFile: a compressed container back into its file. DecryptFile hands every
// container with IsCompressed set over to it once the mark is recognised; it reads the header
// again itself, then the chunk table at the end of the container's range, and trusts neither
// before they agree with each other and with the container's length.
#include "cipher/BitOps.h"
#include "engine/ChunkCodec.h"
#include "engine/CompressedBody.h"
#include "engine/ContainerHeader.h"
#include "engine/DecryptFrame.h"
#include "engine/JobFiles.h"
#include "engine/JobFrame.h"
#include "engine/Work.h"
#include "platform/FileSystem.h"

#include <vector>

namespace mv::engine {

TJobResult DecryptCompressedTo(TJobHost& host, const TJobOptions& options,
                               const std::filesystem::path& input,
                               const TDecryptDestination& destination, TContainerRange range)
{
    const TJobTexts& texts = host.Texts();
    const std::string inputText = input.string();

    TJobInput inputFile;
    if (std::optional<TJobResult> refused = OpenContainer(host, input, inputFile))
        return *refused;
    auto refuseFileType = [&] {
        host.RefusedDisplay(LineDecryptFailed + inputText);
        host.ShowMessage(TMessageKind::Error, texts.InvalidFileType);
        return JobResult(TJobOutcome::InvalidFileType);
    };
    auto refuseDamaged = [&](const std::string& reason) {
        host.RefusedDisplay(LineDecryptFailed + inputText);
        host.ShowMessage(TMessageKind::Error, TextDamagedContainer + reason);
        return JobResult(TJobOutcome::Damaged, {}, reason);
    };

    std::unique_ptr<TRangeStream> container;
    std::vector<uint8_t> table;
    std::optional<std::string> fault;
    int64_t containerSize = 0;
    try {
        const int64_t fileSize = inputFile.Size();
        const int64_t rangeEnd = range.End < 0 ? fileSize : std::min(range.End, fileSize);
        container = std::make_unique<TRangeStream>(inputFile.File(), range.Begin,
                                                   std::max(range.Begin, rangeEnd));
        containerSize = container->Size();
        THeaderBytes headerBytes{};
        if (container->Read(headerBytes.data(), HeaderSize) != HeaderSize)
            return refuseFileType();
        CurrentHeader = TContainerHeader::Decode(headerBytes);
        if (!CurrentHeader.HasMark() || !CurrentHeader.IsCompressed)
            return refuseFileType();
        // The table lies at the end of the range; its size comes from the header, which is
        // input like everything else in the file.
        fault = CheckChunkTableSize(CurrentHeader.ChunkTableSize, containerSize);
        if (!fault) {
            table.resize(static_cast<size_t>(CurrentHeader.ChunkTableSize));
            container->Seek(containerSize - CurrentHeader.ChunkTableSize,
                            platform::TSeekOrigin::Begin);
            if (container->Read(table.data(), CurrentHeader.ChunkTableSize) !=
                CurrentHeader.ChunkTableSize)
                fault = "the chunk table is cut off";
            container->Seek(HeaderSize, platform::TSeekOrigin::Begin);
        }
    } catch (const platform::EStreamError& e) {
        host.ShowMessage(TMessageKind::Error, texts.UnableToOpenInput + "\n" + e.what());
        return JobResult(TJobOutcome::InputUnopenable, {}, e.what());
    }
    const std::optional<std::string> safeName = SafeFileName(CurrentHeader.FileName);
    if (!HasKnownCipherAndMode(CurrentHeader) || !safeName)
        return refuseFileType();
    // A table that cannot describe this body is refused before anything is created.
    if (!fault)
        fault = CheckChunkLayout(CurrentHeader, table, containerSize);
    if (fault)
        return refuseDamaged(*fault);

    TDecryptBody body;
    // Always checked, whatever HasPasswordCheck says: a compressed body always has one.
    body.AlwaysChecked = true;
    body.SelfVerifying = true;
    body.Run = [&](cipher::TMV_blockcipher& cipher, TJobOutput& output) {
        TCompressedBodyReader reader(cipher, *container, table, CurrentHeader.LastChunkSize,
                                     output);
        return RunChunkLoop(host, texts.DecryptionSpeed, texts.CompressedTo + TextRate100,
                            containerSize, [&] { return reader.ReadChunk(); });
    };
    return RunDecryptFrame(host, options, inputFile, destination, *safeName, body);
}

TJobResult DecryptCompressedFile(TJobHost& host, const TJobOptions& options,
                                 const std::filesystem::path& input,
                                 const std::filesystem::path& outputDirectory,
                                 TContainerRange range)
{
    return DecryptCompressedTo(host, options, input, {outputDirectory, {}}, range);
}

} // namespace mv::engine
