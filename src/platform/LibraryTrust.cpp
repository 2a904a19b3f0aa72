#include "platform/LibraryTrust.h"

#include <iterator>
#include <memory>
#include <string>

#ifdef _WIN32
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>
#include <vector>
#else
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace platform {

const char* SharedLibrarySuffix()
{
#if defined(_WIN32)
    return ".dll";
#elif defined(__APPLE__)
    return ".dylib";
#else
    return ".so";
#endif
}

#ifndef _WIN32

namespace {

bool OwnedByUserOrRoot(const struct stat& st)
{
    return st.st_uid == ::geteuid() || st.st_uid == 0;
}

} // namespace

LibraryTrust CheckLibraryTrust(const std::filesystem::path& path)
{
    // The checks apply to what the loader will really open: the file at the end of every link.
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr), &std::free);
    if (!resolved)
        return LibraryTrust::Missing;
    const std::string file = resolved.get();

    struct stat st {};
    if (::stat(file.c_str(), &st) != 0)
        return LibraryTrust::Missing;
    if (!S_ISREG(st.st_mode))
        return LibraryTrust::NotRegularFile;
    if (!OwnedByUserOrRoot(st))
        return LibraryTrust::ForeignOwner;
    if (st.st_mode & (S_IWGRP | S_IWOTH))
        return LibraryTrust::WritableByOthers;

    // Whoever may replace an entry of a folder on the way may replace the library between this
    // check and the load; with every folder safe, the check still holds when the loader opens it.
    std::string dir = file;
    for (;;) {
        const std::string::size_type slash = dir.find_last_of('/');
        if (slash == std::string::npos)
            break;
        dir.resize(slash == 0 ? 1 : slash);
        if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || !OwnedByUserOrRoot(st))
            return LibraryTrust::UnsafeFolder;
        if ((st.st_mode & (S_IWGRP | S_IWOTH)) && !(st.st_mode & S_ISVTX))
            return LibraryTrust::UnsafeFolder;
        if (dir == "/")
            break;
    }
    return LibraryTrust::Trusted;
}

#else // _WIN32

namespace {

struct LocalFreeDeleter {
    void operator()(void* p) const { ::LocalFree(p); }
};

// The SID of the user this process runs as, or empty.
std::vector<BYTE> CurrentUserSid()
{
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token))
        return {};
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<BYTE> info(size);
    std::vector<BYTE> sid;
    if (size && ::GetTokenInformation(token, TokenUser, info.data(), size, &size)) {
        PSID user = reinterpret_cast<TOKEN_USER*>(info.data())->User.Sid;
        sid.resize(::GetLengthSid(user));
        if (!::CopySid(DWORD(sid.size()), sid.data(), user))
            sid.clear();
    }
    ::CloseHandle(token);
    return sid;
}

// This user and the system's own accounts: SYSTEM, the Administrators group, TrustedInstaller,
// and "owner rights" (which stands for the owner, checked separately).
bool IsTrustedSid(PSID sid, const std::vector<BYTE>& user)
{
    if (!user.empty() && ::EqualSid(sid, const_cast<BYTE*>(user.data())))
        return true;
    if (::IsWellKnownSid(sid, WinLocalSystemSid) || ::IsWellKnownSid(sid, WinBuiltinAdministratorsSid)
        || ::IsWellKnownSid(sid, WinCreatorOwnerRightsSid))
        return true;
    PSID trustedInstaller = nullptr;
    if (!::ConvertStringSidToSidW(L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464",
                                  &trustedInstaller))
        return false;
    const bool same = ::EqualSid(sid, trustedInstaller);
    ::LocalFree(trustedInstaller);
    return same;
}

enum class Security { Safe, ForeignOwner, OthersMayChange, Unreadable };

// Owner and access list of one file or folder: `rights` are the ones no one else may hold.
Security CheckSecurity(const std::wstring& path, DWORD rights, const std::vector<BYTE>& user)
{
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                &owner, nullptr, &dacl, nullptr, &descriptor)
        != ERROR_SUCCESS)
        return Security::Unreadable;
    std::unique_ptr<void, LocalFreeDeleter> hold(descriptor);
    if (!owner || !IsTrustedSid(owner, user))
        return Security::ForeignOwner;
    if (!dacl)
        return Security::OthersMayChange; // no access list: everyone may do everything
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        if (!::GetAce(dacl, i, &ace))
            return Security::Unreadable;
        const auto* header = static_cast<const ACE_HEADER*>(ace);
        if (header->AceFlags & INHERIT_ONLY_ACE)
            continue; // applies to what is created below, not to this object
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE && header->AceType != ACCESS_ALLOWED_CALLBACK_ACE_TYPE)
            continue;
        auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
        if ((allowed->Mask & rights) && !IsTrustedSid(&allowed->SidStart, user))
            return Security::OthersMayChange;
    }
    return Security::Safe;
}

// The final path of an open file without the "\\?\" prefix that GetFinalPathNameByHandleW adds.
std::wstring FinalPath(HANDLE file)
{
    std::wstring buffer(MAX_PATH, L'\0');
    DWORD n = ::GetFinalPathNameByHandleW(file, buffer.data(), DWORD(buffer.size()), FILE_NAME_NORMALIZED);
    if (n >= buffer.size()) {
        buffer.assign(n + 1, L'\0');
        n = ::GetFinalPathNameByHandleW(file, buffer.data(), DWORD(buffer.size()), FILE_NAME_NORMALIZED);
    }
    if (n == 0 || n >= buffer.size())
        return {};
    buffer.resize(n);
    if (buffer.rfind(L"\\\\?\\UNC\\", 0) == 0)
        return L"\\\\" + buffer.substr(8);
    if (buffer.rfind(L"\\\\?\\", 0) == 0)
        return buffer.substr(4);
    return buffer;
}

} // namespace

LibraryTrust CheckLibraryTrust(const std::filesystem::path& path)
{
    HANDLE h = ::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return LibraryTrust::Missing;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool disk = ::GetFileType(h) == FILE_TYPE_DISK && ::GetFileInformationByHandle(h, &info);
    const std::filesystem::path file = FinalPath(h);
    ::CloseHandle(h);
    if (!disk || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return LibraryTrust::NotRegularFile;
    if (file.empty())
        return LibraryTrust::Missing;

    const std::vector<BYTE> user = CurrentUserSid();
    const DWORD fileRights = FILE_WRITE_DATA | FILE_APPEND_DATA | WRITE_DAC | WRITE_OWNER | DELETE | GENERIC_WRITE
                             | GENERIC_ALL;
    switch (CheckSecurity(file.wstring(), fileRights, user)) {
    case Security::Safe: break;
    case Security::ForeignOwner: return LibraryTrust::ForeignOwner;
    case Security::OthersMayChange:
    case Security::Unreadable: return LibraryTrust::WritableByOthers;
    }

    // Folders on the way: no one else may add or remove entries, or rename or re-permit them.
    const DWORD folderRights = FILE_ADD_FILE | FILE_DELETE_CHILD | WRITE_DAC | WRITE_OWNER | DELETE | GENERIC_WRITE
                               | GENERIC_ALL;
    const bool unc = file.root_name().wstring().rfind(L"\\\\", 0) == 0;
    for (std::filesystem::path dir = file.parent_path();; dir = dir.parent_path()) {
        if (CheckSecurity(dir.wstring(), folderRights, user) != Security::Safe)
            return LibraryTrust::UnsafeFolder;
        // A drive ends at its root folder; a network path at its share, the first component.
        const std::filesystem::path rel = dir.relative_path();
        if (rel.empty() || (unc && std::distance(rel.begin(), rel.end()) <= 1) || dir.parent_path() == dir)
            break;
    }
    return LibraryTrust::Trusted;
}

#endif

} // namespace platform
