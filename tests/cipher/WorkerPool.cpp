// The worker pool: every piece once, on more than one thread when it has them, signals left to
// the calling thread, failures raised on the calling thread, and the pool still usable after one.
#include "cipher/WorkerPool.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <pthread.h>
#include <set>
#include <stdexcept>

using mv::cipher::TWorkerPool;

TEST(WorkerPool, RunsEveryPieceOnce)
{
    for (const unsigned threads : {1u, 2u, 3u}) {
        TWorkerPool pool(threads);
        EXPECT_EQ(pool.Threads(), threads);
        for (const unsigned count : {0u, 1u, 2u, 5u, 100u}) {
            std::vector<std::atomic<int>> runs(count);
            std::atomic<bool> threadInRange{true};
            pool.Run(count, [&](unsigned i, unsigned thread) {
                runs[i].fetch_add(1);
                if (thread >= threads)
                    threadInRange = false;
            });
            for (unsigned i = 0; i < count; ++i)
                EXPECT_EQ(runs[i].load(), 1) << threads << " threads, piece " << i << "/" << count;
            EXPECT_TRUE(threadInRange);
        }
    }
}

TEST(WorkerPool, PiecesRunSideBySide)
{
    // Each piece waits until all three have begun, which only three threads can give. A pool
    // that ran them one after another would stop at the first; the deadline turns that into a
    // failure instead of a hang.
    TWorkerPool pool(3);
    std::mutex lock;
    std::condition_variable arrived;
    unsigned begun = 0;
    std::set<std::thread::id> ids;
    std::set<unsigned> threadNumbers;
    std::thread::id callerNumberedAs;
    bool allMet = true;
    // Which threads would take a Ctrl-C or a kill: the caller only, whose mask stays as it was.
    std::set<unsigned> takingSignals;
    pool.Run(3, [&](unsigned, unsigned thread) {
        sigset_t mask;
        ::pthread_sigmask(SIG_BLOCK, nullptr, &mask);
        std::unique_lock guard(lock);
        if (!sigismember(&mask, SIGINT) || !sigismember(&mask, SIGTERM))
            takingSignals.insert(thread);
        ++begun;
        ids.insert(std::this_thread::get_id());
        threadNumbers.insert(thread);
        if (thread == 0)
            callerNumberedAs = std::this_thread::get_id();
        arrived.notify_all();
        if (!arrived.wait_for(guard, std::chrono::seconds(30), [&] { return begun == 3; }))
            allMet = false;
    });
    EXPECT_TRUE(allMet);
    EXPECT_EQ(ids.size(), 3u);
    EXPECT_EQ(ids.count(std::this_thread::get_id()), 1u);
    // Each thread has its own number, the calling thread 0.
    EXPECT_EQ(threadNumbers, (std::set<unsigned>{0, 1, 2}));
    EXPECT_EQ(callerNumberedAs, std::this_thread::get_id());
    EXPECT_EQ(takingSignals, std::set<unsigned>{0});
}

TEST(WorkerPool, NoTwoPiecesOfOneThreadOverlap)
{
    // What the pieces may rely on to keep state per thread: a thread's number is never in
    // use twice at once.
    TWorkerPool pool(3);
    std::vector<std::atomic<int>> inUse(3);
    std::atomic<bool> overlapped{false};
    for (int round = 0; round < 50; ++round)
        pool.Run(40, [&](unsigned, unsigned thread) {
            if (inUse[thread].fetch_add(1) != 0)
                overlapped = true;
            std::this_thread::yield();
            inUse[thread].fetch_sub(1);
        });
    EXPECT_FALSE(overlapped);
}

TEST(WorkerPool, FailureReachesTheCallerAfterEveryPieceEnded)
{
    TWorkerPool pool(2);
    std::atomic<int> ended{0};
    try {
        pool.Run(8, [&](unsigned i, unsigned) {
            ended.fetch_add(1);
            if (i == 3)
                throw std::runtime_error("piece 3 failed");
        });
        ADD_FAILURE() << "must raise";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "piece 3 failed");
    }
    EXPECT_EQ(ended.load(), 8);
    // Still usable, and the failure does not come back.
    std::atomic<int> again{0};
    EXPECT_NO_THROW(pool.Run(4, [&](unsigned, unsigned) { again.fetch_add(1); }));
    EXPECT_EQ(again.load(), 4);
}

TEST(WorkerPool, ManySmallTasksInARow)
{
    // Workers that wake late for a task that has already ended must sit it out, not take
    // pieces of the next one.
    TWorkerPool pool(3);
    for (unsigned task = 0; task < 2000; ++task) {
        std::vector<std::atomic<unsigned>> seen(4);
        pool.Run(4, [&](unsigned i, unsigned) { seen[i].fetch_add(task + 1); });
        for (unsigned i = 0; i < 4; ++i)
            ASSERT_EQ(seen[i].load(), task + 1) << "task " << task << " piece " << i;
    }
}
