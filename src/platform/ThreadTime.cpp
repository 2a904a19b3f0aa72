#include "platform/ThreadTime.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#endif

namespace platform {

ThreadUsage CurrentThreadUsage()
{
    ThreadUsage usage;
#ifdef _WIN32
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user))
        return usage;
    const auto ticks = [](const FILETIME& t) { return std::uint64_t(t.dwHighDateTime) << 32 | t.dwLowDateTime; };
    usage.cpuSeconds = double(ticks(kernel) + ticks(user)) / 1e7; // 100-nanosecond units
#else
    rusage thread{};
    if (getrusage(RUSAGE_THREAD, &thread) != 0)
        return usage;
    usage.cpuSeconds = double(thread.ru_utime.tv_sec + thread.ru_stime.tv_sec)
        + double(thread.ru_utime.tv_usec + thread.ru_stime.tv_usec) / 1e6;
    usage.waits = thread.ru_nvcsw;
#endif
    return usage;
}

} // namespace platform
