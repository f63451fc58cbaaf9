// DecryptFile: a plain container back into its file, in the steps of the job frame.
#include "cipher/BitOps.h"
#include "cipher/ParallelDecrypt.h"
#include "engine/ChunkCodec.h"
#include "engine/ContainerHeader.h"
#include "engine/DecryptFrame.h"
#include "engine/JobFiles.h"
#include "engine/JobFrame.h"
#include "engine/Work.h"
#include "platform/FileSystem.h"

namespace mv::engine {

namespace {

// Job steps decrypted together: enough for both cores to share, few enough that the status is
// refreshed and Stop is seen every few milliseconds, and memory stays at four steps.
constexpr int64_t GroupSteps = 4;

} // namespace

TJobResult DecryptPlainTo(TJobHost& host, const TJobOptions& options,
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

    std::unique_ptr<TRangeStream> container;
    try {
        const int64_t fileSize = inputFile.Size();
        const int64_t rangeEnd = range.End < 0 ? fileSize : std::min(range.End, fileSize);
        container = std::make_unique<TRangeStream>(inputFile.File(), range.Begin,
                                                   std::max(range.Begin, rangeEnd));
        THeaderBytes headerBytes{};
        // Too short to be a container: refused before anything is created.
        if (container->Read(headerBytes.data(), HeaderSize) != HeaderSize)
            return refuseFileType();
        CurrentHeader = TContainerHeader::Decode(headerBytes);
    } catch (const platform::EStreamError& e) {
        host.ShowMessage(TMessageKind::Error, texts.UnableToOpenInput + "\n" + e.what());
        return JobResult(TJobOutcome::InputUnopenable, {}, e.what());
    }
    if (!CurrentHeader.HasMark())
        return refuseFileType();
    if (CurrentHeader.IsCompressed) {
        container.reset();
        inputFile.Close();
        return DecryptCompressedTo(host, options, input, destination, range);
    }
    // Bytes read from a file are input: an unlisted cipher or mode, or a stored name that would
    // leave the chosen directory, make the file unusable, not the program.
    const std::optional<std::string> safeName = SafeFileName(CurrentHeader.FileName);
    if (!HasKnownCipherAndMode(CurrentHeader) || !safeName)
        return refuseFileType();

    TDecryptBody body;
    body.Run = [&](cipher::TMV_blockcipher& cipher, TJobOutput& output) {
        // Steps are taken GroupSteps at a time and decrypted on the machine's cores, with exactly
        // the bytes and the chaining that one DecryptFromStream call per step would give (every
        // chaining value of CBC and CFB follows from cipher bytes already read; OFB runs as the
        // serial calls). The loop, its status and Stop stay on this thread, one round per group.
        TWipedBuffer buffer(static_cast<size_t>(GroupSteps) * JobChunkSize);
        // A body of one group has nothing to share: no thread is started for it.
        cipher::TParallelDecryptor decryptor(
            container->Size() > static_cast<int64_t>(buffer.size()) ? 0 : 1);
        std::vector<int32_t> portions;
        return RunChunkLoop(
            host, texts.DecryptionSpeed, texts.CompressedTo + TextRate100, container->Size(), [&] {
                const auto wanted = static_cast<int64_t>(buffer.size());
                int64_t n = 0;
                while (n < wanted) {
                    const int64_t got = container->Read(buffer.data() + n, wanted - n);
                    if (got <= 0)
                        break;
                    n += got;
                }
                portions.clear();
                cipher::AppendStepPortions(portions, n, JobChunkSize);
                decryptor.Decrypt(cipher, buffer.data(), buffer.data(), portions);
                output.Write(buffer.data(), n);
                return TLoopStep{n, n != wanted, {}};
            });
    };
    return RunDecryptFrame(host, options, inputFile, destination, *safeName, body);
}

TJobResult DecryptFile(TJobHost& host, const TJobOptions& options,
                       const std::filesystem::path& input,
                       const std::filesystem::path& outputDirectory, TContainerRange range)
{
    return DecryptPlainTo(host, options, input, {outputDirectory, {}}, range);
}

TJobResult DecryptFileAs(TJobHost& host, const TJobOptions& options,
                         const std::filesystem::path& input, const std::filesystem::path& output,
                         TContainerRange range)
{
    return DecryptPlainTo(host, options, input, {{}, output}, range);
}

} // namespace mv::engine
