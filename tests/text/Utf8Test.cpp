// Strict UTF-8 decoding with both treatments of malformed bytes.
#include "text/Utf8.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::u32string decode(std::string_view bytes, text::Malformed m)
{
    std::u32string out;
    text::DecodeUtf8(bytes, m, [&out](char32_t c) { out.push_back(c); });
    return out;
}

} // namespace

TEST(Utf8, MalformedSequencesAreReplacedOrEscapedBytewise)
{
    struct Case {
        std::string bytes;
        std::u32string replaced;
        std::u32string escaped;
    };
    const Case cases[] = {
        {"a\xC4\x8D", U"a\u010D", U"a\u010D"},                                  // č
        {"\xF0\x9F\x98\x80", U"\U0001F600", U"\U0001F600"},                     // four bytes
        {"\xC0\x80", U"\uFFFD\uFFFD", U"\xDCC0\xDC80"},                         // overlong NUL
        {"\xE0\x80\xAF", U"\uFFFD\uFFFD\uFFFD", U"\xDCE0\xDC80\xDCAF"},         // overlong '/'
        {"\xED\xA0\x80", U"\uFFFD\uFFFD\uFFFD", U"\xDCED\xDCA0\xDC80"},         // a surrogate
        {"\xF4\x90\x80\x80", U"\uFFFD\uFFFD\uFFFD\uFFFD", U"\xDCF4\xDC90\xDC80\xDC80"}, // above U+10FFFF
        {"\xE2\x82", U"\uFFFD\uFFFD", U"\xDCE2\xDC82"},                         // cut short
        {"\x9A\xE8x", U"\uFFFD\uFFFDx", U"\xDC9A\xDCE8x"},                      // Windows-1250 "šč"
    };
    for (const Case& c : cases) {
        EXPECT_EQ(decode(c.bytes, text::Malformed::Replace), c.replaced) << c.bytes;
        EXPECT_EQ(decode(c.bytes, text::Malformed::Escape), c.escaped) << c.bytes;
        EXPECT_EQ(text::IsValidUtf8(c.bytes), c.replaced.find(U'\uFFFD') == std::u32string::npos) << c.bytes;
    }
}

TEST(Utf8, EscapedBytesEncodeBackToThemselvesAndOnlyThen)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all.push_back(char(b));
    all += "\xC4\x8D\xED\xA0\x80\xF0\x9F\x98\x80";
    const std::u16string escaped = text::Utf16FromUtf8(all, text::Malformed::Escape);
    EXPECT_EQ(text::Utf8FromUtf16(escaped, text::Malformed::Escape), all);
    // Replaced, the same text loses the bytes; a lone surrogate never becomes a byte.
    EXPECT_EQ(text::Utf8FromUtf16(u"\xDC9A", text::Malformed::Replace), "\xEF\xBF\xBD");
    EXPECT_EQ(text::Utf8FromUtf16(u"\xD800x", text::Malformed::Escape), "\xEF\xBF\xBDx");
}
