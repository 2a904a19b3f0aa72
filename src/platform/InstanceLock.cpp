#include "platform/InstanceLock.h"

#include "platform/Paths.h"

#include <memory>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace platform {

#ifdef _WIN32

std::filesystem::path InstanceLock::lockFilePath(const std::string&)
{
    return {};
}

InstanceLock::InstanceLock(const std::string& name)
{
    const int n = MultiByteToWideChar(CP_UTF8, 0, name.data(), int(name.size()), nullptr, 0);
    std::wstring wname(size_t(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, name.data(), int(name.size()), wname.data(), n);
    HANDLE h = CreateMutexW(nullptr, TRUE, wname.c_str());
    if (!h)
        return; // could not be created: run as the only instance
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        heldElsewhere_ = true;
        CloseHandle(h);
        return;
    }
    handle_ = h;
}

InstanceLock::~InstanceLock()
{
    if (handle_) {
        ReleaseMutex(static_cast<HANDLE>(handle_));
        CloseHandle(static_cast<HANDLE>(handle_));
    }
}

bool InstanceLock::owned() const
{
    return handle_ != nullptr;
}

#else

std::filesystem::path InstanceLock::lockFilePath(const std::string& name)
{
    return UserRuntimeDir() / (name + ".lock");
}

InstanceLock::InstanceLock(const std::string& name)
{
    const auto path = lockFilePath(name);
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    // Never through a link, and only a file of our own: a lock file planted by someone else
    // in a shared folder must not keep the program from starting.
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return; // no lock file: run as the only instance
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::getuid()) {
        ::close(fd);
        return;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        heldElsewhere_ = errno == EWOULDBLOCK;
        ::close(fd);
        return;
    }
    fd_ = fd;
}

InstanceLock::~InstanceLock()
{
    if (fd_ >= 0)
        ::close(fd_); // closing the last descriptor drops the lock
}

bool InstanceLock::owned() const
{
    return fd_ >= 0;
}

#endif

bool InstanceAlreadyRunning(const std::string& name)
{
    // The lock of this process lives until the process ends.
    static std::unique_ptr<InstanceLock> held;
    auto lock = std::make_unique<InstanceLock>(name);
    if (lock->heldElsewhere())
        return true;
    if (lock->owned())
        held = std::move(lock);
    return false;
}

} // namespace platform
