#include "common/SharedText.h"

#include <array>
#include <unordered_map>

namespace {

// Characters of the codes 0x80 to 0xFF of Windows-1250. Codes the code page leaves
// undefined (0x81, 0x83, 0x88, 0x90, 0x98) read as the control character of the same number.
constexpr std::array<char16_t, 128> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021,
    0x0088, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A,
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7,
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C,
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};

const std::unordered_map<char32_t, int>& reverseTable()
{
    static const std::unordered_map<char32_t, int> table = [] {
        std::unordered_map<char32_t, int> t;
        for (int i = 0; i < 128; ++i)
            t.emplace(kHigh[size_t(i)], 0x80 + i);
        return t;
    }();
    return table;
}

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool isValidUtf8(const QByteArray& bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const auto* end = p + bytes.size();
    while (p < end) {
        const unsigned char c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        int extra;
        char32_t cp;
        if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (end - p <= extra)
            return false;
        for (int i = 1; i <= extra; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (p[i] & 0x3F);
        }
        if ((extra == 2 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)))
            return false;
        p += extra + 1;
    }
    return true;
}

} // namespace

int Cp1250Code(char32_t codePoint)
{
    if (codePoint < 0x80)
        return int(codePoint);
    const auto& table = reverseTable();
    const auto it = table.find(codePoint);
    return it == table.end() ? -1 : it->second;
}

char16_t Cp1250Char(unsigned char code)
{
    return code < 0x80 ? char16_t(code) : kHigh[code - 0x80u];
}

QString DecodeSharedText(const QByteArray& bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
    if (isValidUtf8(bytes))
        return QString::fromUtf8(bytes);
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char b : bytes)
        *out++ = QChar(Cp1250Char(static_cast<unsigned char>(b)));
    return text;
}

QByteArray EncodeSharedText(const QString& text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (const QChar c : text) {
        const int code = c.isSurrogate() ? -1 : Cp1250Code(c.unicode());
        if (code < 0)
            return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
        bytes.append(char(code));
    }
    // Plain bytes that happen to form valid UTF-8 would be read back as UTF-8:
    // such a text goes out as UTF-8 with its mark so that it reads back unchanged.
    if (!isValidUtf8(bytes) || bytes == text.toUtf8())
        return bytes;
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

SharedEncoding DetectSharedEncoding(const QByteArray& bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return SharedEncoding::Utf8Bom;
    return isValidUtf8(bytes) ? SharedEncoding::Utf8 : SharedEncoding::Cp1250;
}

QByteArray EncodeSharedTextAs(const QString& text, SharedEncoding encoding)
{
    switch (encoding) {
    case SharedEncoding::Utf8Bom:
        return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    case SharedEncoding::Utf8: {
        const QByteArray bytes = text.toUtf8();
        // Without a mark, UTF-8 reads back as UTF-8 only if it does not start with one.
        if (!text.startsWith(QChar(0xFEFF)))
            return bytes;
        break;
    }
    case SharedEncoding::Cp1250:
        break;
    }
    return EncodeSharedText(text);
}
