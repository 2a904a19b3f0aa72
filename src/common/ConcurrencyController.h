#pragma once
// How many threads a worker pool runs, decided from what the last stretch of work measured.
// Work that mostly waits (a network share answers every read after milliseconds) goes faster
// with more reads in flight, up to what the storage serves; work that computes, or waits on a
// local disk that answers at once, gains nothing from more threads than it started with.
//
// The pool calls `Next` after each window (a stretch of time in which some jobs finished) with
// what the window measured; the controller answers with the threads for the next window:
// - Grows (doubling, up to `maxThreads`) while the jobs spend most of their time waiting, give
//   up the processor for it (a thread that only waits for a processor, on a machine busy with
//   other programs, is not waiting for the storage) and the processors are not busy: then a
//   waiting thread is a read in flight.
// - Keeps a growth only if the jobs per second rose with it; otherwise it goes back and waits
//   `kRetryWindows` windows before trying again (the share may be as fast as it gets).
// - Shrinks back (halving, not below `minThreads`) once the jobs stop waiting.

#include <QtGlobal>

// What one window of the pool measured.
struct ConcurrencyWindow {
    qsizetype jobs = 0;      // jobs finished in it
    double seconds = 0;      // its length
    double jobSeconds = 0;   // the time those jobs took, summed
    double cpuSeconds = 0;   // the processor time those jobs used, summed
    qint64 waits = 0;        // times those jobs gave up the processor to wait; -1 unknown
};

class ConcurrencyController {
public:
    // A rise of the jobs per second a growth must bring to be kept.
    static constexpr double kGain = 1.15;
    // Share of a job's time spent waiting above which more threads may help.
    static constexpr double kWaiting = 0.5;
    // Share of the processors busy with the jobs above which more threads cannot help.
    static constexpr double kBusy = 0.75;
    // Times a job gives up the processor, on average, for its waiting to be the storage's.
    static constexpr double kWaitsPerJob = 0.5;
    static constexpr int kRetryWindows = 8;

    ConcurrencyController(int minThreads, int maxThreads, int processors);

    int Threads() const { return m_threads; }
    // Takes the figures of the window that ran with `Threads()` threads; returns the threads for
    // the next one.
    int Next(const ConcurrencyWindow& window);

private:
    int m_minThreads;
    int m_maxThreads;
    int m_processors;
    int m_threads;
    int m_beforeGrowth = 0;     // the threads before a growth not judged yet; 0: none
    double m_rateBeforeGrowth = 0;
    int m_holdWindows = 0;      // windows left before growing again after a growth that did not pay
};
