// Which encoding a shared text file is in: whole, and fed in pieces split anywhere.
#include "text/TextEncoding.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string described(const text::Detection& d)
{
    static const char* const names[] = {"Cp1250", "Utf8", "Utf8Bom"};
    return d.Damaged() ? "damaged at line " + std::to_string(d.damagedLine) : names[int(d.encoding)];
}

} // namespace

TEST(TextEncoding, DetectionWholeAndInPieces)
{
    struct Case {
        const char* what;
        std::string bytes;
        std::string expected;
    };
    const std::string utf8Row = "b.par,\xC4\x8C\xC4\x87\xC5\xBE\xC5\xA1\xC4\x91\r\n"; // Čćžšđ
    const Case table[] = {
        {"empty", "", "Utf8"},
        {"ASCII", "Path,A\r\nx,1\r\n", "Utf8"},
        {"UTF-8 letters", "Ko\xC4\x8D" "evje, \xC5\xBD" "u\xC5\xBE" "emberk", "Utf8"},
        {"a mark, bytes after it not looked at", "\xEF\xBB\xBFS235 \xE8\x9A\x9E\xFF", "Utf8Bom"},
        {"a mark cut short is no mark", "\xEF\xBB", "Cp1250"},
        // Windows-1250 letters that form UTF-8 by accident: CJK, an Arabic letter, a small
        // letter after two capitals.
        {"S235 \xE8\x9A\x9E (\"čšž\" as U+869E)", "S235 \xE8\x9A\x9E", "Cp1250"},
        {"\xDA\x8E" "INA (\"ÚŽINA\", U+068E)", "\xDA\x8E" "INA", "Cp1250"},
        {"DEV\xC4\x8D (\"DEVÄŤ\" read as \"DEVč\")", "DEV\xC4\x8D", "Cp1250"},
        {"P\xC4\x8D" "DESIAT (\"PÄŤDESIAT\" read as \"PčDESIAT\")", "P\xC4\x8D" "DESIAT", "Cp1250"},
        {"Windows-1250 with bytes that are not UTF-8", "Kova\xE8 \x8A\x9D" "astn\xFD", "Cp1250"},
        {"real CJK in UTF-8 stays UTF-8", "\xE9\x83\xA8\xE5\x93\x81 \xE4\xB8\xAD", "Utf8"},
        // Mostly UTF-8, with one bad byte (a Windows-1250 š) on line 5: every kind of line end.
        {"damaged UTF-8", "Path,Name\r\n" + utf8Row + "x\ry\n" + "c.par,\x9A" + utf8Row, "damaged at line 5"},
        {"one UTF-8 letter is not enough to call bad bytes damage", "\xC4\x87 \xE8", "Cp1250"},
        {"\"čas čaj\" is: \"ÄŤas\" is no Windows-1250 word", "\xC4\x8D" "as \xC4\x8D" "aj \xE8", "damaged at line 1"},
    };
    for (const Case& c : table) {
        EXPECT_EQ(described(text::DetectEncoding(c.bytes)), c.expected) << c.what;
        for (std::size_t split = 0; split <= c.bytes.size(); ++split) {
            text::EncodingDetector two;
            two.Feed(std::string_view(c.bytes).substr(0, split));
            two.Feed(std::string_view(c.bytes).substr(split));
            ASSERT_EQ(described(two.Finish()), c.expected) << c.what << ", split at " << split;
        }
        text::EncodingDetector bytewise;
        for (const char b : c.bytes)
            bytewise.Feed(std::string_view(&b, 1));
        EXPECT_EQ(described(bytewise.Finish()), c.expected) << c.what << ", byte by byte";
    }
}

TEST(TextEncoding, DecodesInTheEncodingFound)
{
    EXPECT_EQ(text::Decode("S235 \xE8\x9A\x9E", text::Encoding::Cp1250), u"S235 čšž");
    EXPECT_EQ(text::Decode("S235 \xE8\x9A\x9E", text::Encoding::Utf8), u"S235 \u869E");
    // After a mark, a byte that is not UTF-8 stands for itself.
    EXPECT_EQ(text::Decode("\xC4\x8D\x9A", text::Encoding::Utf8Bom), u"č\xDC9A");
    std::u16string lines = u"a";
    text::AppendDecoded(lines, "\xF0\x9F\x98\x80", text::Encoding::Utf8);
    EXPECT_EQ(lines, u"a\U0001F600");
}
