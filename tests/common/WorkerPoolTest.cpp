// The worker pool's rules for stop, errors and progress.

#include "common/Error.h"
#include "common/WorkerPool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

using namespace Qt::StringLiterals;

TEST(RunWorkers, AJobsErrorIsThatJobsAndTheOthersRun)
{
    std::vector<std::atomic<int>> ran(12);
    std::vector<QString> errors(12);
    WorkerPoolOptions options;
    options.threads = 3;
    RunWorkers(
        12, options,
        [&](qsizetype i) {
            ++ran[std::size_t(i)];
            if (i == 2)
                throw KrdlError(u"Cannot read file \"b\": damaged"_s);
            if (i == 5)
                throw std::runtime_error("share gone");
            if (i == 7)
                throw 7; // not even a std::exception
        },
        [&](qsizetype i, const std::exception_ptr& error) { errors[std::size_t(i)] = FailureText(error, u"At %1"_s.arg(i)); });
    for (std::size_t i = 0; i < ran.size(); ++i)
        EXPECT_EQ(ran[i], 1) << i;
    EXPECT_EQ(errors[2], u"Cannot read file \"b\": damaged"_s);
    EXPECT_EQ(errors[5], u"At 5: share gone"_s);
    EXPECT_EQ(errors[7], u"At 7: unknown error"_s);
    EXPECT_TRUE(errors[0].isEmpty() && errors[11].isEmpty());
}

TEST(RunWorkers, StopLeavesTheRestUnbegunAndAProgressErrorWaitsForTheThreads)
{
    // One thread takes the jobs in order, and the stop is asked before each.
    std::atomic<int> begun{0};
    std::atomic<int> ended{0};
    WorkerPoolOptions options;
    options.threads = 1;
    options.stop = [&] { return begun >= 2; };
    const auto none = [](qsizetype, const std::exception_ptr&) {};
    RunWorkers(10, options, [&](qsizetype) { ++begun; }, none);
    EXPECT_EQ(begun, 2);

    // The caller's error comes back only after the jobs in flight have ended: they use its frame.
    begun = 0;
    std::atomic<bool> thrown{false};
    options.threads = 3;
    options.stop = nullptr;
    options.progress = [&](qsizetype, qsizetype) {
        thrown = true;
        throw std::runtime_error("from the caller");
    };
    const auto job = [&](qsizetype i) {
        ++begun;
        while (i >= 1 && !thrown)
            std::this_thread::yield();
        ++ended;
    };
    EXPECT_THROW(RunWorkers(50, options, job, none), std::runtime_error);
    EXPECT_EQ(ended, begun);
}

TEST(RunWorkers, AGrowingPoolRunsEveryJobOnceAndStaysUnderItsCap)
{
    // Jobs that only wait: the pool may grow, and threads beyond the cap must never run.
    constexpr int kCap = 12;
    std::vector<std::atomic<int>> ran(300);
    std::atomic<int> inFlight{0};
    std::atomic<int> mostInFlight{0};
    WorkerPoolOptions options;
    options.threads = 2;
    options.maxThreads = kCap;
    RunWorkers(
        300, options,
        [&](qsizetype i) {
            const int now = ++inFlight;
            for (int seen = mostInFlight; now > seen && !mostInFlight.compare_exchange_weak(seen, now);) {
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            ++ran[std::size_t(i)];
            --inFlight;
        },
        [](qsizetype, const std::exception_ptr&) {});
    for (std::size_t i = 0; i < ran.size(); ++i)
        ASSERT_EQ(ran[i], 1) << i;
    EXPECT_LE(mostInFlight, kCap);
}
