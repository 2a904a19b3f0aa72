#include "text/TextEncoding.h"

#include "text/Cp1250.h"
#include "text/Utf8.h"

#include <algorithm>
#include <iterator>

namespace text {

namespace {

enum : unsigned char { kNoLetter = 0, kLower = 1, kUpper = 2 };

// The letter case of the characters that matter here: ASCII, Latin-1, Latin Extended-A (every
// letter of Windows-1250 is among them) and modern Greek.
unsigned char CaseOf(char32_t c)
{
    if (c < 0x80) {
        if (c >= 'a' && c <= 'z')
            return kLower;
        return c >= 'A' && c <= 'Z' ? kUpper : kNoLetter;
    }
    if (c >= 0xC0 && c <= 0xFF && c != 0xD7 && c != 0xF7)
        return c <= 0xDE ? kUpper : kLower;
    if (c >= 0x100 && c <= 0x17F) {
        switch (c) {
        case 0x130: case 0x178:
            return kUpper;
        case 0x131: case 0x138: case 0x149: case 0x17F:
            return kLower;
        default:
            break;
        }
        // Pairs start on an even code, except from Ĺ (U+0139) to ň and from Ź (U+0179) to ž.
        const bool oddPairs = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        return ((c & 1u) != 0) == oddPairs ? kUpper : kLower;
    }
    // Modern Greek, accented letters included.
    if (c == 0x386 || (c >= 0x388 && c <= 0x38F) || (c >= 0x391 && c <= 0x3AB))
        return kUpper;
    return c == 0x390 || (c >= 0x3AC && c <= 0x3CE) ? kLower : kNoLetter;
}

// Characters Central European text may hold beyond ASCII. Everything else a well-formed UTF-8
// sequence can give (CJK, Hangul, private use, C1 controls, Cyrillic and the other scripts,
// combining marks, letters of Latin Extended-A the code page lacks) is what Windows-1250 letters
// turn into when read as UTF-8 by accident.
bool PlausibleCharacter(char32_t c)
{
    // Of Latin Extended-A, the letters of the languages the code page serves.
    if (c >= 0x100 && c <= 0x17F)
        return UnicodeToCp1250(c) >= 0;
    struct Range {
        char32_t first;
        char32_t last;
    };
    static constexpr Range kPlausible[] = {
        {0x00A0, 0x017F},   // Latin-1 signs and letters, Latin Extended-A
        {0x01C4, 0x01CC},   // the Croatian digraph letters
        {0x0218, 0x021B},   // Romanian letters with a comma below
        {0x02C6, 0x02C7},   // spacing accents
        {0x02D8, 0x02DD},
        {0x0384, 0x03CE},   // Greek
        {0x2000, 0x2BFF},   // punctuation, currency, letter-like signs, arrows, maths, technical signs, shapes
        {0x2E00, 0x2E7F},   // more punctuation
        {0xFB00, 0xFB06},   // Latin ligatures
        {0xFE00, 0xFE0F},   // variation selectors
        {0xFEFF, 0xFEFF},   // a byte order mark inside the text
        {0xFFFD, 0xFFFD},   // the replacement character
        {0x1F000, 0x1FAFF}, // emoji and pictographs
    };
    const auto* it = std::upper_bound(std::begin(kPlausible), std::end(kPlausible), c,
                                      [](char32_t v, const Range& r) { return v < r.first; });
    return it != std::begin(kPlausible) && c <= std::prev(it)->last;
}

// Within a word, a small letter is not followed by a capital, and two capitals not by a small
// letter ("ABc"); a letter next to anything else starts or ends a word.
bool ImplausibleCase(unsigned char before2, unsigned char before, unsigned char current)
{
    return (before == kLower && current == kUpper) || (before2 == kUpper && before == kUpper && current == kLower);
}

void AppendUtf16(std::u16string& out, char32_t c)
{
    if (c >= 0x10000) {
        c -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    } else {
        out.push_back(static_cast<char16_t>(c));
    }
}

} // namespace

void EncodingDetector::Feed(std::string_view bytes)
{
    if (!m_headDone) {
        const std::size_t take = std::min(bytes.size(), kUtf8Mark.size() - m_head.size());
        m_head.append(bytes.substr(0, take));
        bytes.remove_prefix(take);
        if (m_head.size() < kUtf8Mark.size() && kUtf8Mark.substr(0, m_head.size()) == m_head)
            return; // still perhaps the mark
        ScanHead();
    }
    if (m_mark)
        return;
    if (!m_carry.empty()) {
        // The character cut short, completed from the new bytes (a character is at most 4 bytes).
        const std::string joined = m_carry + std::string(bytes.substr(0, 3));
        const std::size_t carried = m_carry.size();
        m_carry.clear();
        const std::size_t taken = Scan(joined, carried, false);
        if (taken < carried) {
            m_carry = joined.substr(taken); // still cut short: Bytes was shorter than what it needs
            return;
        }
        bytes.remove_prefix(std::min(bytes.size(), taken - carried));
    }
    m_carry.assign(bytes.substr(Scan(bytes, bytes.size(), false)));
}

void EncodingDetector::ScanHead()
{
    m_headDone = true;
    if (m_head == kUtf8Mark) {
        m_mark = true;
        return;
    }
    const std::string head = std::move(m_head);
    m_carry.assign(head.substr(Scan(head, head.size(), false)));
}

Detection EncodingDetector::Finish()
{
    if (!m_headDone)
        ScanHead();
    if (!m_carry.empty()) {
        const std::string rest = std::move(m_carry);
        Scan(rest, rest.size(), true);
    }
    if (m_pending)
        Settle(kNoLetter, kNoLetter);
    Detection found;
    if (m_mark) {
        found.encoding = Encoding::Utf8Bom;
    } else if (m_badRuns == 0) {
        found.encoding = m_accidents > m_utf8Evidence ? Encoding::Cp1250 : Encoding::Utf8;
    } else if (m_utf8Evidence > m_badRuns) {
        found.damagedLine = m_firstBadLine;
    } else {
        found.encoding = Encoding::Cp1250;
    }
    return found;
}

std::size_t EncodingDetector::Scan(std::string_view data, std::size_t limit, bool final)
{
    const auto* const begin = reinterpret_cast<const unsigned char*>(data.data());
    const auto* const stop = begin + limit;
    const auto* const end = begin + data.size();
    const auto* p = begin;
    while (p < stop) {
        const unsigned char b = *p;
        if (b < 0x80) {
            if (m_firstBadLine == 0) {
                if (b == '\r')
                    ++m_line;
                else if (b == '\n' && !m_afterCr)
                    ++m_line;
                m_afterCr = b == '\r';
            }
            m_inBadRun = false;
            const unsigned char letterCase = CaseOf(b);
            if (m_pending)
                Settle(letterCase, letterCase);
            m_utf8Case[0] = m_utf8Case[1];
            m_utf8Case[1] = letterCase;
            m_lastByte = b;
            ++p;
            continue;
        }
        const std::size_t need = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
        if (!final && std::size_t(end - p) < need)
            break;
        const Utf8Char c = DecodeUtf8Char(p, end);
        if (c.length == 0) {
            InvalidByte(b);
            ++p;
        } else {
            Sequence(p, c.length, c.codePoint);
            p += c.length;
        }
    }
    return std::size_t(p - begin);
}

void EncodingDetector::InvalidByte(unsigned char b)
{
    if (m_pending)
        Settle(kNoLetter, CaseOf(Cp1250ToUnicode(b)));
    m_lastByte = b;
    m_afterCr = false;
    if (!m_inBadRun)
        ++m_badRuns;
    m_inBadRun = true;
    if (m_firstBadLine == 0)
        m_firstBadLine = m_line;
    m_utf8Case[0] = m_utf8Case[1];
    m_utf8Case[1] = kNoLetter;
}

void EncodingDetector::Sequence(const unsigned char* p, unsigned length, char32_t codePoint)
{
    const unsigned char letterCase = CaseOf(codePoint);
    if (m_pending)
        Settle(letterCase, CaseOf(Cp1250ToUnicode(p[0])));
    m_afterCr = false;
    m_inBadRun = false;
    // Read as Windows-1250: letters only, in a case that fits the character before them.
    Weighed& w = m_weighed;
    w.cp1250Plausible = true;
    w.cp1250Case[0] = kNoLetter;
    w.cp1250Case[1] = CaseOf(Cp1250ToUnicode(m_lastByte));
    for (unsigned i = 0; i < length && w.cp1250Plausible; ++i) {
        const unsigned char current = CaseOf(Cp1250ToUnicode(p[i]));
        w.cp1250Plausible = current != kNoLetter && !ImplausibleCase(w.cp1250Case[0], w.cp1250Case[1], current);
        w.cp1250Case[0] = w.cp1250Case[1];
        w.cp1250Case[1] = current;
    }
    w.utf8Plausible = PlausibleCharacter(codePoint) && !ImplausibleCase(m_utf8Case[0], m_utf8Case[1], letterCase);
    w.utf8Case[0] = m_utf8Case[1];
    w.utf8Case[1] = letterCase;
    m_pending = true; // the character after it decides the rest
    m_utf8Case[0] = m_utf8Case[1];
    m_utf8Case[1] = letterCase;
    m_lastByte = p[length - 1];
}

void EncodingDetector::Settle(unsigned char nextUtf8Case, unsigned char nextCp1250Case)
{
    m_pending = false;
    const Weighed& w = m_weighed;
    if (!w.cp1250Plausible || ImplausibleCase(w.cp1250Case[0], w.cp1250Case[1], nextCp1250Case))
        ++m_utf8Evidence;
    else if (!w.utf8Plausible || ImplausibleCase(w.utf8Case[0], w.utf8Case[1], nextUtf8Case))
        ++m_accidents;
}

Detection DetectEncoding(std::string_view bytes)
{
    EncodingDetector detector;
    detector.Feed(bytes);
    return detector.Finish();
}

void AppendDecoded(std::u16string& out, std::string_view bytes, Encoding encoding)
{
    out.reserve(out.size() + bytes.size());
    if (encoding == Encoding::Cp1250) {
        for (const char b : bytes)
            out.push_back(Cp1250ToUnicode(static_cast<unsigned char>(b)));
        return;
    }
    DecodeUtf8(bytes, Malformed::Escape, [&out](char32_t c) { AppendUtf16(out, c); });
}

std::u16string Decode(std::string_view bytes, Encoding encoding)
{
    std::u16string out;
    AppendDecoded(out, bytes, encoding);
    return out;
}

} // namespace text
