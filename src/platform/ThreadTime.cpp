#include "platform/ThreadTime.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <time.h>
#endif

namespace platform {

double ThreadCpuSeconds()
{
#ifdef _WIN32
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user))
        return 0;
    const auto ticks = [](const FILETIME& t) { return (unsigned long long)t.dwHighDateTime << 32 | t.dwLowDateTime; };
    return double(ticks(kernel) + ticks(user)) / 1e7; // 100-nanosecond units
#else
    timespec now{};
    if (clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now) != 0)
        return 0;
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
#endif
}

} // namespace platform
