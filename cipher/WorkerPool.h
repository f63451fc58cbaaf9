// A few threads that take the pieces of one task beside the calling thread. They are started
// once and kept between tasks, so a job that hands over a few steps at a time pays for starting
// them only once.
#pragma once

#include <atomic>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace mv::cipher {

class TWorkerPool
{
public:
    // threads counts the calling thread: 1 starts no thread, 0 takes
    // std::thread::hardware_concurrency() (at least 1).
    explicit TWorkerPool(unsigned threads);
    ~TWorkerPool();
    TWorkerPool(const TWorkerPool&) = delete;
    TWorkerPool& operator=(const TWorkerPool&) = delete;

    // Threads that take pieces, the calling one included.
    unsigned Threads() const { return static_cast<unsigned>(workers.size()) + 1; }

    // Runs piece(i, thread) once for every i in [0, count), on the pool's threads and the
    // calling thread, and returns when every piece has ended and no worker touches piece any
    // more. thread (0 for the calling thread, 1 .. Threads() - 1 for the pool's) tells which
    // thread runs it, so a piece may use that thread's own state; no two pieces with the same
    // thread run at once. The first exception a piece raised is raised again here, after all
    // pieces have ended. One Run at a time.
    using TPiece = std::function<void(unsigned index, unsigned thread)>;
    void Run(unsigned count, const TPiece& piece);

private:
    void WorkerLoop(unsigned thread);
    // Takes pieces of the current task until none is left.
    void Drain(const TPiece& piece, unsigned count, unsigned thread);

    std::vector<std::thread> workers;
    std::mutex lock;
    std::condition_variable wake;
    std::condition_variable done;
    // Changed under lock: a new task, or the end.
    unsigned generation = 0;
    bool stopping = false;
    const TPiece* task = nullptr;
    unsigned taskCount = 0;
    unsigned finished = 0;
    unsigned busyWorkers = 0;
    std::exception_ptr failure;
    std::atomic<unsigned> next{0};
};

} // namespace mv::cipher
