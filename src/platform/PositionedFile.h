#pragma once
// A file read and written at explicit offsets: no file position, no buffer of our own, one
// system call per read or write (pread/pwrite on POSIX, ReadFile/WriteFile with an offset on
// Windows). Opening never creates, truncates or waits: a FIFO or device is reported as what it
// is instead of blocking.
//
// A file opened for writing with `Lock::Exclusive` is held against other writers until it is
// closed: on POSIX with an open file description lock and a flock on the whole file (so that
// programs using either kind see it), on Windows with a share mode that lets others read but
// not write. Readers never take a lock and are never refused because of one. The system drops
// the lock when the process dies.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>

namespace platform {

class PositionedFile {
public:
    enum class Access { Read, Write };
    enum class Lock { None, Exclusive };
    // NoFollow: a symbolic link at the path (on Windows, any reparse point) is refused (Problem::
    // Link) instead of opening what it points to.
    enum class Links { Follow, NoFollow };

    // Why Open failed; `ec` carries the system's own code where there is one.
    enum class Problem { None, NotFound, Folder, Fifo, Socket, Device, NotRegular, Link, ReadOnly, Locked, System };
    struct Status {
        Problem problem = Problem::None;
        std::error_code ec;
        explicit operator bool() const { return problem == Problem::None; }
    };

    PositionedFile() = default;
    ~PositionedFile() { Close(); }
    PositionedFile(const PositionedFile&) = delete;
    PositionedFile& operator=(const PositionedFile&) = delete;

    // Opens an existing regular file. For writing, a file without its owner's write permission
    // counts as read-only also for a privileged user, who could otherwise write it anyway.
    // Closes a file that was open before.
    Status Open(const std::filesystem::path& path, Access access, Lock lock = Lock::None, Links links = Links::Follow);
    void Close();
    bool IsOpen() const { return m_handle != kClosed; }

    // platform::FileIdentity of the open file: the file itself, whatever its path names now.
    std::string Identity() const;
    // The length found when the file was opened.
    std::uint64_t SizeAtOpen() const { return m_sizeAtOpen; }
    // The length now, asked of the system.
    bool CurrentSize(std::uint64_t& size, std::error_code& ec) const;

    // Reads up to `length` bytes at `offset`, fewer only at the end of the file. Returns the
    // number read; on a failure also sets `ec`.
    std::size_t ReadAt(std::uint64_t offset, void* out, std::size_t length, std::error_code& ec) const;
    // Writes all `length` bytes at `offset`, growing the file when needed.
    bool WriteAt(std::uint64_t offset, const void* data, std::size_t length, std::error_code& ec);
    // Makes what was written durable on the disk (fdatasync / FlushFileBuffers).
    bool Sync(std::error_code& ec);
    // Cuts the file (or extends it with zeros) to `size` bytes.
    bool Truncate(std::uint64_t size, std::error_code& ec);

private:
    static constexpr std::intptr_t kClosed = -1;
    std::intptr_t m_handle = kClosed; // a file descriptor, or a Windows HANDLE
    std::uint64_t m_sizeAtOpen = 0;
};

} // namespace platform
