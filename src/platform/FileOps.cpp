#include "platform/FileOps.h"
#include "platform/SystemPath.h"

#include "platform/Interrupt.h"

#include <cerrno>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#ifdef _WIN32
#include <windows.h>
#else
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __linux__
#include <linux/fs.h>
#endif
#endif

namespace platform {

namespace {

// A copy's temporary: this prefix and six ASCII letters or digits (mkostemp's "XXXXXX").
constexpr std::string_view kTemporaryPrefix = ".krdl-copy-";
constexpr std::size_t kTemporaryRandomLength = 6;

bool IsLetterOrDigit(unsigned c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

template <typename Char>
bool IsCopyTemporaryName(std::basic_string_view<Char> name)
{
    if (name.size() != kTemporaryPrefix.size() + kTemporaryRandomLength)
        return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned>(name[i]);
        if (i < kTemporaryPrefix.size() ? c != static_cast<unsigned char>(kTemporaryPrefix[i]) : !IsLetterOrDigit(c))
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

// Closes a descriptor on every way out of a scope.
class Fd {
public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() { Reset(); }
    int Get() const { return m_fd; }
    void Reset(int fd = -1)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }
    // Closes now and reports a failed close (a delayed write error on some file systems).
    int CloseChecked()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd >= 0 ? ::close(fd) : 0;
    }

private:
    int m_fd;
};

bool SameInode(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Removes `name` only while it still is the file we wrote through `created`, so that a failed copy
// never removes a file that someone else put in its place meanwhile.
void RemoveOwn(const std::filesystem::path& name, const struct stat& created)
{
    struct stat now {};
    if (::lstat(name.c_str(), &now) == 0 && SameInode(now, created))
        ::unlink(name.c_str());
}

bool WriteAll(int fd, const char* data, size_t size, int& err)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            err = errno;
            return false;
        }
        data += n;
        size -= size_t(n);
    }
    return true;
}

bool IsCancelled(const CopyCancelled& cancelled, int& err)
{
    if (cancelled && cancelled()) {
        err = ECANCELED;
        return true;
    }
    return false;
}

bool CopyByReadWrite(int in, int out, int& err, const CopyCancelled& cancelled)
{
    constexpr size_t bufferSize = size_t(1) << 20;
    std::unique_ptr<char[]> buffer(new char[bufferSize]);
    for (;;) {
        if (IsCancelled(cancelled, err))
            return false;
        const ssize_t n = ::read(in, buffer.get(), bufferSize);
        if (n == 0)
            return true;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            err = errno;
            return false;
        }
        if (!WriteAll(out, buffer.get(), size_t(n), err))
            return false;
    }
}

// Copies the rest of `in` to `out`: the kernel's copy where the two file systems allow it,
// otherwise a read/write loop. Either way in chunks, asking `cancelled` before each one.
bool CopyData(int in, int out, int& err, const CopyCancelled& cancelled)
{
#ifdef __linux__
#ifdef FICLONE
    // File systems with shared extents (btrfs, XFS) make the copy a clone of the source, in one
    // step that takes no time worth cancelling.
    if (::ioctl(out, FICLONE, in) == 0)
        return true;
#endif
    bool any = false;
    for (;;) {
        if (IsCancelled(cancelled, err))
            return false;
        const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, size_t(1) << 26, 0);
        if (n > 0) {
            any = true;
            continue;
        }
        if (n == 0) {
            // Some pseudo file systems report nothing to copy at once; read them the plain way.
            return any ? true : CopyByReadWrite(in, out, err, cancelled);
        }
        if (errno == EINTR)
            continue;
        if (!any && (errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP || errno == EINVAL
                     || errno == EBADF || errno == EPERM))
            return CopyByReadWrite(in, out, err, cancelled);
        err = errno;
        return false;
    }
#else
    return copyByReadWrite(in, out, err, cancelled);
#endif
}

// Data, permissions and modification time of the open source into the open target.
bool FillTarget(int in, const struct stat& source, int out, int& err, const CopyCancelled& cancelled)
{
    if (!CopyData(in, out, err, cancelled))
        return false;
    if (::fchmod(out, source.st_mode & 0777) != 0) {
        err = errno;
        return false;
    }
    const struct timespec times[2] = {source.st_atim, source.st_mtim};
    if (::futimens(out, times) != 0) {
        err = errno;
        return false;
    }
    return true;
}

// Opens the source for reading and makes sure it is a regular file (a fifo would block, a
// folder cannot be copied as a whole file).
bool OpenSource(const std::filesystem::path& from, Fd& fd, struct stat& st, std::error_code& ec)
{
    fd.Reset(::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (fd.Get() < 0) {
        ec = ErrnoCode(errno);
        return false;
    }
    if (::fstat(fd.Get(), &st) != 0) {
        ec = ErrnoCode(errno);
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        ec = ErrnoCode(EISDIR);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        ec = ErrnoCode(EINVAL);
        return false;
    }
    const int flags = ::fcntl(fd.Get(), F_GETFL);
    if (flags >= 0)
        ::fcntl(fd.Get(), F_SETFL, flags & ~O_NONBLOCK);
#ifdef POSIX_FADV_SEQUENTIAL
    ::posix_fadvise(fd.Get(), 0, 0, POSIX_FADV_SEQUENTIAL);
#endif
    return true;
}

// The copy goes to a hidden temporary name beside the target and is renamed into place only
// when complete: over the old target when replacing, with a rename that never replaces
// otherwise. So a failed or interrupted copy never leaves a partial file under the real name.
bool CopyViaTemporary(int in, const struct stat& source, const std::filesystem::path& to, CopyMode mode,
                      std::error_code& ec, const CopyCancelled& cancelled)
{
    std::filesystem::path dir = to.parent_path();
    if (dir.empty())
        dir = ".";
    std::string pattern = (dir / ".krdl-copy-XXXXXX").string();
    Fd out(::mkostemp(pattern.data(), O_CLOEXEC));
    if (out.Get() < 0) {
        ec = ErrnoCode(errno);
        return false;
    }
    const std::filesystem::path temp(pattern);
    // The lock tells RemoveLeftoverCopies of another run that this copy is alive. It belongs to
    // the open file description, so the duplicate keeps it after `out` is closed (to see a
    // delayed write error) until the file has its final name or is removed, and the kernel
    // drops it when the process dies. A file system without locks only loses that tell.
    ::flock(out.Get(), LOCK_EX | LOCK_NB);
    const Fd locked(::fcntl(out.Get(), F_DUPFD_CLOEXEC, 0));
    // A second Ctrl+C or SIGTERM ends the process at once; it removes this file first.
    detail::SetPendingTemporaryFile(temp);
    struct stat created {};
    int err = 0;
    bool ok = ::fstat(out.Get(), &created) == 0;
    if (!ok)
        err = errno;
    ok = ok && FillTarget(in, source, out.Get(), err, cancelled);
    if (ok && out.CloseChecked() != 0) {
        err = errno;
        ok = false;
    }
    if (ok && mode == CopyMode::Replace && ::rename(temp.c_str(), to.c_str()) != 0) {
        err = errno;
        ok = false;
    }
    if (ok && mode == CopyMode::FailIfExists) {
        std::error_code renamed;
        if (!RenameNoReplace(temp, to, renamed)) {
            err = renamed.value();
            ok = false;
        }
    }
    if (!ok) {
        out.Reset();
        RemoveOwn(temp, created);
        ec = ErrnoCode(err ? err : EIO);
    }
    detail::SetPendingTemporaryFile({});
    return ok;
}

} // namespace

bool CopyWholeFile(const std::filesystem::path& from, const std::filesystem::path& to, CopyMode mode,
                   std::error_code& ec, const CopyCancelled& cancelled)
{
    ec.clear();
    Fd in;
    struct stat source {};
    if (!OpenSource(from, in, source, ec))
        return false;

    // A target that is the source itself (same entry, hard link, or a link to it) is never
    // written: with replacing on it would lose nothing, but the copy makes no sense, so it fails
    // the same way in both modes.
    struct stat target {};
    if (::stat(to.c_str(), &target) == 0 && SameInode(source, target)) {
        ec = ErrnoCode(mode == CopyMode::FailIfExists ? EEXIST : EINVAL);
        return false;
    }

    // Known to fail: no need to copy the data first (the final rename still checks again).
    if (mode == CopyMode::FailIfExists && ::lstat(to.c_str(), &target) == 0) {
        ec = ErrnoCode(EEXIST);
        return false;
    }
    return CopyViaTemporary(in.Get(), source, to, mode, ec, cancelled);
}

namespace {

std::chrono::system_clock::time_point TimeOf(const struct timespec& t)
{
    return std::chrono::system_clock::time_point(
        std::chrono::duration_cast<std::chrono::system_clock::duration>(std::chrono::seconds(t.tv_sec) + std::chrono::nanoseconds(t.tv_nsec)));
}

// The status change time moves with every write and cannot be set back, unlike the
// modification time, which a copy sets to its source's.
bool ChangedAfter(const struct stat& st, std::chrono::system_clock::time_point when)
{
    return TimeOf(st.st_ctim) > when || TimeOf(st.st_mtim) > when;
}

// Removes the entry `name` of `folder` when it is a regular file, unchanged after `changedBefore`,
// whose lock no process holds. The lock is taken on the very file that was looked at, and the
// name is removed only while it still names that file.
bool RemoveIfLeftOver(int folder, const char* name, std::chrono::system_clock::time_point changedBefore)
{
    struct stat seen {};
    if (::fstatat(folder, name, &seen, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(seen.st_mode) || ChangedAfter(seen, changedBefore))
        return false;
    // Read and write where allowed: an exclusive lock on a network file system may need it.
    constexpr int flags = O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    Fd fd(::openat(folder, name, O_RDWR | flags));
    if (fd.Get() < 0)
        fd.Reset(::openat(folder, name, O_RDONLY | flags));
    struct stat opened {};
    if (fd.Get() < 0 || ::fstat(fd.Get(), &opened) != 0 || !SameInode(seen, opened))
        return false;
    if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0)
        return false; // a running copy holds it, or its lock cannot be checked here
    struct stat now {};
    if (::fstat(fd.Get(), &opened) != 0 || ChangedAfter(opened, changedBefore)
        || ::fstatat(folder, name, &now, AT_SYMLINK_NOFOLLOW) != 0 || !SameInode(now, opened))
        return false;
    return ::unlinkat(folder, name, 0) == 0;
}

} // namespace

std::vector<std::filesystem::path> RemoveLeftoverCopies(const std::filesystem::path& dir,
                                                        std::chrono::system_clock::time_point changedBefore)
{
    std::vector<std::filesystem::path> removed;
    const Fd folder(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.Get() < 0)
        return removed;
    const int listed = ::fcntl(folder.Get(), F_DUPFD_CLOEXEC, 0);
    DIR* listing = listed >= 0 ? ::fdopendir(listed) : nullptr;
    if (listing == nullptr) {
        if (listed >= 0)
            ::close(listed);
        return removed;
    }
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(listing)) {
        if (IsCopyTemporaryName(std::string_view(entry->d_name)))
            names.emplace_back(entry->d_name);
    }
    ::closedir(listing);
    for (const std::string& name : names) {
        if (RemoveIfLeftOver(folder.Get(), name.c_str(), changedBefore))
            removed.push_back(dir / name);
    }
    return removed;
}

std::size_t NameLength(const std::filesystem::path& name)
{
    return name.native().size();
}

namespace detail {

// Rename without replacing for file systems that lack RENAME_NOREPLACE: a hard link under the
// new name (which fails when the name exists), then the old name goes.
bool RenameByLink(const std::filesystem::path& from, const std::filesystem::path& to, std::error_code& ec)
{
    ec.clear();
    if (::link(from.c_str(), to.c_str()) != 0) {
        ec = ErrnoCode(errno);
        return false;
    }
    if (::unlink(from.c_str()) != 0) {
        const int e = errno;
        ::unlink(to.c_str());
        ec = ErrnoCode(e);
        return false;
    }
    return true;
}

} // namespace detail

bool RenameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to, std::error_code& ec)
{
    ec.clear();
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    const int e = errno;
    if (e != EINVAL && e != ENOSYS && e != EOPNOTSUPP) {
        ec = ErrnoCode(e);
        return false;
    }
#endif
    if (detail::RenameByLink(from, to, ec))
        return true;
    // A file system without hard links either (FAT, some network shares): the last resort is
    // a look before the rename. Only a file appearing between the two steps could be replaced.
    if (ec != std::errc::operation_not_permitted && ec != std::errc::operation_not_supported
        && ec != std::errc::function_not_supported)
        return false;
    struct stat st {};
    if (::lstat(to.c_str(), &st) == 0) {
        ec = ErrnoCode(EEXIST);
        return false;
    }
    if (errno != ENOENT) {
        ec = ErrnoCode(errno);
        return false;
    }
    if (::rename(from.c_str(), to.c_str()) != 0) {
        ec = ErrnoCode(errno);
        return false;
    }
    ec.clear();
    return true;
}

bool CreateOneDirectory(const std::filesystem::path& dir, std::error_code& ec)
{
    ec.clear();
    if (::mkdir(dir.c_str(), 0777) != 0) {
        ec = ErrnoCode(errno);
        return false;
    }
    return true;
}

bool DirectoryExists(const std::filesystem::path& dir)
{
    struct stat st {};
    return ::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool PathExists(const std::filesystem::path& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

#else // _WIN32

namespace {

std::error_code LastError()
{
    return std::error_code(int(::GetLastError()), std::system_category());
}

// Volume serial number and file index of an existing file; false when it cannot be opened.
bool FileId(const std::filesystem::path& p, BY_HANDLE_FILE_INFORMATION& info)
{
    HANDLE h = ::CreateFileW(SystemPath(p).c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    const BOOL ok = ::GetFileInformationByHandle(h, &info);
    ::CloseHandle(h);
    return ok != 0;
}

void RemoveTemp(const std::filesystem::path& temp)
{
    ::SetFileAttributesW(SystemPath(temp).c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileW(SystemPath(temp).c_str());
}

// A copy's temporary name: the prefix and six letters or digits, mixed from the process, the
// clock and the attempt; CopyFileExW's fail-if-exists takes care of a name already there.
std::wstring TemporaryName(unsigned attempt)
{
    static constexpr char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    LARGE_INTEGER counter {};
    ::QueryPerformanceCounter(&counter);
    std::uint64_t x = (std::uint64_t(::GetCurrentProcessId()) << 32) ^ std::uint64_t(counter.QuadPart) ^ (std::uint64_t(attempt) << 48);
    // splitmix64's finaliser spreads every input bit over the name.
    x ^= x >> 30;
    x *= 0xBF58476D1CE4E5B9ull;
    x ^= x >> 27;
    x *= 0x94D049BB133111EBull;
    x ^= x >> 31;
    std::wstring name(kTemporaryPrefix.begin(), kTemporaryPrefix.end());
    for (std::size_t i = 0; i < kTemporaryRandomLength; ++i, x /= 62)
        name += wchar_t(letters[x % 62]);
    return name;
}

std::uint64_t TicksOf(const LARGE_INTEGER& t)
{
    return std::uint64_t(t.QuadPart);
}

// Opens the file `path` for deletion only when nobody else has it open: a running copy (CopyFileExW
// writing it, or the handle kept until the move) makes the open fail with a sharing violation.
// Removes it when it is a regular file not changed after `changedBefore` (in file time units).
bool RemoveIfLeftOver(const std::filesystem::path& path, std::uint64_t changedBefore)
{
    const HANDLE h = ::CreateFileW(SystemPath(path).c_str(), DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    FILE_BASIC_INFO info {};
    bool removed = false;
    if (::GetFileInformationByHandleEx(h, FileBasicInfo, &info, sizeof info)
        && !(info.FileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))
        && TicksOf(info.CreationTime) <= changedBefore && TicksOf(info.LastWriteTime) <= changedBefore
        && TicksOf(info.ChangeTime) <= changedBefore) {
        // A read-only file cannot be deleted; the copy gave it its source's attributes.
        if (info.FileAttributes & FILE_ATTRIBUTE_READONLY) {
            FILE_BASIC_INFO writable {};
            writable.FileAttributes = (info.FileAttributes & ~DWORD(FILE_ATTRIBUTE_READONLY)) | FILE_ATTRIBUTE_NORMAL;
            ::SetFileInformationByHandle(h, FileBasicInfo, &writable, sizeof writable);
        }
        FILE_DISPOSITION_INFO dispose {};
        dispose.DeleteFile = TRUE;
        removed = ::SetFileInformationByHandle(h, FileDispositionInfo, &dispose, sizeof dispose) != 0;
    }
    ::CloseHandle(h);
    return removed;
}

// Lets CopyFileExW ask the caller's cancel check between chunks.
DWORD CALLBACK CopyProgress(LARGE_INTEGER, LARGE_INTEGER, LARGE_INTEGER, LARGE_INTEGER, DWORD, DWORD, HANDLE, HANDLE,
                            LPVOID data)
{
    const auto* cancelled = static_cast<const CopyCancelled*>(data);
    return *cancelled && (*cancelled)() ? PROGRESS_CANCEL : PROGRESS_CONTINUE;
}

} // namespace

bool CopyWholeFile(const std::filesystem::path& from, const std::filesystem::path& to, CopyMode mode,
                   std::error_code& ec, const CopyCancelled& cancelled)
{
    ec.clear();
    BY_HANDLE_FILE_INFORMATION a {}, b {};
    if (!FileId(from, a)) {
        ec = LastError();
        return false;
    }
    if (a.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        ec = std::make_error_code(std::errc::is_a_directory);
        return false;
    }
    if (FileId(to, b)) {
        if (mode == CopyMode::FailIfExists) {
            ec = std::error_code(ERROR_FILE_EXISTS, std::system_category());
            return false;
        }
        if (a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh
            && a.nFileIndexLow == b.nFileIndexLow) {
            ec = std::make_error_code(std::errc::invalid_argument);
            return false;
        }
    }

    // The copy goes to a fresh name beside the target and is moved into place only when
    // complete, so a failed copy leaves neither a partial target nor a damaged old one.
    std::filesystem::path dir = to.parent_path();
    if (dir.empty())
        dir = L".";
    std::filesystem::path temp;
    bool copied = false;
    for (unsigned attempt = 0; attempt < 100 && !copied; ++attempt) {
        temp = dir / TemporaryName(attempt);
        detail::SetPendingTemporaryFile(temp);
        if (::CopyFileExW(SystemPath(from).c_str(), SystemPath(temp).c_str(), CopyProgress, const_cast<CopyCancelled*>(&cancelled), nullptr,
                          COPY_FILE_FAIL_IF_EXISTS)) {
            copied = true;
        } else if (::GetLastError() == ERROR_REQUEST_ABORTED) {
            ec = std::make_error_code(std::errc::operation_canceled);
            RemoveTemp(temp);
            detail::SetPendingTemporaryFile({});
            return false;
        } else if (::GetLastError() != ERROR_FILE_EXISTS && ::GetLastError() != ERROR_ALREADY_EXISTS) {
            ec = LastError();
            RemoveTemp(temp);
            detail::SetPendingTemporaryFile({});
            return false;
        }
    }
    if (!copied) {
        detail::SetPendingTemporaryFile({});
        ec = std::error_code(ERROR_FILE_EXISTS, std::system_category());
        return false;
    }
    // CopyFileExW held the temporary open while it wrote; this handle holds it on until the
    // move, so that RemoveLeftoverCopies of another run sees it in use. It shares deletion, which
    // the move needs.
    const HANDLE held = ::CreateFileW(SystemPath(temp).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    const auto release = [held] {
        if (held != INVALID_HANDLE_VALUE)
            ::CloseHandle(held);
    };
    // One more look once the data is there: a cancel during the last chunk, or under a
    // CopyFileExW that never reports progress (Wine), still keeps the copy out of the target's
    // place.
    if (cancelled && cancelled()) {
        ec = std::make_error_code(std::errc::operation_canceled);
        release();
        RemoveTemp(temp);
        detail::SetPendingTemporaryFile({});
        return false;
    }
    const DWORD flags = mode == CopyMode::Replace ? MOVEFILE_REPLACE_EXISTING : 0;
    const bool moved = ::MoveFileExW(SystemPath(temp).c_str(), SystemPath(to).c_str(), flags) != 0;
    if (!moved)
        ec = LastError();
    release();
    if (!moved)
        RemoveTemp(temp);
    detail::SetPendingTemporaryFile({});
    return moved;
}

std::vector<std::filesystem::path> RemoveLeftoverCopies(const std::filesystem::path& dir,
                                                        std::chrono::system_clock::time_point changedBefore)
{
    // File times count 100 ns steps from 1601-01-01. Counted in whole seconds, a file written
    // within the second before `changedBefore` would count as newer and stay.
    using FileTimeSteps = std::chrono::duration<std::int64_t, std::ratio<1, 10000000>>;
    constexpr std::int64_t kUnixEpochSteps = 11644473600LL * 10000000LL;
    const std::int64_t steps =
        std::chrono::floor<FileTimeSteps>(changedBefore.time_since_epoch()).count() + kUnixEpochSteps;
    const std::uint64_t before = steps < 0 ? 0 : std::uint64_t(steps);

    std::vector<std::filesystem::path> removed;
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found {};
    const std::wstring pattern = std::wstring(kTemporaryPrefix.begin(), kTemporaryPrefix.end()) + L"*";
    const HANDLE find = ::FindFirstFileExW(SystemPath(dir / pattern).c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0);
    if (find == INVALID_HANDLE_VALUE)
        return removed;
    do {
        if (IsCopyTemporaryName(std::wstring_view(found.cFileName))
            && !(found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
            names.emplace_back(found.cFileName);
    } while (::FindNextFileW(find, &found));
    ::FindClose(find);
    for (const std::wstring& name : names) {
        if (RemoveIfLeftOver(dir / name, before))
            removed.push_back(dir / name);
    }
    return removed;
}

std::size_t NameLength(const std::filesystem::path& name)
{
    return name.native().size();
}

bool RenameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to, std::error_code& ec)
{
    ec.clear();
    // Every file system Windows names files on stops at this length; MoveFileW reports it in
    // several ways, or not at all through the long path prefix.
    if (NameLength(to.filename()) > kLongestName) {
        ec = std::make_error_code(std::errc::filename_too_long);
        return false;
    }
    // MoveFileW accepts a file's own name as the new one; that name is taken all the same. A
    // change of letter case only reaches the same file under another spelling and is a real
    // rename.
    BY_HANDLE_FILE_INFORMATION a {}, b {};
    if (from.filename() == to.filename() && FileId(from, a) && FileId(to, b) && a.dwVolumeSerialNumber == b.dwVolumeSerialNumber
        && a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow) {
        ec = std::error_code(ERROR_ALREADY_EXISTS, std::system_category());
        return false;
    }
    if (!::MoveFileW(SystemPath(from).c_str(), SystemPath(to).c_str())) {
        ec = LastError();
        return false;
    }
    return true;
}

bool CreateOneDirectory(const std::filesystem::path& dir, std::error_code& ec)
{
    ec.clear();
    if (!::CreateDirectoryW(SystemPath(dir).c_str(), nullptr)) {
        ec = LastError();
        return false;
    }
    return true;
}

bool DirectoryExists(const std::filesystem::path& dir)
{
    const DWORD attributes = ::GetFileAttributesW(SystemPath(dir).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool PathExists(const std::filesystem::path& path)
{
    return ::GetFileAttributesW(SystemPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

#endif

} // namespace platform
