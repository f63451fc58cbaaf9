// DecryptFile: a plain container back into its file, in the steps of the job frame.
#include "cipher/BitOps.h"
#include "engine/ContainerHeader.h"
#include "engine/JobFiles.h"
#include "engine/JobFrame.h"
#include "engine/Work.h"
#include "platform/FileSystem.h"

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

TJobResult DecryptFile(TJobHost& host, const TJobOptions& options,
                       const std::filesystem::path& input,
                       const std::filesystem::path& outputDirectory, TContainerRange range)
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

    std::unique_ptr<TRangeStream> container;
    std::optional<std::string> safeName;
    try {
        const int64_t fileSize = inputFile->Size();
        const int64_t rangeEnd = range.End < 0 ? fileSize : std::min(range.End, fileSize);
        container = std::make_unique<TRangeStream>(*inputFile, range.Begin,
                                                   std::max(range.Begin, rangeEnd));
        THeaderBytes headerBytes{};
        // Too short to be a container: refused before anything is created.
        if (container->Read(headerBytes.data(), HeaderSize) != HeaderSize)
            return refuseFileType();
        CurrentHeader = TContainerHeader::Decode(headerBytes);
    } catch (const platform::EStreamError& e) {
        host.ShowMessage(TMessageKind::Error, texts.UnableToOpenInput);
        return Outcome(TJobOutcome::InputUnopenable, {}, e.what());
    }
    if (!CurrentHeader.HasMark())
        return refuseFileType();
    if (CurrentHeader.IsCompressed) {
        container.reset();
        inputFile.reset();
        return DecryptCompressedFile(host, options, input, outputDirectory, range);
    }
    // Bytes read from a file are input: an unlisted cipher or mode, or a stored name that would
    // leave the chosen directory, make the file unusable, not the program.
    safeName = SafeFileName(CurrentHeader.FileName);
    if (!HasKnownCipherAndMode(CurrentHeader) || !safeName)
        return refuseFileType();

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
    try {
        currentCipher = CreateJobCipherById(host, CurrentHeader.CipherId, CurrentHeader.ModeIndex);
        const int64_t totalBytes = container->Size();
        if (CurrentHeader.HasPasswordCheck) {
            auto check = CurrentHeader.CheckBytes();
            currentCipher->DecryptBuffer(check.data(), check.data(), 8);
            CurrentHeader.SetCheckBytes(check);
            passwordRefused = CurrentHeader.CheckValue1 != CurrentHeader.CheckValue2;
        }
        if (!passwordRefused) {
            end = RunStepLoop(
                host, texts.DecryptionSpeed, texts.CompressedTo + TextRate100, totalBytes, [&] {
                    return currentCipher->DecryptFromStream(*container, outputFile, JobChunkSize);
                });
            if (end == TLoopEnd::Finished) {
                host.EndLoop();
                container.reset();
                inputFile->Close();
                outputFile.Commit();
            }
        }
    } catch (const platform::Exception& e) {
        // The partial output holds plain bytes: wiped, not merely deleted.
        container.reset();
        inputFile.reset();
        currentCipher.reset();
        outputFile.CloseTemporary();
        WipeFile(host, outputFile.TemporaryPath(), options.SecureWipe);
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
    result.Verified = CurrentHeader.HasPasswordCheck || CurrentHeader.HasCrc;
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
