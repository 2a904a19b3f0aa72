#include "text/NativePath.h"

#include "text/Utf8.h"

#include <type_traits>

namespace text {

namespace {

// Templates, so that only the branch of this platform's path character type is compiled.
template <class Native> std::filesystem::path PathFrom(std::u16string_view text)
{
    if constexpr (std::is_same_v<typename Native::value_type, char>)
        return std::filesystem::path(NativeBytesFromUtf16(text));
    else
        return std::filesystem::path(Native(text.begin(), text.end()));
}

template <class Native> std::u16string Utf16From(const Native& native)
{
    if constexpr (std::is_same_v<typename Native::value_type, char>)
        return Utf16FromNativeBytes(native);
    else
        return std::u16string(native.begin(), native.end());
}

} // namespace

std::u16string Utf16FromNativeBytes(std::string_view bytes)
{
    return Utf16FromUtf8(bytes, Malformed::Escape);
}

std::string NativeBytesFromUtf16(std::u16string_view text)
{
    return Utf8FromUtf16(text, Malformed::Escape);
}

std::filesystem::path PathFromUtf16(std::u16string_view text)
{
    return PathFrom<std::filesystem::path::string_type>(text);
}

std::u16string Utf16FromPath(const std::filesystem::path& path)
{
    return Utf16From(path.native());
}

} // namespace text
