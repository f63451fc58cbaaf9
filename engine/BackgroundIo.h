// Reading ahead of a job and writing behind it, each on a thread of its own, so the job's cipher
// never waits on a system call or on the checksums taken over the bytes it reads or writes.
//
// Both keep their memory bounded (a few runs of RunSize bytes), give exactly the bytes of the
// synchronous calls, and raise a failure of their thread on the job's thread, at the call where
// the synchronous path would have raised it, with the same exception. Their threads run with the
// terminating signals blocked: a signal stays with the job's thread, whose step loop sees it and
// whose blocking reads and writes it interrupts.
#pragma once

#include "platform/Stream.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

namespace mv::engine {

// Starts body on a new thread that has the terminating signals blocked from its first
// instruction, so they reach the job's thread. Raises what std::thread raises.
std::thread StartQuietThread(std::function<void()> body);

// As long as the runs of TRangeStream and of the output: one system call per run.
inline constexpr size_t BackgroundRunSize = 256 * 1024;
// One run in use by the job, one being filled (or written) by the thread, one in hand.
inline constexpr size_t BackgroundRuns = 3;

// Reads another stream front to back on a thread of its own, in runs of runSize bytes, holding
// at most `runs` runs (the one being delivered included). Whatever the source does when it is read
// (a counter, a CRC-32, a SHA-1 over the bytes) happens on that thread: the source belongs to the
// thread from construction until Finish (or destruction), and nothing else may touch it
// meanwhile. Only for a source whose reads end by themselves (a regular file): the thread cannot
// be stopped inside a read that waits for good, as a read of a pipe may.
class TReadAheadStream : public platform::TStream
{
public:
    explicit TReadAheadStream(platform::TStream& source, size_t runSize = BackgroundRunSize,
                              size_t runs = BackgroundRuns);
    // Ends the thread (promptly: at most the read under way is completed) and overwrites the
    // runs, which may hold plain bytes.
    ~TReadAheadStream() override;
    TReadAheadStream(const TReadAheadStream&) = delete;
    TReadAheadStream& operator=(const TReadAheadStream&) = delete;

    // The source's bytes in order; fewer than count only at its end. A read of the source that
    // raised on the thread is raised here, as the same exception, by the read that needs the
    // bytes beyond those delivered before it (and by every read after it).
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    // Only Seek(0, Current), the position: read front to back.
    int64_t Seek(int64_t offset, platform::TSeekOrigin origin) override;
    // The source's size when the stream was made.
    int64_t Size() override { return size; }

    // Bytes delivered by Read so far.
    int64_t Delivered() const { return delivered; }
    // Ends the thread: from now on the source and what was taken on the thread may be used on
    // this one; Read delivers nothing more. Once Read has delivered the source to its end, the
    // thread has read no byte that Read did not deliver.
    void Finish();

private:
    struct TRun
    {
        std::unique_ptr<uint8_t[]> Bytes;
        size_t Size = 0;
        bool Last = false; // the source ended in this run (or raised)
        std::exception_ptr Failure;
    };

    void ReaderLoop();
    // Waits until run number `taken` is filled; false after Finish.
    bool AwaitRun();
    // The job is done with run number `taken`: the thread may fill it again.
    void Release();

    platform::TStream& source;
    const size_t runSize;
    const int64_t size;
    std::vector<TRun> runs;
    std::mutex lock;
    std::condition_variable filledOne; // the thread filled a run
    std::condition_variable freedOne;  // the job released a run, or Finish
    // Under lock: runs filled by the thread, runs released by the job, the end asked for.
    size_t filled = 0;
    size_t taken = 0;
    bool stopping = false;
    // The job's own: it reads run number `taken` (runs[taken % runs.size()]) from offset.
    size_t offset = 0;
    size_t ready = 0;    // the job's copy of `filled`
    bool ended = false;  // the job reached the last run's end, or Finish
    bool direct = false; // no thread could be started: Read reads the source itself
    int64_t delivered = 0;
    std::thread reader;
};

// Writes runs of bytes through sink on a thread of its own while the caller fills the next run:
// at most `runs` runs of runSize bytes, filled and handed over in order. The sink is called with
// one run at a time, in order, never on two threads at once. Once it raises, nothing more goes
// to it: the runs waiting are dropped, and that exception is raised on the caller's thread by the
// next Write or Flush and by every one after it. Unthreaded, each run goes through sink on the
// caller's thread as soon as it is full (an output whose writes may wait for good, such as a
// FIFO: a signal must be able to interrupt them). Every run is overwritten before it is freed:
// it may hold plain bytes.
class TWriteBehind
{
public:
    using TSink = std::function<void(const uint8_t* bytes, size_t count)>;

    TWriteBehind(TSink sink, bool threaded, size_t runSize = BackgroundRunSize,
                 size_t runs = BackgroundRuns);
    // Drops what was not written yet, as Abandon.
    ~TWriteBehind();
    TWriteBehind(const TWriteBehind&) = delete;
    TWriteBehind& operator=(const TWriteBehind&) = delete;

    // Takes count bytes, handing over every run they fill; waits only while every run is handed
    // over and not yet written. Raises the sink's failure before taking anything.
    void Write(const void* bytes, size_t count);
    // Hands over the run being filled and returns once the sink has had every byte taken so far;
    // raises the sink's failure.
    void Flush();
    // Returns once the sink has had every run handed over (the one being filled stays, see
    // Gathered); raises nothing. The sink's state may be read on this thread afterwards, until
    // the next Write or Flush.
    void Wait();
    // The bytes taken that were not handed over yet (the run being filled).
    std::span<const uint8_t> Gathered() const;
    // Forgets every byte not yet passed to the sink, waits for the run under way, ends the
    // thread and overwrites the runs. A failure stays; otherwise Write may start over.
    void Abandon();
    bool Failed() const;

private:
    struct TRun
    {
        std::unique_ptr<uint8_t[]> Bytes;
        size_t Size = 0;
    };

    void WriterLoop();
    // Passes the run being filled on to the thread (unthreaded: to the sink), then waits until
    // the run to fill next is free.
    void HandOver();
    void RaiseIfFailed() const;

    TSink sink;
    bool threaded;
    const size_t runSize;
    std::vector<TRun> runs;
    mutable std::mutex lock;
    std::condition_variable handedOne;  // a run was handed over, or the end
    std::condition_variable writtenOne; // the sink had a run (or the runs were dropped)
    // Under lock: runs handed over, runs the sink has had (or dropped). The caller fills run
    // number `handed` (runs[handed % runs.size()]) up to `filling` bytes.
    size_t handed = 0;
    size_t written = 0;
    bool stopping = false;
    size_t filling = 0;
    std::exception_ptr failure;
    std::thread writer;
};

} // namespace mv::engine
