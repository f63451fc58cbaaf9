#include "engine/BackgroundIo.h"

#include "cipher/BitOps.h"
#include "platform/Exception.h"
#include "platform/TerminationSignals.h"

#include <algorithm>
#include <csignal>
#include <cstring>
#include <pthread.h>
#include <system_error>

namespace mv::engine {

// Starts body on a new thread that has the terminating signals blocked from its first
// instruction: the kernel then delivers them to the job's thread, where the step loop sees them
// and where they interrupt a read or write that waits on a terminal or pipe.
std::thread StartQuietThread(std::function<void()> body)
{
    sigset_t blocked;
    sigset_t previous;
    sigemptyset(&blocked);
    platform::AddTerminationSignals(blocked);
    ::pthread_sigmask(SIG_BLOCK, &blocked, &previous);
    try {
        std::thread started(std::move(body));
        ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        return started;
    } catch (...) {
        ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        throw;
    }
}

// ---- TReadAheadStream --------------------------------------------------------------------------

TReadAheadStream::TReadAheadStream(platform::TStream& stream, size_t bytesPerRun, size_t runCount)
    : source(stream), runSize(std::max<size_t>(bytesPerRun, 1)), size(stream.Size()),
      runs(std::max<size_t>(runCount, 2))
{
    for (TRun& run : runs)
        run.Bytes = std::make_unique<uint8_t[]>(runSize);
    try {
        reader = StartQuietThread([this] { ReaderLoop(); });
    } catch (const std::system_error&) {
        // No thread to be had: the source is read here, as it would be without this stream.
        direct = true;
    }
}

TReadAheadStream::~TReadAheadStream()
{
    Finish();
    for (TRun& run : runs)
        cipher::SecureFill(run.Bytes.get(), runSize, 0);
}

void TReadAheadStream::ReaderLoop()
{
    std::unique_lock guard(lock);
    for (;;) {
        freedOne.wait(guard, [&] { return stopping || filled - taken < runs.size(); });
        if (stopping)
            return;
        TRun& run = runs[filled % runs.size()];
        guard.unlock();
        run.Size = 0;
        run.Last = false;
        run.Failure = nullptr;
        try {
            run.Size = static_cast<size_t>(
                std::max<int64_t>(0, source.Read(run.Bytes.get(), static_cast<int64_t>(runSize))));
            // A stream delivers fewer bytes than asked only at its end.
            run.Last = run.Size < runSize;
        } catch (...) {
            run.Failure = std::current_exception();
            run.Last = true;
        }
        guard.lock();
        ++filled;
        filledOne.notify_one();
        if (run.Last)
            return;
    }
}

bool TReadAheadStream::AwaitRun()
{
    if (taken < ready)
        return true;
    std::unique_lock guard(lock);
    filledOne.wait(guard, [&] { return stopping || filled > taken; });
    ready = filled;
    return taken < ready;
}

void TReadAheadStream::Release()
{
    {
        std::lock_guard guard(lock);
        ++taken;
    }
    offset = 0;
    freedOne.notify_one();
}

int64_t TReadAheadStream::Read(void* buffer, int64_t count)
{
    if (direct && !ended) {
        const int64_t n = source.Read(buffer, count);
        delivered += std::max<int64_t>(n, 0);
        return n;
    }
    auto* out = static_cast<uint8_t*>(buffer);
    int64_t done = 0;
    while (done < count && !ended && AwaitRun()) {
        const TRun& run = runs[taken % runs.size()];
        if (offset == run.Size) {
            // The synchronous read would have raised here, having delivered what came before.
            if (run.Failure)
                std::rethrow_exception(run.Failure);
            if (run.Last) {
                ended = true;
                break;
            }
            Release();
            continue;
        }
        const size_t n = std::min(run.Size - offset, static_cast<size_t>(count - done));
        std::memcpy(out + done, run.Bytes.get() + offset, n);
        offset += n;
        done += static_cast<int64_t>(n);
    }
    delivered += done;
    return done;
}

int64_t TReadAheadStream::Write(const void*, int64_t)
{
    throw platform::EStreamError("Cannot write to an input");
}

int64_t TReadAheadStream::Seek(int64_t offset, platform::TSeekOrigin origin)
{
    if (offset == 0 && origin == platform::TSeekOrigin::Current)
        return delivered;
    throw platform::EStreamError("Cannot seek in an input read front to back");
}

void TReadAheadStream::Finish()
{
    if (reader.joinable()) {
        {
            std::lock_guard guard(lock);
            stopping = true;
        }
        freedOne.notify_one();
        filledOne.notify_one();
        reader.join();
    }
    ended = true;
}

// ---- TWriteBehind ------------------------------------------------------------------------------

TWriteBehind::TWriteBehind(TSink writeRun, bool onThread, size_t bytesPerRun, size_t runCount)
    : sink(std::move(writeRun)), threaded(onThread), runSize(std::max<size_t>(bytesPerRun, 1)),
      runs(onThread ? std::max<size_t>(runCount, 2) : 1)
{
}

TWriteBehind::~TWriteBehind()
{
    Abandon();
}

bool TWriteBehind::Failed() const
{
    std::lock_guard guard(lock);
    return failure != nullptr;
}

void TWriteBehind::RaiseIfFailed() const
{
    std::exception_ptr raised;
    {
        std::lock_guard guard(lock);
        raised = failure;
    }
    if (raised)
        std::rethrow_exception(raised);
}

void TWriteBehind::Write(const void* bytes, size_t count)
{
    const auto* in = static_cast<const uint8_t*>(bytes);
    while (count > 0) {
        RaiseIfFailed();
        TRun& run = runs[handed % runs.size()];
        if (!run.Bytes)
            run.Bytes = std::make_unique<uint8_t[]>(runSize);
        const size_t n = std::min(count, runSize - filling);
        std::memcpy(run.Bytes.get() + filling, in, n);
        filling += n;
        in += n;
        count -= n;
        if (filling == runSize)
            HandOver();
    }
}

void TWriteBehind::HandOver()
{
    if (filling == 0)
        return;
    TRun& run = runs[handed % runs.size()];
    run.Size = filling;
    filling = 0;
    if (threaded && !writer.joinable()) {
        try {
            writer = StartQuietThread([this] { WriterLoop(); });
        } catch (const std::system_error&) {
            // No thread to be had: written here, as it would be without this writer.
            threaded = false;
        }
    }
    if (!threaded) {
        std::exception_ptr raised;
        if (!Failed()) {
            try {
                sink(run.Bytes.get(), run.Size);
            } catch (...) {
                raised = std::current_exception();
            }
        }
        std::lock_guard guard(lock);
        ++handed;
        ++written;
        if (raised && !failure)
            failure = raised;
        return;
    }
    std::unique_lock guard(lock);
    ++handed;
    handedOne.notify_one();
    // The run filled next must not be one still waiting for the sink.
    writtenOne.wait(guard, [&] { return handed - written < runs.size(); });
}

void TWriteBehind::WriterLoop()
{
    std::unique_lock guard(lock);
    for (;;) {
        handedOne.wait(guard, [&] { return stopping || written < handed; });
        if (stopping)
            return;
        if (failure) {
            // Nothing goes to the sink after a failure, not even a run handed over meanwhile.
            written = handed;
            writtenOne.notify_all();
            continue;
        }
        const TRun& run = runs[written % runs.size()];
        guard.unlock();
        std::exception_ptr raised;
        try {
            sink(run.Bytes.get(), run.Size);
        } catch (...) {
            raised = std::current_exception();
        }
        guard.lock();
        if (raised) {
            failure = raised;
            written = handed; // the runs waiting are dropped
        } else {
            ++written;
        }
        writtenOne.notify_all();
    }
}

void TWriteBehind::Wait()
{
    std::unique_lock guard(lock);
    writtenOne.wait(guard, [&] { return written == handed; });
}

void TWriteBehind::Flush()
{
    RaiseIfFailed();
    HandOver();
    Wait();
    RaiseIfFailed();
}

std::span<const uint8_t> TWriteBehind::Gathered() const
{
    const TRun& run = runs[handed % runs.size()];
    if (!run.Bytes)
        return {};
    return {run.Bytes.get(), filling};
}

void TWriteBehind::Abandon()
{
    if (writer.joinable()) {
        {
            std::lock_guard guard(lock);
            stopping = true;
        }
        handedOne.notify_one();
        writer.join();
    }
    std::lock_guard guard(lock);
    stopping = false;
    written = handed;
    filling = 0;
    for (TRun& run : runs) {
        if (run.Bytes)
            cipher::SecureFill(run.Bytes.get(), runSize, 0);
    }
}

} // namespace mv::engine
