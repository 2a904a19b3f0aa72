#include "platform/InstanceLock.h"

#include "platform/Paths.h"
#include "text/Utf8.h"

#include <memory>
#include <system_error>

#ifdef _WIN32
#include <windows.h>

#include <cstdint>
#include <cwchar>
#include <string>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>
#endif

namespace platform {

#ifdef _WIN32

namespace {

// The name of a lock and of its pipe. KRDL_RUNTIME_DIR, which elsewhere gives the lock file a
// folder of its own, gives them a name of their own here (from the folder's, FNV-1a), so that
// runs of tests that each name their own folder never meet. The folder is taken as the system
// finds it, whatever the spelling: absolute, either separator, no "." or "..", no trailing
// separator, any letter case; two spellings of one folder must never give two instances.
std::string ScopedName(const std::string& name)
{
    const wchar_t* variable = _wgetenv(L"KRDL_RUNTIME_DIR");
    if (!variable || !*variable)
        return name;
    std::error_code ec;
    const std::filesystem::path folder = UserRuntimeDir();
    std::wstring key = std::filesystem::absolute(folder, ec).lexically_normal().native();
    if (ec)
        key = folder.lexically_normal().native();
    while (key.size() > 1 && key.back() == L'\\' && key[key.size() - 2] != L':')
        key.pop_back();
    if (!key.empty())
        CharUpperBuffW(key.data(), DWORD(key.size()));
    std::uint64_t hash = 14695981039346656037ull;
    for (const wchar_t c : key)
        hash = (hash ^ std::uint64_t(c)) * 1099511628211ull;
    return name + "-" + std::to_string(hash);
}

} // namespace

std::filesystem::path InstanceLock::LockFilePath(const std::string&)
{
    return {};
}

InstanceLock::InstanceLock(const std::string& name)
{
    const std::wstring wname = text::WideFromUtf8(ScopedName(name));
    HANDLE h = CreateMutexW(nullptr, TRUE, wname.c_str());
    if (!h)
        return; // could not be created: run as the only instance
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        m_heldElsewhere = true;
        CloseHandle(h);
        return;
    }
    m_handle = h;
}

InstanceLock::~InstanceLock()
{
    if (m_handle) {
        ReleaseMutex(static_cast<HANDLE>(m_handle));
        CloseHandle(static_cast<HANDLE>(m_handle));
    }
}

bool InstanceLock::Owned() const
{
    return m_handle != nullptr;
}

#else

std::filesystem::path InstanceLock::LockFilePath(const std::string& name)
{
    return UserRuntimeDir() / (name + ".lock");
}

InstanceLock::InstanceLock(const std::string& name)
{
    const auto path = LockFilePath(name);
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
        m_heldElsewhere = errno == EWOULDBLOCK;
        ::close(fd);
        return;
    }
    m_fd = fd;
}

InstanceLock::~InstanceLock()
{
    if (m_fd >= 0)
        ::close(m_fd); // closing the last descriptor drops the lock
}

bool InstanceLock::Owned() const
{
    return m_fd >= 0;
}

#endif

bool InstanceAlreadyRunning(const std::string& name)
{
    // The lock of this process lives until the process ends.
    static std::unique_ptr<InstanceLock> held;
    auto lock = std::make_unique<InstanceLock>(name);
    if (lock->HeldElsewhere())
        return true;
    if (lock->Owned())
        held = std::move(lock);
    return false;
}

#ifdef _WIN32

std::string InstanceChannelName(const std::string& name)
{
    DWORD session = 0;
    ProcessIdToSessionId(GetCurrentProcessId(), &session);
    wchar_t user[257] = {};
    DWORD length = 257;
    if (!GetUserNameW(user, &length))
        user[0] = L'\0';
    return ScopedName(name) + "-" + std::to_string(session) + "-" + text::Utf8FromWide(user, std::wcslen(user));
}

bool PeerIsThisUser(std::intptr_t)
{
    return true;
}

void AllowOtherInstanceToComeToFront()
{
    AllowSetForegroundWindow(ASFW_ANY);
}

#else

std::string InstanceChannelName(const std::string& name)
{
    return (UserRuntimeDir() / (name + ".socket")).string();
}

bool PeerIsThisUser(std::intptr_t socketDescriptor)
{
    const int fd = int(socketDescriptor);
#if defined(SO_PEERCRED)
    struct ucred peer {};
    socklen_t size = sizeof peer;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0)
        return false;
    return peer.uid == ::getuid();
#else
    uid_t uid = 0;
    gid_t gid = 0;
    if (::getpeereid(fd, &uid, &gid) != 0)
        return false;
    return uid == ::getuid();
#endif
}

void AllowOtherInstanceToComeToFront() {}

#endif

} // namespace platform
