#include "compound/CodePage.h"

#include "text/Cp1250.h"
#include "text/Utf8.h"

#include <array>

namespace cfb {

namespace {

// Windows-1250 is the text library's table, which the shared files use too.
const char16_t* Cp1250Table()
{
    static const std::array<char16_t, 128> table = [] {
        std::array<char16_t, 128> t{};
        for (unsigned i = 0; i < 128; ++i)
            t[i] = text::Cp1250ToUnicode(static_cast<unsigned char>(0x80 + i));
        return t;
    }();
    return table.data();
}

// Windows-1251, bytes 0x80 to 0xFF; 0 marks a byte the code page leaves undefined.
const char16_t kCp1251[128] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0000, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};

// Windows-1252, bytes 0x80 to 0xFF; 0 marks a byte the code page leaves undefined.
const char16_t kCp1252[128] = {
    0x20AC, 0x0000, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x0000, 0x017D, 0x0000,
    0x0000, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x0000, 0x017E, 0x0178,
    0x00A0, 0x00A1, 0x00A2, 0x00A3, 0x00A4, 0x00A5, 0x00A6, 0x00A7,
    0x00A8, 0x00A9, 0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
    0x00B8, 0x00B9, 0x00BA, 0x00BB, 0x00BC, 0x00BD, 0x00BE, 0x00BF,
    0x00C0, 0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5, 0x00C6, 0x00C7,
    0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD, 0x00CE, 0x00CF,
    0x00D0, 0x00D1, 0x00D2, 0x00D3, 0x00D4, 0x00D5, 0x00D6, 0x00D7,
    0x00D8, 0x00D9, 0x00DA, 0x00DB, 0x00DC, 0x00DD, 0x00DE, 0x00DF,
    0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E6, 0x00E7,
    0x00E8, 0x00E9, 0x00EA, 0x00EB, 0x00EC, 0x00ED, 0x00EE, 0x00EF,
    0x00F0, 0x00F1, 0x00F2, 0x00F3, 0x00F4, 0x00F5, 0x00F6, 0x00F7,
    0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x00FD, 0x00FE, 0x00FF,
};

const char16_t* SingleByteTable(std::uint16_t codePage)
{
    switch (codePage) {
    case 1250: return Cp1250Table();
    case 1251: return kCp1251;
    case 1252: return kCp1252;
    default: return nullptr;
    }
}

// Code pages whose bytes 0x80-0xFF are the code points U+0080-U+00FF.
bool IsLatin1(std::uint16_t codePage) { return codePage == 28591; }

void AppendUtf8(std::string& out, char32_t c)
{
    text::AppendUtf8(out, c);
}

// Decodes UTF-8 into code points; malformed input gives U+FFFD and moves on by one byte.
std::u32string DecodeUtf8(const std::string& bytes)
{
    std::u32string out;
    text::DecodeUtf8(bytes, text::Malformed::Replace, [&out](char32_t c) { out.push_back(c); });
    return out;
}

} // namespace

std::string Utf16LeToUtf8(const std::uint8_t* bytes, std::size_t length)
{
    std::string out;
    const std::size_t units = length / 2;
    for (std::size_t i = 0; i < units; ++i) {
        char32_t c = static_cast<char32_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units) {
            const char32_t d = static_cast<char32_t>(bytes[2 * i + 2] | (bytes[2 * i + 3] << 8));
            if (d >= 0xDC00 && d <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (d - 0xDC00);
                ++i;
            } else {
                c = 0xFFFD;
            }
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        AppendUtf8(out, c);
    }
    return out;
}

std::u16string Utf8ToUtf16(const std::string& text)
{
    return text::Utf16FromUtf8(text);
}

std::vector<std::uint8_t> Utf8ToUtf16Le(const std::string& text)
{
    std::vector<std::uint8_t> out;
    for (char16_t u : Utf8ToUtf16(text)) {
        out.push_back(static_cast<std::uint8_t>(u));
        out.push_back(static_cast<std::uint8_t>(u >> 8));
    }
    return out;
}

std::string Utf16ToUtf8(const std::u16string& text)
{
    std::vector<std::uint8_t> bytes;
    for (char16_t u : text) {
        bytes.push_back(static_cast<std::uint8_t>(u));
        bytes.push_back(static_cast<std::uint8_t>(u >> 8));
    }
    return Utf16LeToUtf8(bytes.data(), bytes.size());
}

std::string DecodeCodePage(const std::uint8_t* bytes, std::size_t length, std::uint16_t codePage)
{
    if (codePage == kCodePageUnicode)
        return Utf16LeToUtf8(bytes, length);
    if (codePage == kCodePageUtf8) {
        std::string raw(reinterpret_cast<const char*>(bytes), length);
        std::string out;
        for (char32_t c : DecodeUtf8(raw))
            AppendUtf8(out, c);
        return out;
    }
    const char16_t* table = SingleByteTable(codePage);
    std::string out;
    for (std::size_t i = 0; i < length; ++i) {
        const std::uint8_t b = bytes[i];
        if (b < 0x80)
            out.push_back(static_cast<char>(b));
        else if (table)
            AppendUtf8(out, table[b - 0x80] ? table[b - 0x80] : b);
        else if (IsLatin1(codePage))
            AppendUtf8(out, b);
        else
            AppendUtf8(out, 0xFFFD);
    }
    return out;
}

std::optional<std::vector<std::uint8_t>> EncodeCodePage(const std::string& text, std::uint16_t codePage)
{
    if (codePage == kCodePageUnicode)
        return Utf8ToUtf16Le(text);
    const std::u32string points = DecodeUtf8(text);
    std::vector<std::uint8_t> out;
    if (codePage == kCodePageUtf8) {
        std::string s;
        for (char32_t c : points)
            AppendUtf8(s, c);
        return std::vector<std::uint8_t>(s.begin(), s.end());
    }
    const char16_t* table = SingleByteTable(codePage);
    for (char32_t c : points) {
        if (c < 0x80) {
            out.push_back(static_cast<std::uint8_t>(c));
            continue;
        }
        bool found = false;
        if (table) {
            for (int b = 0; b < 128 && !found; ++b) {
                const char32_t mapped = table[b] ? table[b] : static_cast<char32_t>(0x80 + b);
                if (mapped == c) {
                    out.push_back(static_cast<std::uint8_t>(0x80 + b));
                    found = true;
                }
            }
        } else if (IsLatin1(codePage) && c <= 0xFF) {
            out.push_back(static_cast<std::uint8_t>(c));
            found = true;
        }
        if (!found)
            return std::nullopt;
    }
    return out;
}

} // namespace cfb
