#include "common/WorkerPool.h"

#include "common/Error.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

using namespace Qt::StringLiterals;

void RunWorkers(qsizetype count, const WorkerPoolOptions& options, const std::function<void(qsizetype index)>& job,
                const std::function<void(qsizetype index, const std::exception_ptr& error)>& failed)
{
    if (count <= 0)
        return;
    std::atomic<qsizetype> next{0};
    std::atomic<bool> abandon{false}; // the caller's progress callback threw
    std::mutex mutex;
    std::condition_variable changed;
    qsizetype finished = 0; // guarded by mutex
    const int threads = static_cast<int>(std::clamp<qsizetype>(options.threads, 1, count));
    int running = threads;  // guarded by mutex

    const auto work = [&] {
        for (;;) {
            // Asked before an index is taken: a job that waits for the jobs before it (they
            // were all handed out already) never waits for one that is not begun.
            if (abandon || (options.stop && options.stop()))
                break;
            const qsizetype i = next.fetch_add(1);
            if (i >= count)
                break;
            try {
                job(i);
            } catch (...) {
                failed(i, std::current_exception());
            }
            {
                const std::lock_guard lock(mutex);
                ++finished;
            }
            changed.notify_one();
        }
        {
            const std::lock_guard lock(mutex);
            --running;
        }
        changed.notify_one();
    };

    std::vector<std::jthread> pool;
    pool.reserve(static_cast<std::size_t>(threads));
    for (int t = 0; t < threads; ++t)
        pool.emplace_back(work);

    std::exception_ptr failure;
    qsizetype reported = 0;
    for (;;) {
        qsizetype done;
        bool over;
        {
            std::unique_lock lock(mutex);
            changed.wait(lock, [&] { return finished != reported || running == 0; });
            done = finished;
            over = running == 0;
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
