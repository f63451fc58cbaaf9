// Pieces of the job frame that the jobs share: the waiting window held for the length of a pass,
// the cipher of a job, and the step loop with its status updates.
#pragma once

#include "cipher/CipherBase.h"
#include "engine/JobHost.h"
#include "engine/JobOptions.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace mv::engine {

// Shows the waiting window while it lives, so every path out of a pass closes it again.
class TWaitWindow
{
public:
    TWaitWindow(TJobHost& host, const std::string& caption, const std::string& path) : host(host)
    {
        host.BeginWait(caption, path);
    }
    ~TWaitWindow() { host.EndWait(); }
    TWaitWindow(const TWaitWindow&) = delete;
    TWaitWindow& operator=(const TWaitWindow&) = delete;

private:
    TJobHost& host;
};

// CurrentCipher of a job: created from the algorithm index (encrypting) or the stored id
// (decrypting), set to its mode and keyed from the host's password, whose copy is wiped. An index,
// id or mode outside the lists goes to the host's internal error.
// twin, when given, receives a second cipher of the same kind and mode keyed from the same
// reading of the password: the test of a container decrypts it with a cipher of its own.
std::unique_ptr<cipher::TMV_blockcipher>
CreateJobCipherByIndex(TJobHost& host, int algorithmIndex, int modeIndex,
                       std::unique_ptr<cipher::TMV_blockcipher>* twin = nullptr);
std::unique_ptr<cipher::TMV_blockcipher> CreateJobCipherById(TJobHost& host, int cipherId,
                                                             int modeIndex);

enum class TLoopEnd
{
    Finished,
    Stopped
};

// The step loop: records the start second, clears the stop request, enables Stop with rateText,
// then runs step (which returns the bytes it consumed) until a step consumes fewer than
// JobChunkSize bytes or Stop was pressed, with one status update and one round of message
// processing after each step. Exceptions of step pass through.
TLoopEnd RunStepLoop(TJobHost& host, const std::string& speedCaption, const std::string& rateText,
                     int64_t totalBytes, const std::function<int32_t()>& step);

// One step of a loop whose steps are not all JobChunkSize bytes (the compressed jobs' chunks).
struct TLoopStep
{
    int64_t Consumed = 0; // added to the processed bytes of the status figures
    bool Last = false;    // the loop ends after this step (unless Stop ended it first)
    std::string RateText; // lblRate for this update; empty leaves it
};

// The same loop, ended by the step itself.
TLoopEnd RunChunkLoop(TJobHost& host, const std::string& speedCaption, const std::string& rateText,
                      int64_t totalBytes, const std::function<TLoopStep()>& step);

} // namespace mv::engine
