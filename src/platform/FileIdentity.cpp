#include "platform/FileIdentity.h"

#include "platform/SystemPath.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace platform {

namespace {

std::string Format(unsigned long long device, unsigned long long number)
{
    return std::to_string(device) + ':' + std::to_string(number);
}

#ifdef _WIN32
std::string HandleIdentity(HANDLE h)
{
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(h, &info) || (info.nFileIndexHigh == 0 && info.nFileIndexLow == 0))
        return {};
    return Format(info.dwVolumeSerialNumber,
                  (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow);
}
#else
std::string StatIdentity(const struct stat& st)
{
    if (st.st_ino == 0)
        return {};
    return Format(static_cast<unsigned long long>(st.st_dev), static_cast<unsigned long long>(st.st_ino));
}
#endif

std::string PathIdentity(const std::filesystem::path& path, bool followLinks)
{
#ifdef _WIN32
    // Attributes only, shared every way: never in anyone's way.
    HANDLE h = CreateFileW(SystemPath(path).c_str(), FILE_READ_ATTRIBUTES,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS | (followLinks ? 0 : FILE_FLAG_OPEN_REPARSE_POINT), nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return {};
    const std::string identity = HandleIdentity(h);
    CloseHandle(h);
    return identity;
#else
    struct stat st {};
    if ((followLinks ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st)) != 0)
        return {};
    return StatIdentity(st);
#endif
}

} // namespace

std::string FileIdentity(const std::filesystem::path& path)
{
    return PathIdentity(path, false);
}

std::string FileIdentityFollowingLinks(const std::filesystem::path& path)
{
    return PathIdentity(path, true);
}

std::string OpenFileIdentity(std::intptr_t handle)
{
#ifdef _WIN32
    return HandleIdentity(reinterpret_cast<HANDLE>(handle));
#else
    struct stat st {};
    if (::fstat(static_cast<int>(handle), &st) != 0)
        return {};
    return StatIdentity(st);
#endif
}

bool IsSymbolicLink(const std::filesystem::path& path)
{
#ifdef _WIN32
    const DWORD attributes = GetFileAttributesW(SystemPath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
#else
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
#endif
}

} // namespace platform
