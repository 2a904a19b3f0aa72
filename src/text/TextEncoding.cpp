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
unsigned char caseOf(char32_t c)
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
bool plausibleCharacter(char32_t c)
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
bool implausibleCase(unsigned char before2, unsigned char before, unsigned char current)
{
    return (before == kLower && current == kUpper) || (before2 == kUpper && before == kUpper && current == kLower);
}

void appendUtf16(std::u16string& out, char32_t c)
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
    if (!headDone_) {
        const std::size_t take = std::min(bytes.size(), kUtf8Mark.size() - head_.size());
        head_.append(bytes.substr(0, take));
        bytes.remove_prefix(take);
        if (head_.size() < kUtf8Mark.size() && kUtf8Mark.substr(0, head_.size()) == head_)
            return; // still perhaps the mark
        scanHead();
    }
    if (mark_)
        return;
    if (!carry_.empty()) {
        // The character cut short, completed from the new bytes (a character is at most 4 bytes).
        const std::string joined = carry_ + std::string(bytes.substr(0, 3));
        const std::size_t carried = carry_.size();
        carry_.clear();
        const std::size_t taken = scan(joined, carried, false);
        if (taken < carried) {
            carry_ = joined.substr(taken); // still cut short: Bytes was shorter than what it needs
            return;
        }
        bytes.remove_prefix(std::min(bytes.size(), taken - carried));
    }
    carry_.assign(bytes.substr(scan(bytes, bytes.size(), false)));
}

void EncodingDetector::scanHead()
{
    headDone_ = true;
    if (head_ == kUtf8Mark) {
        mark_ = true;
        return;
    }
    const std::string head = std::move(head_);
    carry_.assign(head.substr(scan(head, head.size(), false)));
}

Detection EncodingDetector::Finish()
{
    if (!headDone_)
        scanHead();
    if (!carry_.empty()) {
        const std::string rest = std::move(carry_);
        scan(rest, rest.size(), true);
    }
    if (pending_)
        settle(kNoLetter, kNoLetter);
    Detection found;
    if (mark_) {
        found.encoding = Encoding::Utf8Bom;
    } else if (badRuns_ == 0) {
        found.encoding = accidents_ > utf8Evidence_ ? Encoding::Cp1250 : Encoding::Utf8;
    } else if (utf8Evidence_ > badRuns_) {
        found.damagedLine = firstBadLine_;
    } else {
        found.encoding = Encoding::Cp1250;
    }
    return found;
}

std::size_t EncodingDetector::scan(std::string_view data, std::size_t limit, bool final)
{
    const auto* const begin = reinterpret_cast<const unsigned char*>(data.data());
    const auto* const stop = begin + limit;
    const auto* const end = begin + data.size();
    const auto* p = begin;
    while (p < stop) {
        const unsigned char b = *p;
        if (b < 0x80) {
            if (firstBadLine_ == 0) {
                if (b == '\r')
                    ++line_;
                else if (b == '\n' && !afterCr_)
                    ++line_;
                afterCr_ = b == '\r';
            }
            inBadRun_ = false;
            const unsigned char letterCase = caseOf(b);
            if (pending_)
                settle(letterCase, letterCase);
            utf8Case_[0] = utf8Case_[1];
            utf8Case_[1] = letterCase;
            lastByte_ = b;
            ++p;
            continue;
        }
        const std::size_t need = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
        if (!final && std::size_t(end - p) < need)
            break;
        const Utf8Char c = DecodeUtf8Char(p, end);
        if (c.length == 0) {
            invalidByte(b);
            ++p;
        } else {
            sequence(p, c.length, c.codePoint);
            p += c.length;
        }
    }
    return std::size_t(p - begin);
}

void EncodingDetector::invalidByte(unsigned char b)
{
    if (pending_)
        settle(kNoLetter, caseOf(Cp1250ToUnicode(b)));
    lastByte_ = b;
    afterCr_ = false;
    if (!inBadRun_)
        ++badRuns_;
    inBadRun_ = true;
    if (firstBadLine_ == 0)
        firstBadLine_ = line_;
    utf8Case_[0] = utf8Case_[1];
    utf8Case_[1] = kNoLetter;
}

void EncodingDetector::sequence(const unsigned char* p, unsigned length, char32_t codePoint)
{
    const unsigned char letterCase = caseOf(codePoint);
    if (pending_)
        settle(letterCase, caseOf(Cp1250ToUnicode(p[0])));
    afterCr_ = false;
    inBadRun_ = false;
    // Read as Windows-1250: letters only, in a case that fits the character before them.
    Weighed& w = weighed_;
    w.cp1250Plausible = true;
    w.cp1250Case[0] = kNoLetter;
    w.cp1250Case[1] = caseOf(Cp1250ToUnicode(lastByte_));
    for (unsigned i = 0; i < length && w.cp1250Plausible; ++i) {
        const unsigned char current = caseOf(Cp1250ToUnicode(p[i]));
        w.cp1250Plausible = current != kNoLetter && !implausibleCase(w.cp1250Case[0], w.cp1250Case[1], current);
        w.cp1250Case[0] = w.cp1250Case[1];
        w.cp1250Case[1] = current;
    }
    w.utf8Plausible = plausibleCharacter(codePoint) && !implausibleCase(utf8Case_[0], utf8Case_[1], letterCase);
    w.utf8Case[0] = utf8Case_[1];
    w.utf8Case[1] = letterCase;
    pending_ = true; // the character after it decides the rest
    utf8Case_[0] = utf8Case_[1];
    utf8Case_[1] = letterCase;
    lastByte_ = p[length - 1];
}

void EncodingDetector::settle(unsigned char nextUtf8Case, unsigned char nextCp1250Case)
{
    pending_ = false;
    const Weighed& w = weighed_;
    if (!w.cp1250Plausible || implausibleCase(w.cp1250Case[0], w.cp1250Case[1], nextCp1250Case))
        ++utf8Evidence_;
    else if (!w.utf8Plausible || implausibleCase(w.utf8Case[0], w.utf8Case[1], nextUtf8Case))
        ++accidents_;
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
    DecodeUtf8(bytes, Malformed::Escape, [&out](char32_t c) { appendUtf16(out, c); });
}

std::u16string Decode(std::string_view bytes, Encoding encoding)
{
    std::u16string out;
    AppendDecoded(out, bytes, encoding);
    return out;
}

} // namespace text
