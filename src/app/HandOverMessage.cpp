#include "app/HandOverMessage.h"

#include "common/FsPath.h"

#include <optional>

namespace {

constexpr char kMagic[] = "KRDL-OPEN";
constexpr qsizetype kMostHeader = 64;

// A count of the header as Encode writes it: decimal digits only. (toLongLong would also take a
// sign, blanks, and NULs after the digits, so that one message could be read in two forms.)
std::optional<qsizetype> HeaderNumber(QByteArrayView field)
{
    if (field.isEmpty() || field.size() > 18)
        return std::nullopt;
    qsizetype number = 0;
    for (const char c : field) {
        if (c < '0' || c > '9')
            return std::nullopt;
        number = number * 10 + (c - '0');
    }
    return number;
}

} // namespace

QByteArray HandOverMessage::Encode(const QStringList& files)
{
    QByteArray payload;
    for (const QString& f : files) {
        const std::string bytes = ToNativeBytes(f);
        payload.append(bytes.data(), qsizetype(bytes.size()));
        payload.append('\0');
    }
    return QByteArray(kMagic) + " 1 " + QByteArray::number(files.size()) + ' ' + QByteArray::number(payload.size())
        + '\n' + payload;
}

HandOverMessage::State HandOverMessage::Decode(const QByteArray& received, QStringList& files)
{
    const qsizetype headerEnd = received.indexOf('\n');
    // A header too long is bad whether its end has arrived yet or not, so that how the message
    // is cut into reads cannot change the answer.
    if (headerEnd < 0 ? received.size() > kMostHeader : headerEnd > kMostHeader)
        return State::Bad;
    if (headerEnd < 0)
        return State::Incomplete;
    const QList<QByteArray> header = received.first(headerEnd).split(' ');
    if (header.size() != 4 || header[0] != kMagic || header[1] != "1")
        return State::Bad;
    const std::optional<qsizetype> count = HeaderNumber(header[2]);
    const std::optional<qsizetype> length = HeaderNumber(header[3]);
    if (!count || !length || *length < *count || *length > kMostBytes)
        return State::Bad;
    const qsizetype start = headerEnd + 1;
    if (received.size() < start + *length)
        return State::Incomplete;
    if (received.size() > start + *length)
        return State::Bad;

    files.clear();
    qsizetype from = start;
    for (qsizetype i = start; i < start + *length; ++i) {
        if (received[i] != '\0')
            continue;
        if (i == from)
            return State::Bad; // an empty name
        files << FromNativeBytes(std::string_view(received.constData() + from, std::size_t(i - from)));
        from = i + 1;
    }
    if (from != start + *length || files.size() != *count)
        return State::Bad;
    return State::Complete;
}
