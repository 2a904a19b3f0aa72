#pragma once
// The one conversion between program text (UTF-16, as Qt holds it) and the names the file
// system and the command line take.
//
// Where native names are UTF-16 (Windows) the conversion is the identity. Where a name is bytes
// (POSIX) it is UTF-8 where the bytes are well-formed, and every byte that is not becomes the
// lone surrogate U+DC80..U+DCFF standing for it (Malformed::Escape of text/Utf8.h), which turns
// back into that byte. So a Windows-1250 name from an old share, such as "cp1250_\x9a\xe8.par",
// survives any number of trips through program text and still opens the same file.

#include <filesystem>
#include <string>
#include <string_view>

namespace text {

// True where native names are UTF-16 rather than bytes.
inline constexpr bool kNativeNamesAreUtf16 = sizeof(std::filesystem::path::value_type) == sizeof(char16_t);

std::filesystem::path PathFromUtf16(std::u16string_view text);
std::u16string Utf16FromPath(const std::filesystem::path& path);

// The POSIX rule on its own: bytes of a name or argument to text and back.
std::u16string Utf16FromNativeBytes(std::string_view bytes);
std::string NativeBytesFromUtf16(std::u16string_view text);

} // namespace text
