#pragma once
// One running instance per user: a named lock that the first process takes and keeps until it
// ends. On Windows it is a named mutex; elsewhere an exclusive flock on a file named after the
// lock in UserRuntimeDir(). Either way the system drops it when the owning process dies, also
// when it is killed, so a crashed instance never blocks the next start.
// KRDL_RUNTIME_DIR gives runs their own lock: elsewhere as the lock file's folder, on Windows as
// a part of the mutex's and the pipe's names.

#include <cstdint>
#include <filesystem>
#include <string>

namespace platform {

class InstanceLock {
public:
    // Tries to take the lock at once; never waits.
    explicit InstanceLock(const std::string& name);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // True when another process (or another InstanceLock of this process) holds the lock.
    bool HeldElsewhere() const { return m_heldElsewhere; }
    // True when this object holds the lock. Both are false when the lock could not be
    // created at all (no runtime folder, no mutex): the caller then runs as the only instance.
    bool Owned() const;

    // The file that stands for the lock where there is no named mutex; empty on Windows.
    static std::filesystem::path LockFilePath(const std::string& name);

private:
#ifdef _WIN32
    void* m_handle = nullptr;
#else
    int m_fd = -1;
#endif
    bool m_heldElsewhere = false;
};

// The single-instance test of start-up: true when another instance holds the lock under this
// name. Otherwise this process now holds it (when it could be created at all) until it ends.
bool InstanceAlreadyRunning(const std::string& name);

// Where the instance that holds the lock `name` listens for the files of later starts, as a local
// socket name: a socket file beside the lock file (the per-user runtime folder); on Windows a
// pipe name with the user's session and name in it.
std::string InstanceChannelName(const std::string& name);

// True when the process at the other end of the connected local socket runs as this user, or
// when the system cannot tell (Windows: the pipe's access list admits only this user).
bool PeerIsThisUser(std::intptr_t socketDescriptor);

// Lets the running instance bring its window to the front when this start, which the user just
// launched and which may do so, hands it files (Windows keeps that right from other processes).
void AllowOtherInstanceToComeToFront();

} // namespace platform
