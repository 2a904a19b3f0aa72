#include "common/SharedText.h"

#include "common/Error.h"
#include "common/FsPath.h"
#include "text/Cp1250.h"

#include <QStringDecoder>

#include <algorithm>
#include <string_view>

using namespace Qt::StringLiterals;

namespace {

std::string_view ViewOf(QByteArrayView bytes)
{
    return std::string_view(bytes.data(), size_t(bytes.size()));
}

// UTF-8 after a mark keeps bytes which are not UTF-8 by the rule of names (FromNativeBytes,
// ToNativeBytes): they read as the lone surrogates standing for them and are written back as
// those bytes. A hand-edited file with a stray Windows-1250 byte after its mark thus keeps that
// byte through a rewrite.
QByteArray ToUtf8KeepingBytes(const QString& s)
{
    return QByteArray::fromStdString(ToNativeBytes(s));
}

const QByteArray kMark(text::kUtf8Mark.data(), qsizetype(text::kUtf8Mark.size()));

// True when `bytes`, written in `written` without a mark, are read back in that encoding (ASCII
// reads the same in both).
bool ReadsBackAs(const QByteArray& bytes, SharedEncoding written)
{
    const text::Detection found = text::DetectEncoding(ViewOf(bytes));
    if (found.Damaged())
        return false;
    return found.encoding == written
           || (found.encoding == SharedEncoding::Utf8
               && std::all_of(bytes.cbegin(), bytes.cend(), [](char b) { return static_cast<unsigned char>(b) < 0x80; }));
}

} // namespace

QString DamagedTextReason(std::uint64_t line)
{
    return u"line %1: bytes that are not UTF-8 in a file that is otherwise UTF-8; the file is damaged and "
           u"is not read"_s.arg(line);
}

QString DecodeSharedLine(QByteArrayView bytes, SharedEncoding encoding)
{
    // QString::fromUtf8 drops a byte order mark at the start of what it decodes; inside a file
    // (a field, a line) every mark, the first of several too, belongs to the text.
    if (encoding == SharedEncoding::Utf8)
        return QStringDecoder(QStringDecoder::Utf8, QStringConverter::Flag::ConvertInitialBom)(bytes);
    const std::u16string decoded = text::Decode(ViewOf(bytes), encoding);
    // Not QString::fromUtf16, which drops a U+FEFF at the start as a byte order mark: the mark
    // of the file is gone already, and one more belongs to the text.
    return QStringView(decoded).toString();
}

bool DecodeSharedText(QByteArrayView bytes, QString& text, QString* reason, SharedEncoding* encoding)
{
    text.clear();
    const text::Detection found = text::DetectEncoding(ViewOf(bytes));
    if (found.Damaged()) {
        if (reason)
            *reason = DamagedTextReason(found.damagedLine);
        return false;
    }
    if (encoding)
        *encoding = found.encoding;
    text = DecodeSharedLine(found.encoding == SharedEncoding::Utf8Bom ? bytes.sliced(kMark.size()) : bytes,
                            found.encoding);
    return true;
}

QString DecodeSharedText(QByteArrayView bytes)
{
    QString text;
    QString reason;
    if (!DecodeSharedText(bytes, text, &reason))
        throw KrdlError(reason);
    return text;
}

QByteArray EncodeSharedText(const QString& text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (const QChar c : text) {
        const int code = c.isSurrogate() ? -1 : text::UnicodeToCp1250(c.unicode());
        if (code < 0)
            return kMark + ToUtf8KeepingBytes(text);
        bytes.append(char(code));
    }
    // Plain bytes that would be read as UTF-8, or refused as damaged UTF-8, go out as UTF-8
    // with a mark instead.
    if (ReadsBackAs(bytes, SharedEncoding::Cp1250))
        return bytes;
    return kMark + ToUtf8KeepingBytes(text);
}

QByteArray EncodeSharedTextAs(const QString& text, SharedEncoding encoding)
{
    switch (encoding) {
    case SharedEncoding::Utf8Bom:
        return kMark + ToUtf8KeepingBytes(text);
    case SharedEncoding::Utf8: {
        const QByteArray bytes = ToUtf8KeepingBytes(text);
        // Without a mark, UTF-8 reads back as UTF-8 only if it does not start with one and is
        // all well-formed and plausible.
        if (ReadsBackAs(bytes, SharedEncoding::Utf8))
            return bytes;
        break;
    }
    case SharedEncoding::Cp1250:
        break;
    }
    return EncodeSharedText(text);
}
