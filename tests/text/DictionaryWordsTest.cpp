// Every word of the Slovenian, Croatian, Czech, Slovak, Polish and Hungarian spell-checking
// dictionaries (Debian's hunspell-sl, -hr, -cs, -sk, -pl, -hu), as it stands and in capitals,
// written in Windows-1250 and in UTF-8 without a byte order mark, reads back as written: each word
// alone, and all of them in one file.
#include "text/Cp1250.h"
#include "text/TextEncoding.h"
#include "text/Utf8.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using testfiles::ReadFileBytes;

// ISO-8859-2 from 0xA0 to 0xBF; below it is ASCII and C1 controls, above it Windows-1250.
constexpr char16_t kIso88592[32] = {
    0x00A0, 0x0104, 0x02D8, 0x0141, 0x00A4, 0x013D, 0x015A, 0x00A7, 0x00A8, 0x0160, 0x015E,
    0x0164, 0x0179, 0x00AD, 0x017D, 0x017B, 0x00B0, 0x0105, 0x02DB, 0x0142, 0x00B4, 0x013E,
    0x015B, 0x02C7, 0x00B8, 0x0161, 0x015F, 0x0165, 0x017A, 0x02DD, 0x017E, 0x017C,
};

std::u16string fromIso88592(std::string_view bytes)
{
    std::u16string out;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        out.push_back(b < 0xA0 ? char16_t(b) : b < 0xC0 ? kIso88592[b - 0xA0] : text::Cp1250ToUnicode(b));
    }
    return out;
}

// The words of a dictionary in the encoding its .aff names: on each line after the count, the
// text up to an unescaped "/" (flags follow) or a blank (a description follows).
std::vector<std::u16string> dictionaryWords(const std::string& affix, const std::string& dictionary)
{
    const std::string affixLines = "\n" + affix;
    const std::size_t set = affixLines.find("\nSET ");
    const bool utf8 = set != std::string::npos && affixLines.compare(set + 5, 5, "UTF-8") == 0;
    std::vector<std::u16string> words;
    std::istringstream lines(dictionary);
    std::string line;
    std::getline(lines, line);
    while (std::getline(lines, line)) {
        std::string word;
        for (std::size_t i = 0; i < line.size() && line[i] != '/' && line[i] != ' ' && line[i] != '\t' && line[i] != '\r';
             ++i) {
            if (line[i] == '\\' && i + 1 < line.size() && line[i + 1] == '/')
                ++i;
            word.push_back(line[i]);
        }
        if (!word.empty() && word[0] != '#')
            words.push_back(utf8 ? text::Utf16FromUtf8(word) : fromIso88592(word));
    }
    return words;
}

// The word's Windows-1250 bytes; empty when the code page lacks one of its letters.
std::string cp1250Of(const std::u16string& word)
{
    std::string bytes;
    for (const char16_t c : word) {
        const int b = text::UnicodeToCp1250(c);
        if (b < 0)
            return {};
        bytes.push_back(static_cast<char>(b));
    }
    return bytes;
}

// In capitals (the letters of Latin-1 and Latin Extended-A; "ß" stays).
std::u16string capitals(std::u16string word)
{
    for (char16_t& c : word) {
        const bool oddPairs = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7))
            c = char16_t(c - 0x20);
        else if (c >= 0x100 && c <= 0x17F && c != 0x131 && c != 0x138 && c != 0x149 && ((c & 1u) == 0) == oddPairs)
            c = char16_t(c - 1);
    }
    return word;
}

bool readsBack(const std::string& bytes, const std::u16string& written)
{
    const text::Detection found = text::DetectEncoding(bytes);
    return !found.Damaged() && text::Decode(bytes, found.encoding) == written;
}

class DictionaryWords : public testing::TestWithParam<const char*> {};

} // namespace

TEST_P(DictionaryWords, ReadBackAsWrittenInBothEncodings)
{
    const std::string base = std::string("/usr/share/hunspell/") + GetParam();
    const std::string affix = ReadFileBytes(base + ".aff");
    const std::string dictionary = ReadFileBytes(base + ".dic");
    if (affix.empty() || dictionary.empty())
        GTEST_SKIP() << base << ".dic/.aff not found: install Debian's hunspell dictionary for it";
    const std::vector<std::u16string> words = dictionaryWords(affix, dictionary);
    ASSERT_GT(words.size(), 10000u);

    // "PÄŤ" (five) in Windows-1250 is byte for byte "Pč" in UTF-8, and both read plausibly.
    const std::u16string ambiguous = u"PÄŤ";
    std::size_t withoutCp1250 = 0;
    std::vector<std::string> failed; // "cp1250: word" or "utf-8: word", in UTF-8
    std::u16string all;
    std::string allCp1250;
    for (const std::u16string& asWritten : words) {
        for (const std::u16string& word : {asWritten, capitals(asWritten)}) {
            const std::string utf8 = text::Utf8FromUtf16(word);
            if (!readsBack(utf8, word))
                failed.push_back("utf-8: " + utf8);
            all += word + u"\r\n";
            const std::string cp1250 = cp1250Of(word);
            if (cp1250.empty()) {
                ++withoutCp1250; // "São", "øre", "kΩ-os": Windows-1250 cannot write them
                continue;
            }
            if (!readsBack(cp1250, word) && word != ambiguous)
                failed.push_back("cp1250: " + utf8);
            allCp1250 += cp1250 + "\r\n";
        }
    }
    std::cout << GetParam() << ": " << words.size() << " words and their capitals, " << withoutCp1250
              << " of them not in Windows-1250; " << failed.size() << " do not read back\n";
    std::string listed;
    for (std::size_t i = 0; i < failed.size() && i < 50; ++i)
        listed += failed[i] + "\n";
    EXPECT_TRUE(failed.empty()) << listed;

    EXPECT_TRUE(readsBack(text::Utf8FromUtf16(all), all)) << "all words in one UTF-8 file";
    std::u16string allWritable;
    for (const char c : allCp1250)
        allWritable.push_back(text::Cp1250ToUnicode(static_cast<unsigned char>(c)));
    EXPECT_TRUE(readsBack(allCp1250, allWritable)) << "all words in one Windows-1250 file";
}

INSTANTIATE_TEST_SUITE_P(Languages, DictionaryWords,
                         testing::Values("sl_SI", "hr_HR", "cs_CZ", "sk_SK", "pl_PL", "hu_HU"));
