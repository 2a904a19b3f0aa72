#include "platform/DirList.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cerrno>

namespace platform {

void DirListing::add(std::string_view name, EntryKind kind, bool hidden, bool system)
{
    Entry e;
    e.offset = std::uint32_t(names_.size());
    e.length = std::uint32_t(name.size());
    e.kind = kind;
    e.hidden = hidden;
    e.system = system;
    names_.append(name);
    entries_.push_back(e);
}

namespace {

bool isDotOrDotDot(std::string_view name)
{
    return name == "." || name == "..";
}

} // namespace

#ifdef _WIN32

namespace {

std::wstring widen(const std::string& text)
{
    if (text.empty())
        return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0);
    std::wstring out(size_t(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), out.data(), n);
    return out;
}

void narrowInto(const wchar_t* text, std::string& out)
{
    out.clear();
    const int len = int(wcslen(text));
    if (len == 0)
        return;
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, len, nullptr, 0, nullptr, nullptr);
    out.resize(size_t(n));
    WideCharToMultiByte(CP_UTF8, 0, text, len, out.data(), n, nullptr, nullptr);
}

bool folderId(const std::wstring& folder, DirId& id)
{
    HANDLE h = CreateFileW(folder.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
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

bool DirListing::read(const std::string& folder)
{
    clear();
    std::wstring wfolder = widen(folder);
    if (wfolder.empty())
        return false;
    if (!folderId(wfolder, id_))
        return false;
    if (wfolder.back() != L'\\' && wfolder.back() != L'/')
        wfolder.push_back(L'\\');
    wfolder.push_back(L'*');

    WIN32_FIND_DATAW data;
    HANDLE h = FindFirstFileExW(wfolder.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                FIND_FIRST_EX_LARGE_FETCH);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD err = GetLastError();
        id_ = {};
        // An empty folder still lists "." and ".."; a drive root may list nothing at all.
        return err == ERROR_FILE_NOT_FOUND;
    }
    std::string name;
    do {
        narrowInto(data.cFileName, name);
        if (isDotOrDotDot(name))
            continue;
        const DWORD attr = data.dwFileAttributes;
        EntryKind kind = EntryKind::File;
        if (attr & FILE_ATTRIBUTE_DIRECTORY)
            kind = EntryKind::Directory;
        else if (attr & FILE_ATTRIBUTE_DEVICE)
            kind = EntryKind::Other;
        add(name, kind, (attr & FILE_ATTRIBUTE_HIDDEN) != 0, (attr & FILE_ATTRIBUTE_SYSTEM) != 0);
    } while (FindNextFileW(h, &data));
    const DWORD err = GetLastError();
    FindClose(h);
    if (err != ERROR_NO_MORE_FILES) {
        clear();
        return false;
    }
    return true;
}

bool IsDirectory(const std::string& path)
{
    const std::wstring w = widen(path);
    if (w.empty())
        return false;
    const DWORD attr = GetFileAttributesW(w.c_str());
    return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
}

#else

namespace {

EntryKind kindOfMode(mode_t mode)
{
    if (S_ISREG(mode))
        return EntryKind::File;
    if (S_ISDIR(mode))
        return EntryKind::Directory;
    return EntryKind::Other;
}

// Closes the listing however read() leaves.
struct DirCloser {
    DIR* dir = nullptr;
    ~DirCloser()
    {
        if (dir)
            closedir(dir);
    }
};

} // namespace

bool DirListing::read(const std::string& folder)
{
    clear();
    if (folder.empty())
        return false;
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st;
    if (fstat(fd, &st) != 0) {
        close(fd);
        return false;
    }
    DirCloser closer;
    closer.dir = fdopendir(fd);
    if (!closer.dir) {
        close(fd);
        return false;
    }
    id_.device = std::uint64_t(st.st_dev);
    id_.node = std::uint64_t(st.st_ino);

    for (;;) {
        errno = 0;
        const dirent* d = readdir(closer.dir);
        if (!d) {
            if (errno != 0) {
                clear();
                return false;
            }
            break;
        }
        const std::string_view name(d->d_name);
        if (isDotOrDotDot(name))
            continue;
        EntryKind kind = EntryKind::Other;
        switch (d->d_type) {
        case DT_REG:
            kind = EntryKind::File;
            break;
        case DT_DIR:
            kind = EntryKind::Directory;
            break;
        case DT_LNK:
        case DT_UNKNOWN: {
            // The listing does not tell: ask once, following a link to what it points at.
            // A dangling link stays Other.
            struct stat target;
            if (fstatat(dirfd(closer.dir), d->d_name, &target, 0) == 0)
                kind = kindOfMode(target.st_mode);
            break;
        }
        default:
            break;
        }
        add(name, kind, name.front() == '.', false);
    }
    return true;
}

bool IsDirectory(const std::string& path)
{
    struct stat st;
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

#endif

} // namespace platform
