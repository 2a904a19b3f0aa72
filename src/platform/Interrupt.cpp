#include "platform/Interrupt.h"

#include <atomic>
#include <csignal>
#include <cstring>
#include <iterator>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace platform {

namespace {

std::atomic<int> requests{0};
int exitCode = 1;

// The pending temporary file's name, readable from a signal handler: the handler only looks
// at it while `pendingValid` is set, and the writer clears that flag before changing it.
#ifdef _WIN32
wchar_t pendingName[32768];
#else
char pendingName[4096];
#endif
volatile std::sig_atomic_t pendingValid = 0;

void RemovePending()
{
    if (!pendingValid)
        return;
#ifdef _WIN32
    ::DeleteFileW(pendingName);
#else
    ::unlink(pendingName);
#endif
}

#ifdef _WIN32
BOOL WINAPI OnConsoleEvent(DWORD)
{
    if (requests.fetch_add(1) > 0) {
        RemovePending();
        ::ExitProcess(UINT(exitCode));
    }
    return TRUE;
}
#else
extern "C" void OnSignal(int)
{
    if (requests.fetch_add(1) > 0) {
        RemovePending();
        ::_exit(exitCode);
    }
}
#endif

} // namespace

void InstallInterruptHandlers(int exitCodeOnSecondRequest)
{
    exitCode = exitCodeOnSecondRequest;
    KeepRunningPastFileSizeLimit();
#ifdef _WIN32
    ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
#else
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int sig : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(sig, &action, nullptr);
#endif
}

bool InterruptRequested()
{
    return requests.load() > 0;
}

void KeepRunningPastFileSizeLimit()
{
#ifndef _WIN32
    std::signal(SIGXFSZ, SIG_IGN);
#endif
}

namespace detail {

void SetPendingTemporaryFile(const std::filesystem::path& path)
{
    pendingValid = 0;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    const auto& native = path.native();
    if (native.empty() || native.size() >= std::size(pendingName))
        return;
    std::memcpy(pendingName, native.c_str(), (native.size() + 1) * sizeof(pendingName[0]));
    std::atomic_signal_fence(std::memory_order_seq_cst);
    pendingValid = 1;
}

} // namespace detail

} // namespace platform
