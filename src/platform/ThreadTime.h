#pragma once
// What the calling thread has used so far, for telling work that waits on the storage from
// work that computes (or waits only for a processor).

#include <cstdint>

namespace platform {

struct ThreadUsage {
    double cpuSeconds = 0;   // processor time, user and system
    // Times the thread gave up the processor to wait (a read, a flush, a lock); a thread
    // preempted for another is not counted. -1 where the system does not tell (Windows).
    std::int64_t waits = -1;
};

// The calling thread's figures so far; zeros when the system cannot tell.
ThreadUsage CurrentThreadUsage();

} // namespace platform
