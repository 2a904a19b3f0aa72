#pragma once
// Which encoding a text file the program shares with other installations is in (list, INI,
// property set, seed and CSV files), and its text.
//
// Such files come as UTF-8, with or without a byte order mark, or in Windows-1250, as the old
// Windows program and spreadsheets in Central European locales write them. A file that starts
// with the mark is UTF-8 (Encoding::Utf8Bom). Without it the bytes are read both ways and the
// reading that is plausible for Central European text wins:
//
// - Every well-formed multi-byte UTF-8 sequence is a witness. A Windows-1250 writer produces one
//   only by accident, from letters that happen to have the right bytes ("čšž" is E8 9A 9E, which
//   as UTF-8 is U+869E, a CJK character). So a sequence whose Windows-1250 reading is not a
//   run of letters, or whose letter case does not fit the characters on either side (within a
//   word no small letter comes before a capital and no two capitals before a small letter), is
//   evidence for UTF-8: "Ä‡" is what "ć" looks like in UTF-8 read wrongly, and "koÄŤa" what
//   "koča" does; nobody types them. A sequence whose Windows-1250 reading is plausible but whose
//   UTF-8 character is one no Central European text holds (CJK, Hangul, private use, C1
//   controls, scripts other than Latin and modern Greek, combining marks, letters of Latin
//   Extended-A the code page lacks) or whose case does not fit ("DEVÄŤ", "PÄŤDESIAT" as
//   "DEVč", "PčDESIAT") is an accident, evidence for Windows-1250. A sequence plausible both
//   ways (a capitalised "PÄŤ" or "Pč") decides nothing.
// - A file without any byte that breaks UTF-8 is UTF-8 unless its accidents outnumber its UTF-8
//   evidence. So "S235 čšž" in Windows-1250 is Windows-1250, and real Chinese in UTF-8 stays
//   Chinese (its Windows-1250 reading is no run of letters).
// - A file with bytes that break UTF-8 is Windows-1250, unless its UTF-8 evidence outnumbers the
//   places where UTF-8 breaks (runs of such bytes): then it is UTF-8 with a few bad bytes, a
//   damaged file, and it is refused with the line of its first bad byte rather than read as
//   Windows-1250 (which would turn every one of its non-ASCII characters into two wrong ones).
//
// Pure ASCII is Utf8 (both readings give the same text). After a mark, bytes that are not UTF-8
// are not looked at: they are kept as the lone surrogates that stand for them (Malformed::Escape
// of text/Utf8.h), so a rewrite gives them back.
//
// Use: one pass over the whole file decides, without building any text; decoding is then done
// per line or for the whole file.
//
//     EncodingDetector detector;
//     while (reading) detector.Feed(chunk);          // any split, also inside a character
//     const Detection found = detector.Finish();
//     if (found.Damaged()) Refuse("line " + found.damagedLine);
//     for each line (after the mark for Utf8Bom): AppendDecoded(text, line, found.encoding);
//
// or, for bytes in memory, DetectEncoding(bytes). Lines end at CR LF, a lone CR or a lone LF.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace text {

enum class Encoding { Cp1250, Utf8, Utf8Bom };

inline constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

struct Detection {
    Encoding encoding = Encoding::Utf8;
    // 0 when the file is readable in `encoding`; otherwise the file is damaged UTF-8 and this
    // is the line (from 1) of its first byte that is not UTF-8.
    std::uint64_t damagedLine = 0;

    bool Damaged() const { return damagedLine != 0; }
};

class EncodingDetector {
public:
    // The next bytes of the file.
    void Feed(std::string_view bytes);
    // After the last bytes: what the file is. The detector is then spent.
    Detection Finish();

private:
    void ScanHead();
    // Goes through the characters of `data` that start before `limit`; stops before one that `data`
    // may cut short unless `final`. Returns how many bytes it took (past `limit` when the last
    // character taken ends there).
    std::size_t Scan(std::string_view data, std::size_t limit, bool final);
    void InvalidByte(unsigned char b);
    void Sequence(const unsigned char* p, unsigned length, char32_t codePoint);
    // Counts the last sequence as evidence, accident or neither, now that the letter case of the
    // character after it is known in both readings.
    void Settle(unsigned char nextUtf8Case, unsigned char nextCp1250Case);

    // The last sequence, weighed as far as the characters before it and in it allow.
    struct Weighed {
        bool cp1250Plausible = false;
        unsigned char cp1250Case[2] = {0, 0}; // of its last two bytes read as Windows-1250
        bool utf8Plausible = false;
        unsigned char utf8Case[2] = {0, 0};   // of the UTF-8 character before it, and its own
    };
    Weighed m_weighed;
    bool m_pending = false;

    std::string m_head;  // the first bytes while they may still be the mark
    bool m_headDone = false;
    bool m_mark = false;
    std::string m_carry; // a character cut short by the end of the last bytes fed
    std::uint64_t m_line = 1;
    bool m_afterCr = false;
    bool m_inBadRun = false;
    std::uint64_t m_firstBadLine = 0;
    std::uint64_t m_badRuns = 0;
    std::uint64_t m_utf8Evidence = 0;
    std::uint64_t m_accidents = 0;
    unsigned char m_lastByte = ' ';        // the byte before the current one
    unsigned char m_utf8Case[2] = {0, 0};  // letter case of the two characters before, read as UTF-8
};

Detection DetectEncoding(std::string_view bytes);

// Appends the text of `bytes` in `encoding`: a whole file or any run of its lines, without the mark
// (Utf8Bom: bytes that are not UTF-8 become the lone surrogates standing for them).
void AppendDecoded(std::u16string& out, std::string_view bytes, Encoding encoding);
std::u16string Decode(std::string_view bytes, Encoding encoding);

} // namespace text
