// EncryptFile and EncryptCompressedFile: a file into a container, plain or compressed, in the
// steps of one job frame. The two bodies differ only in the header's layout, the step (32767
// plain bytes, or one chunk) and the table after the last chunk.
#include "cipher/CipherIds.h"
#include "engine/BackgroundIo.h"
#include "engine/CompressedBody.h"
#include "engine/ContainerHeader.h"
#include "engine/JobFiles.h"
#include "engine/JobFrame.h"
#include "engine/OutputFraming.h"
#include "engine/OutputTest.h"
#include "engine/Work.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <optional>

namespace mv::engine {

namespace {

enum class TBodyKind
{
    Plain,
    Compressed
};

TJobResult EncryptWithFrame(TJobHost& host, const TJobOptions& options,
                            const std::filesystem::path& input, const std::filesystem::path& output,
                            const TOutputFraming& framing, TBodyKind body)
{
    const TJobTexts& texts = host.Texts();
    const std::string inputText = input.string();
    const bool compressed = body == TBodyKind::Compressed;

    if (!platform::IdentityOfPath(input)) {
        host.ShowMessage(TMessageKind::Error, texts.InputMissing, TFocus::EncInput);
        return JobResult(TJobOutcome::InputMissing, output);
    }
    // Linux opens do not lock: the same file under another name, a symlink or a hard link would
    // be truncated while being read.
    if (IsSameFile(input, output)) {
        host.ShowMessage(TMessageKind::Plain, texts.SameInputOutput, TFocus::EncOutput);
        return JobResult(TJobOutcome::SameFile, output);
    }
    if (framing.Prepare) {
        if (std::optional<TJobResult> refused = framing.Prepare())
            return *refused;
    }
    // Opened once, before anything else reads it: the CRC-32, the body and the final check all
    // see this file, whatever happens to its name meanwhile.
    TJobInput inputFile;
    std::string error;
    if (!inputFile.Open(input, error)) {
        host.ShowMessage(TMessageKind::Error, texts.UnableToOpenInput + "\n" + error);
        return JobResult(TJobOutcome::InputUnopenable, output, error);
    }
    // A pipe on standard input has no size: the body is read to its end, and what the header
    // needs of it is written there at the end.
    const bool stream = inputFile.IsStream();
    const int64_t totalBytes = inputFile.Size();
    // The table has room for 16383 entries: a larger input is refused before its CRC-32 pass
    // reads half a gigabyte for nothing, and before anything is written.
    if (compressed && totalBytes > MaxCompressedInput) {
        host.ShowMessage(TMessageKind::Error, TextTooLargeToCompress, TFocus::EncInput);
        return JobResult(TJobOutcome::InputUnopenable, output);
    }
    const TOutputTarget target = InspectOutput(output, true);
    const bool seekable = target.Kind != TOutputKind::PassThrough;
    if (stream && !seekable && (options.IncludeCRC || compressed)) {
        const std::string message = std::string("Cannot ") +
                                    (compressed ? "compress" : "store the CRC-32 of") +
                                    " standard input when it is a pipe and " + target.What +
                                    " is the output: the header before the data needs " +
                                    (compressed ? "the chunk sizes" : "the CRC-32") +
                                    ", known only at the end of a pipe, and " + target.What +
                                    " cannot be rewritten. Write to a file instead" +
                                    (compressed ? "." : ", or leave the CRC-32 out.");
        host.ShowMessage(TMessageKind::Error, message);
        return JobResult(TJobOutcome::Unsupported, output, message);
    }
    // The CRC-32 is taken in the encryption's own pass and written into the header before the
    // output is claimed; only an output that cannot be rewritten (a device, a FIFO) needs a pass
    // of its own first.
    const bool crcInPass = options.IncludeCRC && seekable;
    if (options.IncludeCRC && !crcInPass) {
        CurrentHeader.Crc32 = OpenFileCRC32(host, inputFile.File(), &error);
        // A checksum over part of the file would make every later decryption fail.
        if (!error.empty()) {
            host.ShowMessage(TMessageKind::Error, texts.UnableToOpenInput + "\n" + error);
            return JobResult(TJobOutcome::InputUnopenable, output, error);
        }
    }
    if (crcInPass)
        CurrentHeader.Crc32 = 0;
    // A wipe destroys the only other copy: it follows a tested container, always.
    const bool testWanted = options.EncTestOutput || options.EncWipeInput;
    if (testWanted && !seekable) {
        const std::string reason = UntestableOutputText(target);
        host.ShowMessage(TMessageKind::Error, reason, TFocus::EncOutput);
        return JobResult(TJobOutcome::Unsupported, output, reason);
    }
    std::optional<platform::TFileIdentity> confirmed;
    if (!ConfirmOverwrite(host, target, confirmed))
        return JobResult(TJobOutcome::OverwriteDeclined, output);
    // Checked again on the open file: the output may have become a link to it meanwhile.
    if (!stream && inputFile.Snapshot().Identity == platform::IdentityOfPath(output)) {
        host.ShowMessage(TMessageKind::Plain, texts.SameInputOutput, TFocus::EncOutput);
        return JobResult(TJobOutcome::SameFile, output);
    }
    TJobOutput outputFile;
    if (!outputFile.Create(target, confirmed, error, framing.OutputMode)) {
        host.ShowMessage(TMessageKind::Error, std::string(TextUnableToCreateOutput) + "\n" + error);
        return JobResult(TJobOutcome::OutputUncreatable, output, error);
    }

    host.BeginDisplay(TextTaskEncrypting + inputText);
    CurrentHeader.SetMark();
    CurrentHeader.CipherId = options.AlgorithmIndex < cipher::AlgorithmCount
                                 ? cipher::AlgorithmIds[options.AlgorithmIndex]
                                 : 0;
    CurrentHeader.FileName = StoredFileName(
        options.StoredName.empty() ? input : std::filesystem::path(options.StoredName));
    CurrentHeader.CheckValue1 = CurrentHeader.CheckValue2 = NewCheckValue();
    CurrentHeader.ModeIndex = options.CipherModeIndex;
    CurrentHeader.HasCrc = options.IncludeCRC;
    if (compressed) {
        // A compressed body always carries the check value, whatever IncludePass says. A
        // stream's layout is known at its end and written then.
        SetCompressedLayout(CurrentHeader, stream ? 0 : totalBytes);
    } else {
        CurrentHeader.IsCompressed = false;
        CurrentHeader.HasPasswordCheck = options.IncludePass;
    }

    // Every way out but the finished one removes the output; it holds only cipher bytes.
    auto fail = [&](TJobOutcome outcome, const std::string& message) {
        inputFile.Close();
        outputFile.Discard();
        host.EndLoop();
        host.RefusedDisplay(LineEncryptFailed + inputText);
        host.ShowMessage(TMessageKind::Error, message);
        return JobResult(outcome, output, message);
    };
    std::unique_ptr<cipher::TMV_blockcipher> currentCipher;
    // Keyed with the same password as currentCipher and used only by the test.
    std::unique_ptr<cipher::TMV_blockcipher> testCipher;
    TLoopEnd end = TLoopEnd::Finished;
    int64_t bytesRead = 0;
    TWrittenContainer written;
    TTestResult test;
    bool tested = false;
    try {
        if (framing.WriteLeading)
            framing.WriteLeading(outputFile);
        currentCipher =
            CreateJobCipherByIndex(host, options.AlgorithmIndex, options.CipherModeIndex,
                                   testWanted ? &testCipher : nullptr);
        if (CurrentHeader.HasPasswordCheck) {
            auto check = CurrentHeader.CheckBytes();
            currentCipher->EncryptBuffer(check.data(), check.data(), 8);
            CurrentHeader.SetCheckBytes(check);
        }
        const int64_t headerOffset = outputFile.BytesWritten();
        // The job's own copy of its header: what is rewritten at the end comes from it, not from
        // the shared record, which another job may have cleared meanwhile; the test compares the
        // header read back with its bytes.
        TContainerHeader header = CurrentHeader;
        written.Header = header.Encode();
        outputFile.Write(written.Header.data(), HeaderSize);

        std::unique_ptr<TRangeStream> range;
        if (!stream)
            range = std::make_unique<TRangeStream>(inputFile.File(), 0, totalBytes);
        TReadCounter counted(stream ? static_cast<platform::TStream&>(inputFile.File()) : *range,
                             crcInPass);
        // The digest of the input is taken as it is read: the test compares the container's
        // plain bytes with it, so nothing has to be read twice from the input.
        TDigestingReader digested(counted);
        platform::TStream& summed = testWanted ? static_cast<platform::TStream&>(digested)
                                               : static_cast<platform::TStream&>(counted);
        // A file is read ahead on a thread of its own, which takes the CRC-32 and the digest on
        // the way: the cipher finds its next bytes waiting. A pipe is read on this thread, where
        // a signal interrupts a read that would wait for good.
        std::optional<TReadAheadStream> ahead;
        if (!stream)
            ahead.emplace(summed);
        platform::TStream& source = ahead ? static_cast<platform::TStream&>(*ahead) : summed;
        std::optional<TCompressedBodyWriter> writer;
        if (compressed) {
            writer.emplace(*currentCipher, source, totalBytes, outputFile, texts.CompressedTo);
            // lblRate is left as it is until the first chunk gives a figure.
            end = RunChunkLoop(host, texts.EncryptionSpeed, {}, std::max<int64_t>(totalBytes, 0),
                               [&] { return writer->WriteChunk(); });
            if (end == TLoopEnd::Finished)
                writer->WriteTable();
        } else {
            end = RunStepLoop(
                host, texts.EncryptionSpeed, texts.CompressedTo + TextRate100,
                std::max<int64_t>(totalBytes, 0),
                [&] { return currentCipher->EncryptFromStream(source, outputFile, JobChunkSize); });
        }
        // The loops read to the input's end (or stop), so once the thread has ended the count,
        // the CRC-32 and the digest are those of exactly the bytes the cipher had.
        if (ahead)
            ahead->Finish();
        bytesRead = counted.Count();
        if (end == TLoopEnd::Finished) {
            host.EndLoop();
            // A file that grew, shrank or was rewritten meanwhile is not what the container
            // holds: neither kept nor, above all, wiped.
            if (!inputFile.Unchanged(bytesRead))
                return fail(TJobOutcome::InputChanged, InputChangedText(input, "encrypted"));
            inputFile.Close();
            // What the header could not know before the body: written in place now, before the
            // output is visible under any name.
            if (crcInPass || (stream && compressed)) {
                if (crcInPass)
                    header.Crc32 = counted.Crc32();
                if (stream && compressed) {
                    header.ChunkTableSize = writer->ChunkTableBytes();
                    header.LastChunkSize = writer->LastChunkBytes();
                }
                CurrentHeader = header;
                written.Header = header.Encode();
                outputFile.WriteAt(headerOffset, written.Header.data(), HeaderSize);
            }
            written.Begin = headerOffset;
            written.End = outputFile.BytesWritten();
            if (framing.WriteTrailing) {
                framing.WriteTrailing(outputFile);
                written.TrailerEnd = outputFile.BytesWritten();
            }
            if (testWanted) {
                written.PlainSize = bytesRead;
                written.PlainDigest = digested.Finish();
                test = TestContainer(host, options, outputFile, *testCipher, written);
                tested = test.End == TTestEnd::Passed;
                if (test.End == TTestEnd::Stopped)
                    end = TLoopEnd::Stopped;
            }
            if (test.End == TTestEnd::Passed && end == TLoopEnd::Finished)
                outputFile.Commit();
        }
    } catch (const ENameTaken&) {
        currentCipher.reset();
        testCipher.reset();
        return fail(TJobOutcome::OutputTaken, OutputTakenText(output, input));
    } catch (const platform::Exception& e) {
        // A failed read or write (full disk, I/O error): the container is incomplete, so it goes
        // and the input stays whatever the options say. A read cut short by a file that shrank
        // is told as the change it is.
        currentCipher.reset();
        testCipher.reset();
        if (inputFile.IsOpen() && !inputFile.Unchanged())
            return fail(TJobOutcome::InputChanged, InputChangedText(input, "encrypted"));
        return fail(TJobOutcome::IoFailed, e.what());
    }
    currentCipher.reset();
    testCipher.reset();
    if (test.End == TTestEnd::Failed)
        return fail(TJobOutcome::TestFailed,
                    texts.TestFailed + output.string() + "\n(" + test.Reason + ")");

    if (end == TLoopEnd::Stopped) {
        // Only cipher bytes: a plain delete is enough.
        inputFile.Close();
        outputFile.Discard();
        host.ClearPassword();
        host.StoppedDisplay(LineEncryptStopped + inputText);
        return JobResult(TJobOutcome::Stopped, output);
    }

    CurrentHeader.Clear();
    TJobResult result = JobResult(TJobOutcome::Finished, output);
    result.Tested = tested;
    if (options.EncWipeInput) {
        std::string wipeError;
        if (stream) {
            // Nothing on the disk to destroy: the bytes came through a pipe.
            result.WipeFailed = true;
            result.Detail = "Not wiped: standard input is a pipe, not a file";
            host.ShowMessage(TMessageKind::Error, result.Detail);
        } else if (!WipeFile(host, input, options.SecureWipe, &wipeError, &inputFile.Snapshot())) {
            result.WipeFailed = true;
            result.Detail = wipeError;
            host.ShowMessage(TMessageKind::Error, wipeError);
        }
    }
    host.ClearPassword();
    host.FinishedDisplay(LineEncryptOk + inputText, false);
    return result;
}

} // namespace

std::string OutputTakenText(const std::filesystem::path& output, const std::filesystem::path& input)
{
    return "\"" + output.string() + "\" was taken by another file while \"" + input.string() +
           "\" was being processed: it was not replaced, the new output was removed, and \"" +
           input.string() + "\" was kept";
}

TJobResult EncryptFramedFile(TJobHost& host, const TJobOptions& options,
                             const std::filesystem::path& input,
                             const std::filesystem::path& output, const TOutputFraming& framing)
{
    return EncryptWithFrame(host, options, input, output, framing, TBodyKind::Plain);
}

TJobResult EncryptFile(TJobHost& host, const TJobOptions& options,
                       const std::filesystem::path& input, const std::filesystem::path& output)
{
    return EncryptFramedFile(host, options, input, output, {});
}

TJobResult EncryptCompressedFramedFile(TJobHost& host, const TJobOptions& options,
                                       const std::filesystem::path& input,
                                       const std::filesystem::path& output,
                                       const TOutputFraming& framing)
{
    return EncryptWithFrame(host, options, input, output, framing, TBodyKind::Compressed);
}

TJobResult EncryptCompressedFile(TJobHost& host, const TJobOptions& options,
                                 const std::filesystem::path& input,
                                 const std::filesystem::path& output)
{
    return EncryptCompressedFramedFile(host, options, input, output, {});
}

} // namespace mv::engine
