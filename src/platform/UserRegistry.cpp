#include "platform/UserRegistry.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace platform {

#ifdef _WIN32

namespace {

const wchar_t* Wide(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }

} // namespace

bool HasUserRegistry() { return true; }

std::optional<std::u16string> ReadUserRegistryString(const std::u16string& keyPath, const std::u16string& name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, Wide(keyPath), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return std::nullopt;
    std::optional<std::u16string> result;
    // The value may grow between asking for its size and reading it; ask again then.
    for (int attempt = 0; attempt < 4 && !result; ++attempt) {
        DWORD bytes = 0;
        if (RegGetValueW(key, nullptr, Wide(name), RRF_RT_REG_SZ, nullptr, nullptr, &bytes) != ERROR_SUCCESS)
            break;
        std::u16string value(bytes / sizeof(char16_t) + 1, u'\0');
        bytes = DWORD(value.size() * sizeof(char16_t));
        const LONG rc = RegGetValueW(key, nullptr, Wide(name), RRF_RT_REG_SZ, nullptr, value.data(), &bytes);
        if (rc == ERROR_MORE_DATA)
            continue;
        if (rc != ERROR_SUCCESS)
            break;
        value.resize(bytes / sizeof(char16_t));
        while (!value.empty() && value.back() == u'\0')
            value.pop_back();
        result = std::move(value);
    }
    RegCloseKey(key);
    return result;
}

bool WriteUserRegistryString(const std::u16string& keyPath, const std::u16string& name, const std::u16string& value)
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, Wide(keyPath), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr)
        != ERROR_SUCCESS)
        return false;
    const LONG rc = RegSetValueExW(key, Wide(name), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                   DWORD((value.size() + 1) * sizeof(char16_t)));
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

bool RemoveUserRegistryKey(const std::u16string& keyPath)
{
    const LONG rc = RegDeleteTreeW(HKEY_CURRENT_USER, Wide(keyPath));
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND)
        return false;
    const LONG last = RegDeleteKeyW(HKEY_CURRENT_USER, Wide(keyPath));
    return last == ERROR_SUCCESS || last == ERROR_FILE_NOT_FOUND;
}

#else

bool HasUserRegistry() { return false; }

std::optional<std::u16string> ReadUserRegistryString(const std::u16string&, const std::u16string&) { return std::nullopt; }

bool WriteUserRegistryString(const std::u16string&, const std::u16string&, const std::u16string&) { return false; }

bool RemoveUserRegistryKey(const std::u16string&) { return true; }

#endif

} // namespace platform
