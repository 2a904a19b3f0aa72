#pragma once
// Text in property sets: UTF-16 for code page 1200 and for VT_LPWSTR values, otherwise bytes in
// the section's code page. Inside the engine text is UTF-8.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace cfb {

inline constexpr std::uint16_t kCodePageUnicode = 1200;
inline constexpr std::uint16_t kCodePageUtf8 = 65001;

// UTF-16LE bytes (an odd last byte is ignored) to UTF-8; unpaired surrogates become U+FFFD.
std::string Utf16LeToUtf8(const std::uint8_t* bytes, std::size_t length);
// UTF-8 to UTF-16LE bytes; malformed sequences become U+FFFD.
std::vector<std::uint8_t> Utf8ToUtf16Le(const std::string& text);
std::u16string Utf8ToUtf16(const std::string& text);
std::string Utf16ToUtf8(const std::u16string& text);

// `bytes` in `codePage` to UTF-8. Code pages the engine has no table for keep ASCII and turn other
// bytes into U+FFFD (such values are never rewritten, so nothing is lost in the file).
std::string DecodeCodePage(const std::uint8_t* bytes, std::size_t length, std::uint16_t codePage);
// UTF-8 to bytes in `codePage`, or nothing when a character has no place in it.
std::optional<std::vector<std::uint8_t>> EncodeCodePage(const std::string& text, std::uint16_t codePage);

} // namespace cfb
