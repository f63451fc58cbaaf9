// DecryptCompressedFile: a compressed container back into its file. DecryptFile hands every
// container with IsCompressed set over to it once the mark is recognised; it reads the header
// again itself, then the chunk table at the end of the container's range, and trusts neither
// before they agree with each other and with the container's length.
#include "cipher/BitOps.h"
#include "engine/ChunkCodec.h"
#include "engine/CompressedBody.h"
#include "engine/ContainerHeader.h"
#include "engine/JobFiles.h"
#include "engine/JobFrame.h"
#include "engine/Work.h"
#include "platform/FileSystem.h"

#include <vector>

namespace mv::engine {

namespace {

TJobResult Outcome(TJobOutcome outcome, const std::filesystem::path& output = {},
                   std::string detail = {})
{
    TJobResult result;
    result.Outcome = outcome;
    result.OutputPath = output;
    result.Detail = std::move(detail);
    return result;
}

} // namespace

TJobResult DecryptCompressedFile(TJobHost& host, const TJobOptions& options,
                                 const std::filesystem::path& input,
                                 const std::filesystem::path& outputDirectory,
                                 TContainerRange range)
{
    const TJobTexts& texts = host.Texts();
    const std::string inputText = input.string();

    if (!platform::IdentityOfPath(input)) {
        host.ShowMessage(TMessageKind::Error, texts.InputMissing, TFocus::DecInput);
        return Outcome(TJobOutcome::InputMissing);
    }
    std::string error;
    auto inputFile = OpenInputFile(input, error);
    if (!inputFile) {
        host.ShowMessage(TMessageKind::Error, texts.UnableToOpenInput);
        return Outcome(TJobOutcome::InputUnopenable, {}, error);
    }
    auto refuseFileType = [&] {
        host.RefusedDisplay(LineDecryptFailed + inputText);
        host.ShowMessage(TMessageKind::Error, texts.InvalidFileType);
        return Outcome(TJobOutcome::InvalidFileType);
    };
    auto refuseDamaged = [&](const std::string& reason, const std::filesystem::path& output = {}) {
        host.RefusedDisplay(LineDecryptFailed + inputText);
        host.ShowMessage(TMessageKind::Error, TextDamagedContainer + reason);
        return Outcome(TJobOutcome::Damaged, output, reason);
    };

    std::unique_ptr<TRangeStream> container;
    std::vector<uint8_t> table;
    std::optional<std::string> fault;
    int64_t containerSize = 0;
    try {
        const int64_t fileSize = inputFile->Size();
        const int64_t rangeEnd = range.End < 0 ? fileSize : std::min(range.End, fileSize);
        container = std::make_unique<TRangeStream>(*inputFile, range.Begin,
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
        host.ShowMessage(TMessageKind::Error, texts.UnableToOpenInput);
        return Outcome(TJobOutcome::InputUnopenable, {}, e.what());
    }
    const std::optional<std::string> safeName = SafeFileName(CurrentHeader.FileName);
    if (!HasKnownCipherAndMode(CurrentHeader) || !safeName)
        return refuseFileType();
    // A table that cannot describe this body is refused before anything is created.
    if (!fault)
        fault = CheckChunkLayout(CurrentHeader, table, containerSize);
    if (fault)
        return refuseDamaged(*fault);

    const std::filesystem::path output = outputDirectory / *safeName;
    if (platform::IdentityOfHandle(inputFile->Handle()) == platform::IdentityOfPath(output)) {
        host.ShowMessage(TMessageKind::Plain, texts.SameInputOutput, TFocus::DecOutput);
        return Outcome(TJobOutcome::SameFile, output);
    }
    if (platform::NameExists(output) && host.Confirm(texts.OverwriteQuestion) != TAnswer::Yes)
        return Outcome(TJobOutcome::OverwriteDeclined, output);
    TJobOutput outputFile;
    if (!outputFile.Create(output, error)) {
        host.ShowMessage(TMessageKind::Error, TextUnableToCreateOutput);
        return Outcome(TJobOutcome::OutputUncreatable, output, error);
    }

    host.BeginDisplay(TextTaskDecrypting + inputText);
    std::unique_ptr<cipher::TMV_blockcipher> currentCipher;
    TLoopEnd end = TLoopEnd::Finished;
    bool passwordRefused = false;
    // Plain bytes went to the temporary output: wiped on every way out but the finished one.
    auto wipePartial = [&] {
        container.reset();
        inputFile.reset();
        currentCipher.reset();
        outputFile.CloseTemporary();
        WipeFile(host, outputFile.TemporaryPath(), options.SecureWipe);
    };
    try {
        currentCipher = CreateJobCipherById(host, CurrentHeader.CipherId, CurrentHeader.ModeIndex);
        // Always checked, whatever HasPasswordCheck says: a compressed body always has one.
        auto check = CurrentHeader.CheckBytes();
        currentCipher->DecryptBuffer(check.data(), check.data(), 8);
        CurrentHeader.SetCheckBytes(check);
        passwordRefused = CurrentHeader.CheckValue1 != CurrentHeader.CheckValue2;
        if (!passwordRefused) {
            TCompressedBodyReader reader(*currentCipher, *container, table,
                                         CurrentHeader.LastChunkSize, outputFile);
            end = RunChunkLoop(host, texts.DecryptionSpeed, texts.CompressedTo + TextRate100,
                               containerSize, [&] { return reader.ReadChunk(); });
            if (end == TLoopEnd::Finished) {
                host.EndLoop();
                container.reset();
                inputFile->Close();
                outputFile.Commit();
            }
        }
    } catch (const EDamagedContainer& e) {
        wipePartial();
        host.EndLoop();
        return refuseDamaged(e.what(), output);
    } catch (const platform::Exception& e) {
        wipePartial();
        host.EndLoop();
        host.RefusedDisplay(LineDecryptFailed + inputText);
        host.ShowMessage(TMessageKind::Error, e.what());
        return Outcome(TJobOutcome::IoFailed, output, e.what());
    }
    container.reset();
    inputFile.reset();
    currentCipher.reset();

    if (passwordRefused) {
        host.RefusedDisplay(LineDecryptFailed + inputText);
        outputFile.Discard(); // still empty
        host.ShowMessage(TMessageKind::Information, texts.InvalidPassword);
        return Outcome(TJobOutcome::InvalidPassword, output);
    }
    if (end == TLoopEnd::Stopped) {
        outputFile.CloseTemporary();
        WipeFile(host, outputFile.TemporaryPath(), options.SecureWipe);
        host.ClearPassword();
        host.StoppedDisplay(LineDecryptStopped + inputText);
        return Outcome(TJobOutcome::Stopped, output);
    }

    TJobResult result = Outcome(TJobOutcome::Finished, output);
    result.Verified = true;
    if (CurrentHeader.HasCrc) {
        std::string crcError;
        const uint32_t crc = FileCRC32(host, output, &crcError);
        if (crc != CurrentHeader.Crc32 || !crcError.empty()) {
            host.RefusedDisplay(LineDecryptCrcFailed + inputText);
            CurrentHeader.Clear();
            host.ShowMessage(TMessageKind::Information, TextInvalidCrc);
            return Outcome(TJobOutcome::CrcMismatch, output, crcError);
        }
    }
    CurrentHeader.Clear();
    if (options.DecWipeInput) {
        std::string wipeError;
        if (!WipeFile(host, input, options.SecureWipe, &wipeError)) {
            result.WipeFailed = true;
            result.Detail = wipeError;
            host.ShowMessage(TMessageKind::Error, wipeError);
        }
    }
    host.ClearPassword();
    host.FinishedDisplay(LineDecryptOk + inputText, true);
    return result;
}

} // namespace mv::engine
