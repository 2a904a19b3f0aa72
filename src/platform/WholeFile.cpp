#include "platform/WholeFile.h"
#include "platform/DiskSync.h"
#include "platform/SystemPath.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace platform {

namespace {

// The error for something that exists but is not a regular file.
std::error_code NotRegular(std::filesystem::file_type type)
{
    return std::make_error_code(type == std::filesystem::file_type::directory ? std::errc::is_a_directory
                                                                              : std::errc::not_supported);
}

// Looked at before a read opens the file: opening a device can have effects of its own.
bool IsRegularFile(const std::filesystem::path& path, std::error_code& ec)
{
    const auto status = std::filesystem::status(path, ec);
    if (ec)
        return false;
    if (status.type() != std::filesystem::file_type::regular) {
        ec = NotRegular(status.type());
        return false;
    }
    return true;
}

// A name for the new file beside `target` that no other writer picks at the same moment.
std::filesystem::path TemporaryBeside(const std::filesystem::path& target, unsigned attempt)
{
    static std::atomic<unsigned> counter{0};
    const auto now = static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
    std::filesystem::path name = ".";
    name += target.filename().native();
    name += ".krdl-" + std::to_string(now % 1000000007ull) + "-" + std::to_string(counter++) + "-" + std::to_string(attempt);
    return target.parent_path() / name;
}

// Where the bytes really go: the target of a symbolic link, else `path` itself.
bool ResolveTarget(const std::filesystem::path& path, std::filesystem::path& target, std::error_code& ec)
{
    target = path;
    const auto link = std::filesystem::symlink_status(path, ec);
    if (ec && link.type() != std::filesystem::file_type::not_found)
        return false;
    ec.clear();
    if (link.type() == std::filesystem::file_type::symlink) {
        target = std::filesystem::weakly_canonical(path, ec);
        if (ec)
            return false;
    }
    const auto status = std::filesystem::status(target, ec);
    if (ec && status.type() != std::filesystem::file_type::not_found)
        return false;
    ec.clear();
    if (status.type() != std::filesystem::file_type::not_found && status.type() != std::filesystem::file_type::regular) {
        ec = NotRegular(status.type());
        return false;
    }
    return true;
}

} // namespace

#ifndef _WIN32

namespace {

std::error_code ErrnoCode(int e)
{
    return std::error_code(e, std::generic_category());
}

bool WriteAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= std::size_t(n);
    }
    return true;
}

} // namespace

bool ReadRegularFile(const std::filesystem::path& path, std::string& bytes, std::error_code& ec)
{
    bytes.clear();
    if (!IsRegularFile(path, ec))
        return false;
    // Non-blocking, so that a FIFO put there after the look still cannot stop the program.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        ec = ErrnoCode(errno);
        return false;
    }
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0;
    if (!ok)
        ec = ErrnoCode(errno);
    else if (!S_ISREG(st.st_mode)) {
        ec = NotRegular(S_ISDIR(st.st_mode) ? std::filesystem::file_type::directory : std::filesystem::file_type::unknown);
        ok = false;
    }
    if (ok)
        bytes.reserve(std::size_t(st.st_size));
    char buffer[65536];
    while (ok) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ec = ErrnoCode(errno);
            ok = false;
            break;
        }
        bytes.append(buffer, std::size_t(n));
    }
    ::close(fd);
    if (!ok)
        bytes.clear();
    return ok;
}

bool ReplaceWholeFile(const std::filesystem::path& path, const std::string& bytes, std::error_code& ec)
{
    ec.clear();
    std::filesystem::path target;
    if (!ResolveTarget(path, target, ec))
        return false;
    struct stat old {};
    const bool existed = ::stat(target.c_str(), &old) == 0;

    std::filesystem::path temp;
    int fd = -1;
    for (unsigned attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = TemporaryBeside(target, attempt);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        if (fd < 0 && errno != EEXIST) {
            ec = ErrnoCode(errno);
            return false;
        }
    }
    if (fd < 0) {
        ec = ErrnoCode(EEXIST);
        return false;
    }
    int err = 0;
    if (!WriteAll(fd, bytes.data(), bytes.size()))
        err = errno;
    if (!err && existed && ::fchmod(fd, old.st_mode & 07777) != 0)
        err = errno;
    if (!err && ::fsync(fd) != 0)
        err = errno;
    if (::close(fd) != 0 && !err)
        err = errno;
    if (!err && ::rename(temp.c_str(), target.c_str()) != 0)
        err = errno;
    if (err) {
        ::unlink(temp.c_str());
        ec = ErrnoCode(err);
        return false;
    }
    // The rename is a change of the folder, which a power cut undoes until the folder itself
    // is flushed. Best effort: the new content is in place either way, and some file systems
    // cannot flush a folder.
    SyncToDisk(target.has_parent_path() ? target.parent_path() : std::filesystem::path("."));
    return true;
}

#else // _WIN32

namespace {

std::error_code LastError()
{
    return std::error_code(int(::GetLastError()), std::system_category());
}

} // namespace

bool ReadRegularFile(const std::filesystem::path& path, std::string& bytes, std::error_code& ec)
{
    bytes.clear();
    if (!IsRegularFile(path, ec))
        return false;
    HANDLE h = ::CreateFileW(SystemPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        ec = LastError();
        return false;
    }
    bool ok = ::GetFileType(h) == FILE_TYPE_DISK;
    if (!ok)
        ec = NotRegular(std::filesystem::file_type::unknown);
    char buffer[65536];
    while (ok) {
        DWORD n = 0;
        if (!::ReadFile(h, buffer, DWORD(sizeof buffer), &n, nullptr)) {
            ec = LastError();
            ok = false;
        } else if (n == 0) {
            break;
        } else {
            bytes.append(buffer, n);
        }
    }
    ::CloseHandle(h);
    if (!ok)
        bytes.clear();
    return ok;
}

bool ReplaceWholeFile(const std::filesystem::path& path, const std::string& bytes, std::error_code& ec)
{
    ec.clear();
    std::filesystem::path target;
    if (!ResolveTarget(path, target, ec))
        return false;
    std::filesystem::path temp;
    HANDLE h = INVALID_HANDLE_VALUE;
    for (unsigned attempt = 0; attempt < 100 && h == INVALID_HANDLE_VALUE; ++attempt) {
        temp = TemporaryBeside(target, attempt);
        h = ::CreateFileW(SystemPath(temp).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_FILE_EXISTS) {
            ec = LastError();
            return false;
        }
    }
    if (h == INVALID_HANDLE_VALUE) {
        ec = std::error_code(ERROR_FILE_EXISTS, std::system_category());
        return false;
    }
    bool ok = true;
    std::size_t done = 0;
    while (ok && done < bytes.size()) {
        DWORD n = 0;
        const DWORD chunk = DWORD(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        ok = ::WriteFile(h, bytes.data() + done, chunk, &n, nullptr) != 0;
        done += n;
    }
    ok = ok && ::FlushFileBuffers(h) != 0;
    if (!ok)
        ec = LastError();
    ::CloseHandle(h);
    if (ok && !::MoveFileExW(SystemPath(temp).c_str(), SystemPath(target).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ec = LastError();
        ok = false;
    }
    if (!ok)
        ::DeleteFileW(SystemPath(temp).c_str());
    return ok;
}

#endif

} // namespace platform
