#include "engine/JobFrame.h"

#include "cipher/BitOps.h"
#include "cipher/CipherIds.h"
#include "engine/ContainerHeader.h"
#include "engine/JobStatus.h"
#include "engine/Work.h"
#include "platform/TerminationSignals.h"

namespace mv::engine {

TJobResult JobResult(TJobOutcome outcome, const std::filesystem::path& output, std::string detail)
{
    TJobResult result;
    result.Outcome = outcome;
    result.OutputPath = output;
    result.Detail = std::move(detail);
    return result;
}

namespace {

std::unique_ptr<cipher::TMV_blockcipher>
Prepare(TJobHost& host, std::unique_ptr<cipher::TMV_blockcipher> cipher, int modeIndex)
{
    if (!cipher)
        host.InternalError(TextNoCipher);
    if (modeIndex < cipher::cmCBC || modeIndex > cipher::cmOFB)
        host.InternalError(TextInvalidMode);
    cipher->CipherMode = static_cast<cipher::TMV_ciphermode>(modeIndex);
    cipher->WipeKey();
    std::string password = host.Password();
    try {
        cipher->SetPassword(password);
    } catch (...) {
        cipher::SecureFill(password.data(), password.size(), 0);
        throw;
    }
    cipher::SecureFill(password.data(), password.size(), 0);
    return cipher;
}

} // namespace

std::unique_ptr<cipher::TMV_blockcipher> CreateJobCipherByIndex(TJobHost& host, int algorithmIndex,
                                                                int modeIndex)
{
    return Prepare(host, cipher::CreateCipher(algorithmIndex), modeIndex);
}

std::unique_ptr<cipher::TMV_blockcipher> CreateJobCipherById(TJobHost& host, int cipherId,
                                                             int modeIndex)
{
    return Prepare(host, cipher::CreateCipherById(cipherId), modeIndex);
}

TLoopEnd RunChunkLoop(TJobHost& host, const std::string& speedCaption, const std::string& rateText,
                      int64_t totalBytes, const std::function<TLoopStep()>& step)
{
    const int64_t startSecond = host.MonotonicSecond();
    host.ClearStopRequest();
    host.BeginLoop(rateText);
    int64_t processedBytes = 0;
    for (;;) {
        TLoopStep done = step();
        processedBytes += done.Consumed;
        const int64_t elapsed = host.MonotonicSecond() - startSecond;
        TStatusUpdate status =
            MakeStatusUpdate(host.Texts(), speedCaption, processedBytes, totalBytes, elapsed);
        status.RateText = std::move(done.RateText);
        host.UpdateStatus(status);
        host.ProcessMessages();
        // A caught terminating signal (the terminal closed, kill) stops the job like the Stop
        // button, whatever the host does with it: the unfinished output must go first.
        if (host.StopRequested() || platform::TerminationSignal() != 0)
            return TLoopEnd::Stopped;
        if (done.Last)
            return TLoopEnd::Finished;
    }
}

TLoopEnd RunStepLoop(TJobHost& host, const std::string& speedCaption, const std::string& rateText,
                     int64_t totalBytes, const std::function<int32_t()>& step)
{
    return RunChunkLoop(host, speedCaption, rateText, totalBytes, [&] {
        const int32_t n = step();
        return TLoopStep{n, n != JobChunkSize, {}};
    });
}

} // namespace mv::engine
