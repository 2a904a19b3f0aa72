#include "platform/PositionedFile.h"
#include "platform/FileIdentity.h"
#include "platform/SystemPath.h"

#include <algorithm>
#include <cerrno>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace platform {

std::string PositionedFile::Identity() const
{
    return m_handle == kClosed ? std::string() : OpenFileIdentity(m_handle);
}

#ifdef _WIN32

namespace {

HANDLE H(std::intptr_t h) { return reinterpret_cast<HANDLE>(h); }

std::error_code LastError() { return {static_cast<int>(GetLastError()), std::system_category()}; }

// At most this much per ReadFile or WriteFile call, whose length is a 32-bit value.
constexpr std::size_t kMaxChunk = 1u << 30;

OVERLAPPED At(std::uint64_t offset)
{
    OVERLAPPED o{};
    o.Offset = static_cast<DWORD>(offset);
    o.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return o;
}

} // namespace

PositionedFile::Status PositionedFile::Open(const std::filesystem::path& path, Access access, Lock lock, Links links)
{
    Close();
    const bool write = access == Access::Write;
    const bool noFollow = links == Links::NoFollow;
    // Others may always read; they may write only while we do not hold the document.
    DWORD share = FILE_SHARE_READ;
    if (!(write && lock == Lock::Exclusive))
        share |= FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    const std::wstring name = SystemPath(path); // long paths too
    // FILE_FLAG_OPEN_REPARSE_POINT opens a link itself, which is then refused below.
    HANDLE h = CreateFileW(name.c_str(), GENERIC_READ | (write ? GENERIC_WRITE : 0), share, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL | (noFollow ? FILE_FLAG_OPEN_REPARSE_POINT : 0), nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD e = GetLastError();
        const std::error_code ec(static_cast<int>(e), std::system_category());
        if (e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND || e == ERROR_INVALID_NAME)
            return {Problem::NotFound, ec};
        if (e == ERROR_SHARING_VIOLATION || e == ERROR_LOCK_VIOLATION)
            return {Problem::Locked, ec};
        if (e == ERROR_ACCESS_DENIED) {
            const DWORD attributes = GetFileAttributesW(name.c_str());
            if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
                return {Problem::Folder, ec};
            if (write && attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
                return {Problem::ReadOnly, ec};
        }
        return {Problem::System, ec};
    }
    const DWORD type = GetFileType(h);
    if (type != FILE_TYPE_DISK) {
        CloseHandle(h);
        return {type == FILE_TYPE_PIPE ? Problem::Fifo : type == FILE_TYPE_CHAR ? Problem::Device : Problem::NotRegular, {}};
    }
    BY_HANDLE_FILE_INFORMATION info{};
    const bool haveInfo = (write || noFollow) && GetFileInformationByHandle(h, &info);
    if (noFollow && (!haveInfo || (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))) {
        const std::error_code ec = haveInfo ? std::error_code() : LastError();
        CloseHandle(h);
        return {haveInfo ? Problem::Link : Problem::System, ec};
    }
    // Also where the system would let a privileged user write a read-only file anyway.
    if (write && haveInfo && (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY)) {
        CloseHandle(h);
        return {Problem::ReadOnly, {}};
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(h, &size)) {
        const std::error_code ec = LastError();
        CloseHandle(h);
        return {Problem::System, ec};
    }
    m_handle = reinterpret_cast<std::intptr_t>(h);
    m_sizeAtOpen = static_cast<std::uint64_t>(size.QuadPart);
    return {};
}

void PositionedFile::Close()
{
    if (m_handle != kClosed)
        CloseHandle(H(m_handle));
    m_handle = kClosed;
}

bool PositionedFile::CurrentSize(std::uint64_t& size, std::error_code& ec) const
{
    LARGE_INTEGER s{};
    if (!GetFileSizeEx(H(m_handle), &s)) {
        ec = LastError();
        return false;
    }
    size = static_cast<std::uint64_t>(s.QuadPart);
    return true;
}

std::size_t PositionedFile::ReadAt(std::uint64_t offset, void* out, std::size_t length, std::error_code& ec) const
{
    std::size_t done = 0;
    while (done < length) {
        OVERLAPPED o = At(offset + done);
        DWORD got = 0;
        if (!ReadFile(H(m_handle), static_cast<char*>(out) + done, static_cast<DWORD>(std::min(length - done, kMaxChunk)),
                      &got, &o)) {
            if (GetLastError() != ERROR_HANDLE_EOF)
                ec = LastError();
            break;
        }
        if (got == 0)
            break;
        done += got;
    }
    return done;
}

bool PositionedFile::WriteAt(std::uint64_t offset, const void* data, std::size_t length, std::error_code& ec)
{
    std::size_t done = 0;
    while (done < length) {
        OVERLAPPED o = At(offset + done);
        DWORD put = 0;
        if (!WriteFile(H(m_handle), static_cast<const char*>(data) + done,
                       static_cast<DWORD>(std::min(length - done, kMaxChunk)), &put, &o)) {
            ec = LastError();
            return false;
        }
        if (put == 0) {
            ec = std::make_error_code(std::errc::io_error);
            return false;
        }
        done += put;
    }
    return true;
}

bool PositionedFile::Sync(std::error_code& ec)
{
    if (!FlushFileBuffers(H(m_handle))) {
        ec = LastError();
        return false;
    }
    return true;
}

bool PositionedFile::Truncate(std::uint64_t size, std::error_code& ec)
{
    FILE_END_OF_FILE_INFO info{};
    info.EndOfFile.QuadPart = static_cast<LONGLONG>(size);
    if (!SetFileInformationByHandle(H(m_handle), FileEndOfFileInfo, &info, sizeof info)) {
        ec = LastError();
        return false;
    }
    return true;
}

#else

namespace {

std::error_code Errno(int e) { return {e, std::generic_category()}; }

// Takes both kinds of whole-file lock without waiting. A file system that has no locks at all
// cannot be protected and is written without one.
PositionedFile::Status TakeWriterLock(int fd)
{
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int e = errno;
        if (e == EWOULDBLOCK || e == EAGAIN)
            return {PositionedFile::Problem::Locked, Errno(e)};
        if (e != ENOLCK && e != EOPNOTSUPP && e != EINVAL)
            return {PositionedFile::Problem::System, Errno(e)};
    }
#ifdef F_OFD_SETLK
    struct flock range{};
    range.l_type = F_WRLCK;
    range.l_whence = SEEK_SET;
    range.l_start = 0;
    range.l_len = 0; // to the end, however far the file grows
    if (::fcntl(fd, F_OFD_SETLK, &range) != 0) {
        const int e = errno;
        if (e == EAGAIN || e == EACCES)
            return {PositionedFile::Problem::Locked, Errno(e)};
        if (e != ENOLCK && e != EOPNOTSUPP && e != EINVAL)
            return {PositionedFile::Problem::System, Errno(e)};
    }
#endif
    return {};
}

} // namespace

PositionedFile::Status PositionedFile::Open(const std::filesystem::path& path, Access access, Lock lock, Links links)
{
    Close();
    const bool write = access == Access::Write;
    // O_NONBLOCK: opening a FIFO or a device must not wait; it changes nothing for regular files.
    const int flags = (write ? O_RDWR : O_RDONLY) | O_CLOEXEC | O_NOCTTY | O_NONBLOCK
        | (links == Links::NoFollow ? O_NOFOLLOW : 0);
    int fd;
    do
        fd = ::open(path.c_str(), flags);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        const int e = errno;
        if (e == ENOENT || e == ENOTDIR)
            return {Problem::NotFound, Errno(e)};
        if (e == EISDIR)
            return {Problem::Folder, Errno(e)};
        if (e == EROFS)
            return {Problem::ReadOnly, Errno(e)};
        // O_NOFOLLOW refuses a link at the path with ELOOP, which also stands for a loop of links
        // among the folders above it.
        if (e == ELOOP && links == Links::NoFollow && IsSymbolicLink(path))
            return {Problem::Link, Errno(e)};
        if (e == ENXIO) {
            // A socket, or a device without its driver: only a look at the path tells which.
            struct stat st{};
            const bool socket = ::stat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode);
            return {socket ? Problem::Socket : Problem::Device, Errno(e)};
        }
        return {Problem::System, Errno(e)};
    }
    struct stat st{};
    Status status;
    if (::fstat(fd, &st) != 0)
        status = {Problem::System, Errno(errno)};
    else if (S_ISDIR(st.st_mode))
        status = {Problem::Folder, {}};
    else if (S_ISFIFO(st.st_mode))
        status = {Problem::Fifo, {}};
    else if (S_ISSOCK(st.st_mode))
        status = {Problem::Socket, {}};
    else if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode))
        status = {Problem::Device, {}};
    else if (!S_ISREG(st.st_mode))
        status = {Problem::NotRegular, {}};
    else if (write && !(st.st_mode & S_IWUSR))
        status = {Problem::ReadOnly, {}};
    else if (write && lock == Lock::Exclusive)
        status = TakeWriterLock(fd);
    if (!status) {
        ::close(fd);
        return status;
    }
    m_handle = fd;
    m_sizeAtOpen = static_cast<std::uint64_t>(st.st_size);
    return status;
}

void PositionedFile::Close()
{
    if (m_handle != kClosed)
        ::close(static_cast<int>(m_handle)); // also drops the locks this description holds
    m_handle = kClosed;
}

bool PositionedFile::CurrentSize(std::uint64_t& size, std::error_code& ec) const
{
    struct stat st{};
    if (::fstat(static_cast<int>(m_handle), &st) != 0) {
        ec = Errno(errno);
        return false;
    }
    size = static_cast<std::uint64_t>(st.st_size);
    return true;
}

std::size_t PositionedFile::ReadAt(std::uint64_t offset, void* out, std::size_t length, std::error_code& ec) const
{
    std::size_t done = 0;
    while (done < length) {
        const ssize_t n = ::pread(static_cast<int>(m_handle), static_cast<char*>(out) + done, length - done,
                                  static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ec = Errno(errno);
            break;
        }
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

bool PositionedFile::WriteAt(std::uint64_t offset, const void* data, std::size_t length, std::error_code& ec)
{
    std::size_t done = 0;
    while (done < length) {
        const ssize_t n = ::pwrite(static_cast<int>(m_handle), static_cast<const char*>(data) + done, length - done,
                                   static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ec = Errno(errno);
            return false;
        }
        if (n == 0) {
            ec = Errno(EIO);
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool PositionedFile::Sync(std::error_code& ec)
{
#ifdef __linux__
    const int rc = ::fdatasync(static_cast<int>(m_handle));
#else
    const int rc = ::fsync(static_cast<int>(handle_));
#endif
    if (rc != 0) {
        ec = Errno(errno);
        return false;
    }
    return true;
}

bool PositionedFile::Truncate(std::uint64_t size, std::error_code& ec)
{
    int rc;
    do
        rc = ::ftruncate(static_cast<int>(m_handle), static_cast<off_t>(size));
    while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        ec = Errno(errno);
        return false;
    }
    return true;
}

#endif

} // namespace platform
