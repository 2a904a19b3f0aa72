#include "platform/SystemPath.h"

#include <system_error>

namespace platform {

#ifdef _WIN32

std::filesystem::path::string_type SystemPath(const std::filesystem::path& path)
{
    // 248 rather than 260: a folder must leave room for an 8.3 name inside it.
    const std::wstring& native = path.native();
    if (native.size() < 248 || native.rfind(L"\\\\?\\", 0) == 0)
        return native;
    // A network path: its server and share are no folders of a drive, so it is normalised
    // without being made absolute.
    const auto isSeparator = [](wchar_t c) { return c == L'\\' || c == L'/'; };
    if (isSeparator(native[0]) && isSeparator(native[1])) {
        std::filesystem::path rest = std::filesystem::path(native.substr(2)).lexically_normal();
        return L"\\\\?\\UNC\\" + rest.make_preferred().native();
    }
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(path, ec);
    if (ec)
        return native;
    std::filesystem::path normal = full.lexically_normal();
    const std::wstring text = normal.make_preferred().native();
    return L"\\\\?\\" + text;
}

#else

std::filesystem::path::string_type SystemPath(const std::filesystem::path& path)
{
    return path.native();
}

#endif

} // namespace platform
