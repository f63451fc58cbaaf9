#include "engine/DecryptFrame.h"

#include "engine/CompressedBody.h"
#include "engine/ContainerHeader.h"
#include "engine/OutputTest.h"
#include "platform/FileSystem.h"

namespace mv::engine {

namespace {

// Where a restored file whose CRC-32 does not match is kept when its own name is not free.
constexpr const char* CrcMismatchSuffix = ".crc-mismatch";

} // namespace

std::optional<TJobResult> OpenContainer(TJobHost& host, const std::filesystem::path& path,
                                        TJobInput& input)
{
    const TJobTexts& texts = host.Texts();
    if (!platform::IdentityOfPath(path)) {
        host.ShowMessage(TMessageKind::Error, texts.InputMissing, TFocus::DecInput);
        return JobResult(TJobOutcome::InputMissing);
    }
    std::string error;
    if (input.Open(path, error) && input.IsStream()) {
        // The container is read by offsets (a range of its file, the table at its end).
        error = "A container cannot be read from a pipe; save it to a file first";
        input.Close();
    }
    if (!input.IsOpen()) {
        host.ShowMessage(TMessageKind::Error, texts.UnableToOpenInput + "\n" + error);
        return JobResult(TJobOutcome::InputUnopenable, {}, error);
    }
    return std::nullopt;
}

TJobResult RunDecryptFrame(TJobHost& host, const TJobOptions& options, TJobInput& input,
                           const TDecryptDestination& destination, const std::string& safeName,
                           const TDecryptBody& body)
{
    const TJobTexts& texts = host.Texts();
    const std::string inputText = input.Path().string();
    const std::filesystem::path output = destination.OutputFor(safeName);

    // The stored name is the container's, not the user's: a symlink there is a name to replace,
    // never a way to somewhere else. A path the user named may lead to a device or FIFO.
    const TOutputTarget target = InspectOutput(output, !destination.Named.empty());
    if (input.Snapshot().Identity == platform::IdentityOfPath(output)) {
        host.ShowMessage(TMessageKind::Plain, texts.SameInputOutput, TFocus::DecOutput);
        return JobResult(TJobOutcome::SameFile, output);
    }
    // The wipe of a container follows a tested output, always.
    const bool testWanted = options.DecTestOutput || options.DecWipeInput;
    if (testWanted && target.Kind == TOutputKind::PassThrough) {
        const std::string reason = UntestableOutputText(target);
        host.ShowMessage(TMessageKind::Error, reason, TFocus::DecOutput);
        return JobResult(TJobOutcome::Unsupported, output, reason);
    }
    std::optional<platform::TFileIdentity> confirmed;
    if (!ConfirmOverwrite(host, target, confirmed))
        return JobResult(TJobOutcome::OverwriteDeclined, output);
    TJobOutput outputFile;
    std::string error;
    if (!outputFile.Create(target, confirmed, error)) {
        host.ShowMessage(TMessageKind::Error, std::string(TextUnableToCreateOutput) + "\n" + error);
        return JobResult(TJobOutcome::OutputUncreatable, output, error);
    }
    if (testWanted)
        outputFile.TakeDigest();

    host.BeginDisplay(TextTaskDecrypting + inputText);
    // The partial output holds plain bytes: wiped, not merely deleted, on every way out but the
    // finished one.
    auto fail = [&](TJobOutcome outcome, const std::string& message, TMessageKind kind) {
        input.Close();
        outputFile.Discard(&host, options.SecureWipe);
        host.EndLoop();
        host.RefusedDisplay(LineDecryptFailed + inputText);
        host.ShowMessage(kind, message);
        return JobResult(outcome, output, message);
    };
    std::unique_ptr<cipher::TMV_blockcipher> currentCipher;
    TLoopEnd end = TLoopEnd::Finished;
    bool passwordRefused = false;
    bool crcMatches = true;
    TTestResult test;
    bool tested = false;
    try {
        currentCipher = CreateJobCipherById(host, CurrentHeader.CipherId, CurrentHeader.ModeIndex);
        if (body.AlwaysChecked || CurrentHeader.HasPasswordCheck) {
            auto check = CurrentHeader.CheckBytes();
            currentCipher->DecryptBuffer(check.data(), check.data(), 8);
            CurrentHeader.SetCheckBytes(check);
            passwordRefused = CurrentHeader.CheckValue1 != CurrentHeader.CheckValue2;
        }
        if (!passwordRefused) {
            end = body.Run(*currentCipher, outputFile);
            if (end == TLoopEnd::Finished) {
                host.EndLoop();
                if (!input.Unchanged()) {
                    currentCipher.reset();
                    return fail(TJobOutcome::InputChanged,
                                InputChangedText(input.Path(), "decrypted"), TMessageKind::Error);
                }
                input.Close();
                // The CRC-32 of the restored bytes was taken while they were written: a mismatch
                // is known before the output is claimed, so it never replaces a good file.
                crcMatches =
                    !CurrentHeader.HasCrc || outputFile.WrittenCrc32() == CurrentHeader.Crc32;
                // Read back from the disk before the name is claimed: the file under the name
                // is then the one that was written.
                if (crcMatches && testWanted) {
                    const std::optional<uint32_t> storedCrc =
                        CurrentHeader.HasCrc ? std::optional<uint32_t>(CurrentHeader.Crc32)
                                             : std::nullopt;
                    test = TestRestoredFile(host, options, outputFile, outputFile.WrittenDigest(),
                                            storedCrc);
                    tested = test.End == TTestEnd::Passed;
                    if (test.End == TTestEnd::Stopped)
                        end = TLoopEnd::Stopped;
                }
                if (crcMatches && test.End == TTestEnd::Passed && end == TLoopEnd::Finished)
                    outputFile.Commit();
            }
        }
    } catch (const ENameTaken&) {
        currentCipher.reset();
        return fail(TJobOutcome::OutputTaken, OutputTakenText(output, input.Path()),
                    TMessageKind::Error);
    } catch (const EDamagedContainer& e) {
        currentCipher.reset();
        const std::string reason = e.what();
        fail(TJobOutcome::Damaged, TextDamagedContainer + reason, TMessageKind::Error);
        return JobResult(TJobOutcome::Damaged, output, reason);
    } catch (const platform::Exception& e) {
        currentCipher.reset();
        if (input.IsOpen() && !input.Unchanged())
            return fail(TJobOutcome::InputChanged, InputChangedText(input.Path(), "decrypted"),
                        TMessageKind::Error);
        return fail(TJobOutcome::IoFailed, e.what(), TMessageKind::Error);
    }
    currentCipher.reset();
    if (test.End == TTestEnd::Failed)
        return fail(TJobOutcome::TestFailed,
                    texts.TestFailed + output.string() + "\n(" + test.Reason + ")",
                    TMessageKind::Error);
    input.Close();

    if (passwordRefused) {
        host.RefusedDisplay(LineDecryptFailed + inputText);
        outputFile.Discard(); // still empty
        host.ShowMessage(TMessageKind::Information, texts.InvalidPassword);
        return JobResult(TJobOutcome::InvalidPassword, output);
    }
    if (end == TLoopEnd::Stopped) {
        outputFile.Discard(&host, options.SecureWipe);
        host.ClearPassword();
        host.StoppedDisplay(LineDecryptStopped + inputText);
        return JobResult(TJobOutcome::Stopped, output);
    }
    if (!crcMatches) {
        // Kept for what can still be saved from it, as before, but never over an existing file:
        // then it goes beside that file under a name that says what it is.
        std::filesystem::path kept = output;
        std::string message = TextInvalidCrc;
        try {
            if (target.Kind == TOutputKind::Existing)
                kept = outputFile.CommitBeside(CrcMismatchSuffix);
            else {
                try {
                    outputFile.Commit();
                } catch (const ENameTaken&) {
                    kept = outputFile.CommitBeside(CrcMismatchSuffix);
                }
            }
        } catch (const platform::Exception& e) {
            outputFile.Discard(&host, options.SecureWipe);
            kept.clear();
            message += std::string("\n") + e.what();
        }
        if (!kept.empty() && kept != output)
            message += "\nThe restored file was kept as \"" + kept.string() + "\"; \"" +
                       output.string() + "\" was left as it was.";
        host.RefusedDisplay(LineDecryptCrcFailed + inputText);
        CurrentHeader.Clear();
        host.ShowMessage(TMessageKind::Information, message);
        return JobResult(TJobOutcome::CrcMismatch, kept.empty() ? output : kept,
                         kept == output ? std::string() : message);
    }

    TJobResult result = JobResult(TJobOutcome::Finished, output);
    // Confirmed by the container itself: a CRC-32 that matched (a mismatch ended above), or a
    // body whose every chunk inflated to its exact length with its checksum. A check value proves
    // only the password: a compressed container whose flag byte was damaged reads as a plain body
    // that passes its check value and restores garbage.
    result.Verified = body.SelfVerifying || CurrentHeader.HasCrc;
    result.Tested = tested;
    CurrentHeader.Clear();
    if (options.DecWipeInput && !result.Verified) {
        // The container may be the only way back to the data: it stays.
        result.WipeSkipped = true;
        host.ShowMessage(TMessageKind::Information, texts.NotConfirmedKept + input.Path().string(),
                         TFocus::DecInput);
    } else if (options.DecWipeInput) {
        std::string wipeError;
        if (!WipeFile(host, input.Path(), options.SecureWipe, &wipeError, &input.Snapshot())) {
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
