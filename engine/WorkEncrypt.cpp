// EncryptFile: a file into a plain container, in the steps of the job frame.
#include "cipher/CipherIds.h"
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

TJobResult EncryptFramedFile(TJobHost& host, const TJobOptions& options,
                             const std::filesystem::path& input,
                             const std::filesystem::path& output, const TOutputFraming& framing)
{
    const TJobTexts& texts = host.Texts();
    const std::string inputText = input.string();

    if (!platform::IdentityOfPath(input)) {
        host.ShowMessage(TMessageKind::Error, texts.InputMissing, TFocus::EncInput);
        return Outcome(TJobOutcome::InputMissing, output);
    }
    // Linux opens do not lock: the same file under another name, a symlink or a hard link would
    // be truncated while being read.
    if (IsSameFile(input, output)) {
        host.ShowMessage(TMessageKind::Plain, texts.SameInputOutput, TFocus::EncOutput);
        return Outcome(TJobOutcome::SameFile, output);
    }
    if (framing.Prepare) {
        if (std::optional<TJobResult> refused = framing.Prepare())
            return *refused;
    }
    if (options.IncludeCRC) {
        std::string error;
        CurrentHeader.Crc32 = FileCRC32(host, input, &error);
        // A checksum over part of the file would make every later decryption fail.
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
    // Checked again on the open file: the output may have become a link to it meanwhile.
    if (platform::IdentityOfHandle(inputFile->Handle()) == platform::IdentityOfPath(output)) {
        host.ShowMessage(TMessageKind::Plain, texts.SameInputOutput, TFocus::EncOutput);
        return Outcome(TJobOutcome::SameFile, output);
    }
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
    CurrentHeader.IsCompressed = false;
    CurrentHeader.HasCrc = options.IncludeCRC;
    CurrentHeader.HasPasswordCheck = options.IncludePass;

    std::unique_ptr<cipher::TMV_blockcipher> currentCipher;
    TLoopEnd end = TLoopEnd::Finished;
    try {
        if (framing.WriteLeading)
            framing.WriteLeading(outputFile);
        currentCipher =
            CreateJobCipherByIndex(host, options.AlgorithmIndex, options.CipherModeIndex);
        if (CurrentHeader.HasPasswordCheck) {
            auto check = CurrentHeader.CheckBytes();
            currentCipher->EncryptBuffer(check.data(), check.data(), 8);
            CurrentHeader.SetCheckBytes(check);
        }
        const THeaderBytes headerBytes = CurrentHeader.Encode();
        outputFile.Write(headerBytes.data(), HeaderSize);

        const int64_t totalBytes = inputFile->Size();
        TRangeStream plain(*inputFile, 0, totalBytes);
        end = RunStepLoop(
            host, texts.EncryptionSpeed, texts.CompressedTo + TextRate100, totalBytes,
            [&] { return currentCipher->EncryptFromStream(plain, outputFile, JobChunkSize); });
        if (end == TLoopEnd::Finished) {
            host.EndLoop();
            inputFile->Close();
            if (framing.WriteTrailing)
                framing.WriteTrailing(outputFile);
            outputFile.Commit();
        }
    } catch (const platform::Exception& e) {
        // A failed read or write (full disk, I/O error): the container is incomplete, so it goes
        // and the input stays whatever the options say.
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
        // Only cipher bytes: a plain delete is enough.
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

TJobResult EncryptFile(TJobHost& host, const TJobOptions& options,
                       const std::filesystem::path& input, const std::filesystem::path& output)
{
    return EncryptFramedFile(host, options, input, output, {});
}

} // namespace mv::engine
