#include "common/WorkerPool.h"

#include "common/ConcurrencyController.h"
#include "common/Error.h"
#include "platform/ThreadTime.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// How long the pool measures before the controller decides again, and how many jobs per thread
// a window needs to say anything.
constexpr auto kWindow = std::chrono::milliseconds(100);
constexpr qsizetype kJobsPerThread = 2;
// Every how many jobs of a thread its processor time and waits are read: a read is a system
// call of about a microsecond, a few per cent of a job on a local disk. The readings count for
// the jobs between them, so the window's sums stay estimates of all its jobs.
constexpr int kUsageEvery = 4;

double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

} // namespace

void RunWorkers(qsizetype count, const WorkerPoolOptions& options, const std::function<void(qsizetype index)>& job,
                const std::function<void(qsizetype index, const std::exception_ptr& error)>& failed)
{
    if (count <= 0)
        return;
    std::atomic<qsizetype> next{0};
    std::atomic<bool> abandon{false}; // the caller's progress callback threw
    std::atomic<bool> handedOut{false}; // every job is handed out, or none will be any more
    std::mutex mutex;
    std::condition_variable changed;
    std::condition_variable wanted; // `active` rose or `handedOut` became true
    qsizetype finished = 0; // guarded by mutex
    ConcurrencyWindow window; // guarded by mutex: the jobs finished since the last decision
    const int threads = static_cast<int>(std::clamp<qsizetype>(options.threads, 1, count));
    const int maxThreads = static_cast<int>(std::clamp<qsizetype>(options.maxThreads, threads, count));
    const bool adaptive = maxThreads > threads;
    ConcurrencyController controller(threads, maxThreads, static_cast<int>(std::max(1u, std::thread::hardware_concurrency())));
    // Threads numbered from `active` on wait; changed under the mutex, read without it by a
    // thread that runs (a job costs one lock less).
    std::atomic<int> active{threads};
    int running = threads;  // guarded by mutex

    const auto work = [&](int number) {
        int untilUsage = 0; // jobs of this thread before its usage is read again
        for (;;) {
            if (adaptive && number >= active) {
                std::unique_lock lock(mutex);
                wanted.wait(lock, [&] { return number < active || handedOut; });
            }
            // Asked before an index is taken: a job that waits for the jobs before it (they
            // were all handed out already) never waits for one that is not begun.
            if (abandon || (options.stop && options.stop()))
                break;
            const qsizetype i = next.fetch_add(1);
            if (i >= count)
                break;
            const auto began = std::chrono::steady_clock::now();
            const bool sampled = adaptive && untilUsage-- == 0;
            if (sampled)
                untilUsage = kUsageEvery - 1;
            const platform::ThreadUsage before = sampled ? platform::CurrentThreadUsage() : platform::ThreadUsage{};
            try {
                job(i);
            } catch (...) {
                failed(i, std::current_exception());
            }
            // Read before the lock: a wait for it is the pool's, not the job's.
            const platform::ThreadUsage after = sampled ? platform::CurrentThreadUsage() : platform::ThreadUsage{};
            const double seconds = adaptive ? Seconds(std::chrono::steady_clock::now() - began) : 0;
            {
                const std::lock_guard lock(mutex);
                ++finished;
                if (adaptive) {
                    ++window.jobs;
                    window.jobSeconds += seconds;
                    if (sampled) {
                        window.cpuSeconds += kUsageEvery * (after.cpuSeconds - before.cpuSeconds);
                        window.waits = after.waits < 0 || window.waits < 0
                                           ? -1
                                           : window.waits + kUsageEvery * (after.waits - before.waits);
                    }
                }
            }
            changed.notify_one();
        }
        {
            const std::lock_guard lock(mutex);
            --running;
            handedOut = true;
        }
        wanted.notify_all();
        changed.notify_one();
    };

    std::vector<std::jthread> pool;
    pool.reserve(static_cast<std::size_t>(maxThreads));
    for (int t = 0; t < threads; ++t)
        pool.emplace_back(work, t);

    std::exception_ptr failure;
    qsizetype reported = 0;
    auto windowStart = std::chrono::steady_clock::now();
    for (;;) {
        qsizetype done;
        bool over;
        {
            std::unique_lock lock(mutex);
            const auto ready = [&] { return finished != reported || running == 0; };
            // Past the window's end it needs jobs to finish, not time to pass.
            if (adaptive && std::chrono::steady_clock::now() < windowStart + kWindow)
                changed.wait_until(lock, windowStart + kWindow, ready);
            else
                changed.wait(lock, ready);
            done = finished;
            over = running == 0;
            const auto now = std::chrono::steady_clock::now();
            if (adaptive && !over && now - windowStart >= kWindow && window.jobs >= kJobsPerThread * active) {
                window.seconds = Seconds(now - windowStart);
                const int target = controller.Next(window);
                window = {};
                windowStart = now;
                if (target != active) {
                    // A system out of threads keeps the pool at what it has: the threads use
                    // this frame, so no error may leave it.
                    for (int t = static_cast<int>(pool.size()); t < target; ++t) {
                        try {
                            pool.emplace_back(work, t);
                        } catch (const std::system_error&) {
                            break;
                        }
                        ++running; // it ends under this mutex, held here
                    }
                    active = std::min(target, static_cast<int>(pool.size()));
                    wanted.notify_all();
                }
            }
        }
        if (done != reported && options.progress && !failure) {
            try {
                options.progress(done, count);
            } catch (...) {
                // The threads use this frame: they stop before the error goes on.
                failure = std::current_exception();
                abandon = true;
            }
        }
        reported = done;
        if (over)
            break;
    }
    pool.clear(); // joins
    if (failure)
        std::rethrow_exception(failure);
}

QString FailureText(const std::exception_ptr& error, const QString& context)
{
    try {
        std::rethrow_exception(error);
    } catch (const KrdlError& e) {
        return e.Message();
    } catch (const std::bad_alloc&) {
        return context + u": out of memory"_s;
    } catch (const std::exception& e) {
        return context + u": "_s + QString::fromUtf8(e.what());
    } catch (...) {
        return context + u": unknown error"_s;
    }
}
