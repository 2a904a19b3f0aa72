#include "text/Utf8.h"

namespace text {

bool IsValidUtf8(std::string_view bytes) noexcept
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = p + bytes.size();
    while (p < end) {
        if (*p < 0x80) {
            ++p;
            continue;
        }
        const Utf8Char c = DecodeUtf8Char(p, end);
        if (c.length == 0)
            return false;
        p += c.length;
    }
    return true;
}

void AppendUtf8(std::string& out, char32_t c, Malformed malformed)
{
    if (c >= 0xD800 && c <= 0xDFFF) {
        if (malformed == Malformed::Escape && IsEscapedByte(c)) {
            out.push_back(static_cast<char>(c - 0xDC00));
            return;
        }
        c = kReplacementCharacter;
    } else if (c > 0x10FFFF) {
        c = kReplacementCharacter;
    }
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

std::string Utf8FromUtf16(std::u16string_view text, Malformed malformed)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00);
            ++i;
        }
        AppendUtf8(out, c, malformed);
    }
    return out;
}

std::u16string Utf16FromUtf8(std::string_view bytes, Malformed malformed)
{
    std::u16string out;
    out.reserve(bytes.size());
    DecodeUtf8(bytes, malformed, [&out](char32_t c) {
        if (c >= 0x10000) {
            c -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(c));
        }
    });
    return out;
}

} // namespace text
