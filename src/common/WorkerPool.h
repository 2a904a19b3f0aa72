#pragma once
// One job per item of a list, run on a few threads at once: work that mostly waits for the disk
// or a network share, such as reading or writing many documents. Every caller gets the same
// rules:
// - Stop: once `stop` says true, no job that has not begun is begun; a running job is finished.
//   Jobs are handed out in index order, so those left are the last ones.
// - Progress: `progress` runs on the calling thread whenever jobs have finished (several at once
//   are merged into one call), with how many have finished; it may run the caller's event loop.
// - Errors: an exception out of a job never leaves the pool. `failed` gets it on the worker's
//   thread and the other jobs go on. An exception out of `progress` (the caller's own) stops the
//   handing out of jobs and is thrown again once every thread has ended.
//
//     WorkerPoolOptions pool;
//     pool.stop = [&] { return token.stop_requested(); };
//     pool.progress = [&](qsizetype done, qsizetype total) { bar->setValue(done); };
//     RunWorkers(paths.size(), pool, [&](qsizetype i) { Read(paths[i], results[i]); },
//                [&](qsizetype i, const std::exception_ptr& e) { results[i].error = FailureText(e, what); });

#include <QString>
#include <QtGlobal>

#include <exception>
#include <functional>

struct WorkerPoolOptions {
    // Threads at once; at least one, never more than there are jobs.
    int threads = 8;
    // Above `threads`: the pool may run up to this many threads while its jobs mostly wait (a
    // network share's latency), as `ConcurrencyController` decides from what it measures, and
    // goes back to `threads` when they stop waiting. At or below `threads`: always `threads`.
    int maxThreads = 0;
    // Asked from any thread before each job is handed out.
    std::function<bool()> stop;
    std::function<void(qsizetype done, qsizetype total)> progress;
};

// Runs job(index) for every index from 0 to count-1 that is handed out before a stop; returns
// when every thread has ended. `failed` must not throw.
void RunWorkers(qsizetype count, const WorkerPoolOptions& options, const std::function<void(qsizetype index)>& job,
                const std::function<void(qsizetype index, const std::exception_ptr& error)>& failed);

// The message of a job's failure: a KrdlError's own (it names the file already), otherwise
// `context` + ": " + what the exception says ("out of memory" for std::bad_alloc).
QString FailureText(const std::exception_ptr& error, const QString& context);
