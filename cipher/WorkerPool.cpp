#include "cipher/WorkerPool.h"

#include <algorithm>
#include <csignal>
#include <pthread.h>

namespace mv::cipher {

TWorkerPool::TWorkerPool(unsigned threads)
{
    if (threads == 0)
        threads = std::max(1u, std::thread::hardware_concurrency());
    workers.reserve(threads - 1);
    // The pool's threads take no signals: a program that catches them (a terminal's Ctrl-C, a
    // kill) sees them on its own thread, which a blocking read or write there then gives back.
    // A new thread inherits the mask it is started with.
    sigset_t all;
    sigset_t previous;
    sigfillset(&all);
    ::pthread_sigmask(SIG_BLOCK, &all, &previous);
    try {
        for (unsigned i = 1; i < threads; ++i)
            workers.emplace_back([this, i] { WorkerLoop(i); });
        ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    } catch (...) {
        ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        // The threads already running must end before the members they use go.
        {
            std::lock_guard guard(lock);
            stopping = true;
        }
        wake.notify_all();
        for (auto& worker : workers)
            worker.join();
        throw;
    }
}

TWorkerPool::~TWorkerPool()
{
    {
        std::lock_guard guard(lock);
        stopping = true;
    }
    wake.notify_all();
    for (auto& worker : workers)
        worker.join();
}

void TWorkerPool::Drain(const TPiece& piece, unsigned count, unsigned thread)
{
    for (unsigned i = next.fetch_add(1); i < count; i = next.fetch_add(1)) {
        std::exception_ptr raised;
        try {
            piece(i, thread);
        } catch (...) {
            raised = std::current_exception();
        }
        std::lock_guard guard(lock);
        if (raised && !failure)
            failure = raised;
        if (++finished == count)
            done.notify_all();
    }
}

void TWorkerPool::WorkerLoop(unsigned thread)
{
    unsigned seen = 0;
    std::unique_lock guard(lock);
    for (;;) {
        wake.wait(guard, [&] { return stopping || generation != seen; });
        if (stopping)
            return;
        seen = generation;
        // A worker that wakes only after its task has ended has nothing to do.
        if (task == nullptr)
            continue;
        const auto* piece = task;
        const unsigned count = taskCount;
        ++busyWorkers;
        guard.unlock();
        Drain(*piece, count, thread);
        guard.lock();
        // Run returns only once no worker is left inside Drain, so a late worker can never
        // take a piece of the next task with this task's function.
        if (--busyWorkers == 0)
            done.notify_all();
    }
}

void TWorkerPool::Run(unsigned count, const TPiece& piece)
{
    if (count == 0)
        return;
    if (workers.empty() || count == 1) {
        for (unsigned i = 0; i < count; ++i)
            piece(i, 0);
        return;
    }
    {
        std::lock_guard guard(lock);
        task = &piece;
        taskCount = count;
        finished = 0;
        failure = nullptr;
        next.store(0);
        ++generation;
    }
    wake.notify_all();
    Drain(piece, count, 0);
    std::unique_lock guard(lock);
    done.wait(guard, [&] { return finished == count && busyWorkers == 0; });
    task = nullptr;
    if (failure) {
        auto raised = failure;
        failure = nullptr;
        std::rethrow_exception(raised);
    }
}

} // namespace mv::cipher
