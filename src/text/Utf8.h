#pragma once
// UTF-8 decoding and encoding, strict: no overlong forms, no surrogates, nothing above
// U+10FFFF. What a caller does with bytes that are not well-formed UTF-8 is its choice:
// - Malformed::Replace turns each of them into U+FFFD (text shown to people, property values);
// - Malformed::Escape turns each into the lone low surrogate U+DC80..U+DCFF that stands for that
//   byte, so that EncodeUtf8 with the same choice gives the original bytes back (file names,
//   command-line arguments: on POSIX a name is bytes, and a name that is not UTF-8 must still
//   reach the file it names).

#include <cstddef>
#include <string>
#include <string_view>

namespace text {

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

enum class Malformed { Replace, Escape };

// The lone surrogate that stands for a byte that is not part of well-formed UTF-8.
constexpr char32_t EscapedByte(unsigned char byte) { return 0xDC00u + byte; }
// True for the surrogates EscapedByte gives (bytes 0x80..0xFF; ASCII is always well-formed).
constexpr bool IsEscapedByte(char32_t c) { return c >= 0xDC80 && c <= 0xDCFF; }

// One character at the start of [p, end): its code point and how many bytes it takes, or a
// length of 0 when the bytes there are not a well-formed sequence. P must be before End.
struct Utf8Char {
    char32_t codePoint = 0;
    unsigned length = 0;
};
inline Utf8Char DecodeUtf8Char(const unsigned char* p, const unsigned char* end) noexcept
{
    const unsigned char b = *p;
    if (b < 0x80)
        return {b, 1};
    unsigned length;
    char32_t cp;
    char32_t minimum;
    if (b >= 0xC2 && b <= 0xDF) {
        length = 2, cp = b & 0x1Fu, minimum = 0x80;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3, cp = b & 0x0Fu, minimum = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4, cp = b & 0x07u, minimum = 0x10000;
    } else {
        return {};
    }
    if (end - p < std::ptrdiff_t(length))
        return {};
    for (unsigned i = 1; i < length; ++i) {
        if ((p[i] & 0xC0u) != 0x80u)
            return {};
        cp = (cp << 6) | (p[i] & 0x3Fu);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return {};
    return {cp, length};
}

// Calls out(code point) for every character of `bytes`; a byte that does not start a well-formed
// sequence gives one character by the `malformed` choice and decoding goes on with the next byte.
template <class Out> void DecodeUtf8(std::string_view bytes, Malformed malformed, Out&& out)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = p + bytes.size();
    while (p < end) {
        const Utf8Char c = DecodeUtf8Char(p, end);
        if (c.length == 0) {
            out(malformed == Malformed::Escape ? EscapedByte(*p) : kReplacementCharacter);
            ++p;
        } else {
            out(c.codePoint);
            p += c.length;
        }
    }
}

// True when every byte is part of a well-formed sequence.
bool IsValidUtf8(std::string_view bytes) noexcept;

// Appends one code point. With Malformed::Escape an escaped byte (IsEscapedByte) is appended as
// that byte; any other surrogate, and every surrogate with Malformed::Replace, as U+FFFD.
void AppendUtf8(std::string& out, char32_t c, Malformed malformed = Malformed::Replace);

// UTF-16 (unpaired surrogates allowed) to UTF-8 and back, by the `malformed` choice: with Escape,
// Utf8FromUtf16(Utf16FromUtf8(bytes)) == bytes for any bytes.
std::string Utf8FromUtf16(std::u16string_view text, Malformed malformed = Malformed::Replace);
std::u16string Utf16FromUtf8(std::string_view bytes, Malformed malformed = Malformed::Replace);

// The same for the wchar_t text of the system's wide calls where wchar_t is a UTF-16 code unit
// (Windows). Templates, so that a system whose wchar_t is wider never compiles them.
template <class Wide = wchar_t> std::basic_string<Wide> WideFromUtf8(std::string_view bytes)
{
    static_assert(sizeof(Wide) == sizeof(char16_t));
    const std::u16string text = Utf16FromUtf8(bytes);
    return {text.begin(), text.end()};
}
template <class Wide> std::string Utf8FromWide(const Wide* text, std::size_t length)
{
    static_assert(sizeof(Wide) == sizeof(char16_t));
    return Utf8FromUtf16(std::u16string(text, text + length));
}

} // namespace text
