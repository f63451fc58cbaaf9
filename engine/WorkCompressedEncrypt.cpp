// EncryptCompressedFile: a file into a compressed container, in the steps of the job frame with
// one chunk per step.
#include "cipher/CipherIds.h"
#include "engine/ChunkCodec.h"
#include "engine/CompressedBody.h"
#include "engine/ContainerHeader.h"
#include "engine/JobFiles.h"
#include "engine/JobFrame.h"
#include "engine/OutputFraming.h"
#include "engine/Work.h"
#include "platform/FileSystem.h"

namespace mv::engine {

namespace {

TJobResult Outcome(TJobOutcome outcome, const std::filesystem::path& output,
                   std::string detail = {})
{
    TJobResult result;
    result.Outcome = outcome;
    result.OutputPath = output;
    result.Detail = std::move(detail);
    return result;
}

} // namespace

TJobResult EncryptCompressedFramedFile(TJobHost& host, const TJobOptions& options,
                                       const std::filesystem::path& input,
                                       const std::filesystem::path& output,
                                       const TOutputFraming& framing)
{
    const TJobTexts& texts = host.Texts();
    const std::string inputText = input.string();

    if (!platform::IdentityOfPath(input)) {
        host.ShowMessage(TMessageKind::Error, texts.InputMissing, TFocus::EncInput);
        return Outcome(TJobOutcome::InputMissing, output);
    }
    if (IsSameFile(input, output)) {
        host.ShowMessage(TMessageKind::Plain, texts.SameInputOutput, TFocus::EncOutput);
        return Outcome(TJobOutcome::SameFile, output);
    }
    if (framing.Prepare) {
        if (std::optional<TJobResult> refused = framing.Prepare())
            return *refused;
    }
    // The table has room for 16383 entries: a larger input is refused before its CRC-32 pass
    // reads half a gigabyte for nothing, and before anything is written.
    auto refuseTooLarge = [&] {
        host.ShowMessage(TMessageKind::Error, TextTooLargeToCompress, TFocus::EncInput);
        return Outcome(TJobOutcome::InputUnopenable, output);
    };
    std::error_code sizeError;
    const auto sizeOnDisk = std::filesystem::file_size(input, sizeError);
    if (!sizeError && sizeOnDisk > static_cast<uintmax_t>(MaxCompressedInput))
        return refuseTooLarge();
    if (options.IncludeCRC) {
        std::string error;
        CurrentHeader.Crc32 = FileCRC32(host, input, &error);
        if (!error.empty()) {
            host.ShowMessage(TMessageKind::Error, texts.UnableToOpenInput);
            return Outcome(TJobOutcome::InputUnopenable, output, error);
        }
    }
    if (platform::NameExists(output) && host.Confirm(texts.OverwriteQuestion) != TAnswer::Yes)
        return Outcome(TJobOutcome::OverwriteDeclined, output);

    std::string error;
    auto inputFile = OpenInputFile(input, error);
    if (!inputFile) {
        host.ShowMessage(TMessageKind::Error, texts.UnableToOpenInput);
        return Outcome(TJobOutcome::InputUnopenable, output, error);
    }
    if (platform::IdentityOfHandle(inputFile->Handle()) == platform::IdentityOfPath(output)) {
        host.ShowMessage(TMessageKind::Plain, texts.SameInputOutput, TFocus::EncOutput);
        return Outcome(TJobOutcome::SameFile, output);
    }
    // The header's chunk fields come from this size; it is checked again on the open file.
    int64_t totalBytes = 0;
    try {
        totalBytes = inputFile->Size();
    } catch (const platform::EStreamError& e) {
        host.ShowMessage(TMessageKind::Error, texts.UnableToOpenInput);
        return Outcome(TJobOutcome::InputUnopenable, output, e.what());
    }
    if (totalBytes > MaxCompressedInput)
        return refuseTooLarge();
    TJobOutput outputFile;
    if (!outputFile.Create(output, error)) {
        host.ShowMessage(TMessageKind::Error, TextUnableToCreateOutput);
        return Outcome(TJobOutcome::OutputUncreatable, output, error);
    }

    host.BeginDisplay(TextTaskEncrypting + inputText);
    CurrentHeader.SetMark();
    CurrentHeader.CipherId = options.AlgorithmIndex < cipher::AlgorithmCount
                                 ? cipher::AlgorithmIds[options.AlgorithmIndex]
                                 : 0;
    CurrentHeader.FileName = StoredFileName(input);
    CurrentHeader.CheckValue1 = CurrentHeader.CheckValue2 = NewCheckValue();
    CurrentHeader.ModeIndex = options.CipherModeIndex;
    CurrentHeader.HasCrc = options.IncludeCRC;
    // A compressed body always carries the check value, whatever IncludePass says.
    SetCompressedLayout(CurrentHeader, totalBytes);

    std::unique_ptr<cipher::TMV_blockcipher> currentCipher;
    TLoopEnd end = TLoopEnd::Finished;
    try {
        if (framing.WriteLeading)
            framing.WriteLeading(outputFile);
        currentCipher =
            CreateJobCipherByIndex(host, options.AlgorithmIndex, options.CipherModeIndex);
        auto check = CurrentHeader.CheckBytes();
        currentCipher->EncryptBuffer(check.data(), check.data(), 8);
        CurrentHeader.SetCheckBytes(check);
        const THeaderBytes headerBytes = CurrentHeader.Encode();
        outputFile.Write(headerBytes.data(), HeaderSize);

        TCompressedBodyWriter writer(*currentCipher, *inputFile, totalBytes, outputFile,
                                     texts.CompressedTo);
        // lblRate is left as it is until the first chunk gives a figure.
        end = RunChunkLoop(host, texts.EncryptionSpeed, {}, totalBytes,
                           [&] { return writer.WriteChunk(); });
        if (end == TLoopEnd::Finished) {
            writer.WriteTable();
            host.EndLoop();
            inputFile->Close();
            if (framing.WriteTrailing)
                framing.WriteTrailing(outputFile);
            outputFile.Commit();
        }
    } catch (const platform::Exception& e) {
        // A failed read or write: the container is incomplete, so it goes and the input stays.
        inputFile.reset();
        outputFile.Discard();
        currentCipher.reset();
        host.EndLoop();
        host.RefusedDisplay(LineEncryptFailed + inputText);
        host.ShowMessage(TMessageKind::Error, e.what());
        return Outcome(TJobOutcome::IoFailed, output, e.what());
    }
    inputFile.reset();
    currentCipher.reset();

    if (end == TLoopEnd::Stopped) {
        // Only cipher bytes, and no table yet: a plain delete is enough.
        outputFile.Discard();
        host.ClearPassword();
        host.StoppedDisplay(LineEncryptStopped + inputText);
        return Outcome(TJobOutcome::Stopped, output);
    }

    CurrentHeader.Clear();
    TJobResult result = Outcome(TJobOutcome::Finished, output);
    if (options.EncWipeInput) {
        std::string wipeError;
        if (!WipeFile(host, input, options.SecureWipe, &wipeError)) {
            result.WipeFailed = true;
            result.Detail = wipeError;
            host.ShowMessage(TMessageKind::Error, wipeError);
        }
    }
    host.ClearPassword();
    host.FinishedDisplay(LineEncryptOk + inputText, false);
    return result;
}

TJobResult EncryptCompressedFile(TJobHost& host, const TJobOptions& options,
                                 const std::filesystem::path& input,
                                 const std::filesystem::path& output)
{
    return EncryptCompressedFramedFile(host, options, input, output, {});
}

} // namespace mv::engine
