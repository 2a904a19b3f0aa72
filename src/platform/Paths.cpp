#include "platform/Paths.h"

#include <cstdlib>
#include <string>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace platform {
namespace {

std::filesystem::path FromEnv(const char* name)
{
#ifdef _WIN32
    std::wstring wname(name, name + std::char_traits<char>::length(name));
    const wchar_t* value = _wgetenv(wname.c_str());
    // In the system's own form, also when given with slashes: the paths built on it are shown.
    if (value && *value)
        return std::filesystem::path(value).make_preferred();
#else
    const char* value = std::getenv(name);
    if (value && *value)
        return std::filesystem::path(value);
#endif
    return {};
}

#ifndef _WIN32
std::filesystem::path HomeDir()
{
    auto home = FromEnv("HOME");
    if (!home.empty())
        return home;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir)
        return pw->pw_dir;
    return "/tmp";
}
#endif

} // namespace

std::filesystem::path ExecutablePath()
{
#ifdef _WIN32
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), DWORD(buffer.size()));
        if (n < buffer.size()) {
            buffer.resize(n);
            return std::filesystem::path(buffer);
        }
        buffer.resize(buffer.size() * 2);
    }
#else
    std::error_code ec;
    auto p = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : p;
#endif
}

std::filesystem::path UserConfigDir()
{
    if (auto p = FromEnv("KRDL_CONFIG_HOME"); !p.empty())
        return p;
#ifdef _WIN32
    return FromEnv("APPDATA");
#else
    if (auto p = FromEnv("XDG_CONFIG_HOME"); !p.empty())
        return p;
    return HomeDir() / ".config";
#endif
}

std::filesystem::path UserDataDir()
{
    if (auto p = FromEnv("KRDL_DATA_HOME"); !p.empty())
        return p;
#ifdef _WIN32
    return FromEnv("LOCALAPPDATA");
#else
    if (auto p = FromEnv("XDG_DATA_HOME"); !p.empty())
        return p;
    return HomeDir() / ".local" / "share";
#endif
}

std::filesystem::path UserRuntimeDir()
{
    if (auto p = FromEnv("KRDL_RUNTIME_DIR"); !p.empty())
        return p;
#ifdef _WIN32
    return std::filesystem::temp_directory_path();
#else
    if (auto p = FromEnv("XDG_RUNTIME_DIR"); !p.empty())
        return p;
    // A folder of our own, readable by this user only.
    std::error_code ec;
    auto dir = std::filesystem::temp_directory_path(ec) / ("krdl-" + std::to_string(getuid()));
    ::mkdir(dir.c_str(), 0700);
    return dir;
#endif
}

} // namespace platform
