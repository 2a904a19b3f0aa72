#include "common/SharedText.h"

#include "common/FsPath.h"
#include "text/Cp1250.h"
#include "text/Utf8.h"

#include <string_view>

namespace {

bool isValidUtf8(const QByteArray& bytes)
{
    return text::IsValidUtf8(std::string_view(bytes.constData(), size_t(bytes.size())));
}

// UTF-8 after a mark keeps bytes which are not UTF-8 by the rule of names (FromNativeBytes,
// ToNativeBytes): they read as the lone surrogates standing for them and are written back as
// those bytes. A hand-edited file with a stray Windows-1250 byte after its mark thus keeps that
// byte through a rewrite.
QByteArray toUtf8KeepingBytes(const QString& s)
{
    return QByteArray::fromStdString(ToNativeBytes(s));
}

const QByteArray kMark("\xEF\xBB\xBF");

} // namespace

QString DecodeSharedText(const QByteArray& bytes)
{
    if (bytes.startsWith(kMark))
        return FromNativeBytes(std::string_view(bytes.constData() + 3, size_t(bytes.size() - 3)));
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
            return kMark + toUtf8KeepingBytes(text);
        bytes.append(char(code));
    }
    // Plain bytes that happen to form valid UTF-8 would be read back as UTF-8:
    // such a text goes out as UTF-8 with its mark so that it reads back unchanged.
    if (!isValidUtf8(bytes) || bytes == text.toUtf8())
        return bytes;
    return kMark + toUtf8KeepingBytes(text);
}

SharedEncoding DetectSharedEncoding(const QByteArray& bytes)
{
    if (bytes.startsWith(kMark))
        return SharedEncoding::Utf8Bom;
    return isValidUtf8(bytes) ? SharedEncoding::Utf8 : SharedEncoding::Cp1250;
}

QByteArray EncodeSharedTextAs(const QString& text, SharedEncoding encoding)
{
    switch (encoding) {
    case SharedEncoding::Utf8Bom:
        return kMark + toUtf8KeepingBytes(text);
    case SharedEncoding::Utf8: {
        const QByteArray bytes = toUtf8KeepingBytes(text);
        // Without a mark, UTF-8 reads back as UTF-8 only if it does not start with one and is
        // all well-formed.
        if (!text.startsWith(QChar(0xFEFF)) && isValidUtf8(bytes))
            return bytes;
        break;
    }
    case SharedEncoding::Cp1250:
        break;
    }
    return EncodeSharedText(text);
}
