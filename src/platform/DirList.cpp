#include "platform/DirList.h"
#include "platform/SystemPath.h"
#include "text/Utf8.h"

#ifdef _WIN32
#include <windows.h>

#include <cwchar>
#else
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/syscall.h>
#endif
#endif

#include <cerrno>
#include <cstring>

namespace platform {

void DirListing::Add(std::string_view name, EntryKind kind, bool hidden, bool system)
{
    Entry e;
    e.offset = std::uint32_t(m_names.size());
    e.length = std::uint32_t(name.size());
    e.kind = kind;
    e.hidden = hidden;
    e.system = system;
    m_names.append(name);
    m_names.push_back('\0');
    m_entries.push_back(e);
}

namespace {

bool IsDotOrDotDot(std::string_view name)
{
    return name == "." || name == "..";
}

} // namespace

#ifdef _WIN32

namespace {

bool FolderId(const std::wstring& folder, DirId& id)
{
    HANDLE h = CreateFileW(SystemPath(folder).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info;
    const bool ok = GetFileInformationByHandle(h, &info) != 0;
    CloseHandle(h);
    if (!ok)
        return false;
    id.device = info.dwVolumeSerialNumber;
    id.node = (std::uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return true;
}

} // namespace

bool DirListing::Read(const std::string& folder)
{
    Clear();
    std::wstring wfolder = text::WideFromUtf8(folder);
    if (wfolder.empty())
        return false;
    if (!FolderId(wfolder, m_id))
        return false;
    wfolder = SystemPath(wfolder);
    if (wfolder.back() != L'\\' && wfolder.back() != L'/')
        wfolder.push_back(L'\\');
    wfolder.push_back(L'*');

    WIN32_FIND_DATAW data;
    HANDLE h = FindFirstFileExW(wfolder.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                FIND_FIRST_EX_LARGE_FETCH);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD err = GetLastError();
        m_id = {};
        // An empty folder still lists "." and ".."; a drive root may list nothing at all.
        return err == ERROR_FILE_NOT_FOUND;
    }
    do {
        const std::string name = text::Utf8FromWide(data.cFileName, std::wcslen(data.cFileName));
        if (IsDotOrDotDot(name))
            continue;
        const DWORD attr = data.dwFileAttributes;
        EntryKind kind = EntryKind::File;
        if (attr & FILE_ATTRIBUTE_DIRECTORY)
            kind = EntryKind::Directory;
        else if (attr & FILE_ATTRIBUTE_DEVICE)
            kind = EntryKind::Other;
        Add(name, kind, (attr & FILE_ATTRIBUTE_HIDDEN) != 0, (attr & FILE_ATTRIBUTE_SYSTEM) != 0);
    } while (FindNextFileW(h, &data));
    const DWORD err = GetLastError();
    FindClose(h);
    if (err != ERROR_NO_MORE_FILES) {
        Clear();
        return false;
    }
    return true;
}

bool DirListing::ReadSubfolder(const DirListing&, std::string_view, const std::string& fullPath)
{
    return Read(fullPath);
}

void DirListing::Release()
{
    m_fd = -1;
}

bool IsDirectory(const std::string& path)
{
    const std::wstring w = text::WideFromUtf8(path);
    if (w.empty())
        return false;
    const DWORD attr = GetFileAttributesW(SystemPath(w).c_str());
    return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
}

#else

namespace {

EntryKind KindOfMode(mode_t mode)
{
    if (S_ISREG(mode))
        return EntryKind::File;
    if (S_ISDIR(mode))
        return EntryKind::Directory;
    return EntryKind::Other;
}

EntryKind KindOfType(int dirFd, unsigned char type, const char* name)
{
    switch (type) {
    case DT_REG:
        return EntryKind::File;
    case DT_DIR:
        return EntryKind::Directory;
    case DT_LNK:
    case DT_UNKNOWN: {
        // The listing does not tell: ask once, following a link to what it points at.
        // A dangling link stays Other.
        struct stat target;
        if (fstatat(dirFd, name, &target, 0) == 0)
            return KindOfMode(target.st_mode);
        return EntryKind::Other;
    }
    default:
        return EntryKind::Other;
    }
}

} // namespace

bool DirListing::Read(const std::string& folder)
{
    Clear();
    if (folder.empty())
        return false;
    return ReadOpened(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

bool DirListing::ReadSubfolder(const DirListing& parent, std::string_view name, const std::string& fullPath)
{
    Clear();
    if (parent.m_fd < 0 || name.empty() || name.find('/') != std::string_view::npos)
        return Read(fullPath);
    // openat wants the name with its terminating NUL.
    const std::string ownName(name);
    return ReadOpened(openat(parent.m_fd, ownName.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

void DirListing::Release()
{
    if (m_fd >= 0)
        close(m_fd);
    m_fd = -1;
}

bool DirListing::ReadOpened(int fd)
{
    if (fd < 0)
        return false;
    m_fd = fd;
    struct stat st;
    if (fstat(fd, &st) != 0) {
        Clear();
        return false;
    }
    m_id.device = std::uint64_t(st.st_dev);
    m_id.node = std::uint64_t(st.st_ino);

#ifdef __linux__
    // The raw directory read: one open, one status call and a read per 32 KB of names for the
    // whole folder, without the extra calls of the C library's directory streams.
    alignas(8) char buf[32768];
    for (;;) {
        const long n = syscall(SYS_getdents64, fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            Clear();
            return false;
        }
        if (n == 0)
            break;
        // Each record: inode (8 bytes), offset (8), record length (2), type (1), then the
        // name with its terminating NUL.
        for (long pos = 0; pos < n;) {
            const char* rec = buf + pos;
            unsigned short reclen;
            std::memcpy(&reclen, rec + 16, sizeof reclen);
            if (reclen == 0)
                break;
            pos += reclen;
            const char* cname = rec + 19;
            const std::string_view name(cname);
            if (IsDotOrDotDot(name))
                continue;
            Add(name, KindOfType(fd, static_cast<unsigned char>(rec[18]), cname), name.front() == '.', false);
        }
    }
#else
    // The stream gets its own descriptor: the folder's stays open for its subfolders.
    const int streamFd = dup(fd);
    DIR* dir = streamFd < 0 ? nullptr : fdopendir(streamFd);
    if (!dir) {
        if (streamFd >= 0)
            close(streamFd);
        clear();
        return false;
    }
    for (;;) {
        errno = 0;
        const dirent* d = readdir(dir);
        if (!d) {
            const bool failed = errno != 0;
            closedir(dir);
            if (failed) {
                clear();
                return false;
            }
            break;
        }
        const std::string_view name(d->d_name);
        if (isDotOrDotDot(name))
            continue;
        add(name, kindOfType(dirfd(dir), d->d_type, d->d_name), name.front() == '.', false);
    }
#endif
    return true;
}

bool IsDirectory(const std::string& path)
{
    struct stat st;
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

#endif

} // namespace platform
