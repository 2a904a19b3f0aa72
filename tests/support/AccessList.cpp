#include "support/AccessList.h"

#include <windows.h>
#include <aclapi.h>

#include <string>

namespace testfiles {

bool GrantEveryone(const std::filesystem::path& path, unsigned long rights)
{
    PACL old = nullptr;
    PACL updated = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const std::wstring name = path.wstring();
    if (GetNamedSecurityInfoW(name.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &old,
                              nullptr, &descriptor)
        != ERROR_SUCCESS)
        return false;
    EXPLICIT_ACCESS_W access{};
    access.grfAccessPermissions = rights;
    access.grfAccessMode = GRANT_ACCESS;
    access.grfInheritance = NO_INHERITANCE;
    access.Trustee.TrusteeForm = TRUSTEE_IS_NAME;
    access.Trustee.ptstrName = const_cast<wchar_t*>(L"EVERYONE");
    const bool ok = SetEntriesInAclW(1, &access, old, &updated) == ERROR_SUCCESS
        && SetNamedSecurityInfoW(const_cast<wchar_t*>(name.c_str()), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                 nullptr, nullptr, updated, nullptr)
               == ERROR_SUCCESS;
    LocalFree(updated);
    LocalFree(descriptor);
    return ok;
}

} // namespace testfiles
