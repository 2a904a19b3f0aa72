#include "platform/FileIdentity.h"

#include "platform/SystemPath.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace platform {

namespace {

std::string identity(const std::filesystem::path& path, bool followLinks)
{
#ifdef _WIN32
    // Attributes only, shared every way: never in anyone's way.
    HANDLE h = CreateFileW(SystemPath(path).c_str(), FILE_READ_ATTRIBUTES,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS | (followLinks ? 0 : FILE_FLAG_OPEN_REPARSE_POINT), nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return {};
    BY_HANDLE_FILE_INFORMATION info{};
    const bool ok = GetFileInformationByHandle(h, &info) != 0;
    CloseHandle(h);
    if (!ok || (info.nFileIndexHigh == 0 && info.nFileIndexLow == 0))
        return {};
    const unsigned long long index = (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return std::to_string(info.dwVolumeSerialNumber) + ':' + std::to_string(index);
#else
    struct stat st {};
    if ((followLinks ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st)) != 0 || st.st_ino == 0)
        return {};
    return std::to_string(static_cast<unsigned long long>(st.st_dev)) + ':'
        + std::to_string(static_cast<unsigned long long>(st.st_ino));
#endif
}

} // namespace

std::string FileIdentity(const std::filesystem::path& path)
{
    return identity(path, false);
}

std::string FileIdentityFollowingLinks(const std::filesystem::path& path)
{
    return identity(path, true);
}

} // namespace platform
