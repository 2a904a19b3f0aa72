#include "common/SharedText.h"

#include "text/Cp1250.h"
#include "text/Utf8.h"

#include <string_view>

namespace {

bool isValidUtf8(const QByteArray& bytes)
{
    return text::IsValidUtf8(std::string_view(bytes.constData(), size_t(bytes.size())));
}

} // namespace

QString DecodeSharedText(const QByteArray& bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
    if (isValidUtf8(bytes))
        return QString::fromUtf8(bytes);
    QString decoded(bytes.size(), Qt::Uninitialized);
    QChar* out = decoded.data();
    for (const char b : bytes)
        *out++ = QChar(text::Cp1250ToUnicode(static_cast<unsigned char>(b)));
    return decoded;
}

QByteArray EncodeSharedText(const QString& text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (const QChar c : text) {
        const int code = c.isSurrogate() ? -1 : text::UnicodeToCp1250(c.unicode());
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
