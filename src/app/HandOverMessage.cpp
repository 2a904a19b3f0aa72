#include "app/HandOverMessage.h"

#include "common/FsPath.h"

namespace {

constexpr char kMagic[] = "KRDL-OPEN";
constexpr qsizetype kMostHeader = 64;

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
    if (headerEnd < 0)
        return received.size() > kMostHeader ? State::Bad : State::Incomplete;
    const QList<QByteArray> header = received.first(headerEnd).split(' ');
    bool countOk = false, lengthOk = false;
    if (header.size() != 4 || header[0] != kMagic || header[1] != "1")
        return State::Bad;
    const qsizetype count = header[2].toLongLong(&countOk);
    const qsizetype length = header[3].toLongLong(&lengthOk);
    if (!countOk || !lengthOk || count < 0 || length < count || length > kMostBytes)
        return State::Bad;
    const qsizetype start = headerEnd + 1;
    if (received.size() < start + length)
        return State::Incomplete;
    if (received.size() > start + length)
        return State::Bad;

    files.clear();
    qsizetype from = start;
    for (qsizetype i = start; i < start + length; ++i) {
        if (received[i] != '\0')
            continue;
        if (i == from)
            return State::Bad; // an empty name
        files << FromNativeBytes(std::string_view(received.constData() + from, std::size_t(i - from)));
        from = i + 1;
    }
    if (from != start + length || files.size() != count)
        return State::Bad;
    return State::Complete;
}
