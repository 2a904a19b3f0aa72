#include "journal/JournalRun.h"

#include "common/FsPath.h"
#include "platform/WholeFile.h"

#include <QByteArrayView>

using namespace Qt::StringLiterals;

namespace {

constexpr char kMagic[] = "KRDL-JOURNAL";
constexpr char kVersion[] = "1";
// More than any run over the files of one list writes; a bigger file is no journal of ours.
constexpr std::size_t kMostBytes = std::size_t(256) << 20;

QByteArray escaped(const QString& text)
{
    const std::string bytes = ToNativeBytes(text);
    QByteArray out;
    out.reserve(qsizetype(bytes.size()));
    for (const char c : bytes) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\0': out += "\\0"; break;
        default: out += c;
        }
    }
    return out;
}

QString unescaped(QByteArrayView field)
{
    std::string bytes;
    bytes.reserve(std::size_t(field.size()));
    for (qsizetype i = 0; i < field.size(); ++i) {
        char c = field[i];
        if (c == '\\' && i + 1 < field.size()) {
            switch (field[++i]) {
            case 't': c = '\t'; break;
            case 'n': c = '\n'; break;
            case 'r': c = '\r'; break;
            case '0': c = '\0'; break;
            default: c = field[i]; // "\\" and anything unknown: the character itself
            }
        }
        bytes += c;
    }
    return FromNativeBytes(bytes);
}

QString isoTime(const QDateTime& time)
{
    return time.toUTC().toString(Qt::ISODateWithMs);
}

} // namespace

QByteArray JournalRun::Line(const QStringList& fields)
{
    QByteArray line;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line += '\t';
        line += escaped(fields.at(i));
    }
    line += '\n';
    return line;
}

void JournalRun::Append(std::ostream& out, const QStringList& fields)
{
    const QByteArray line = Line(fields);
    out.write(line.constData(), line.size());
    out.flush();
}

QByteArray JournalRun::ItemText(std::size_t index, const JournalItem& item)
{
    const QString i = QString::number(index);
    QByteArray text = Line({u"item"_s, i, item.path, item.newPath, item.identity});
    for (const JournalProperty& p : item.properties)
        text += Line({u"prop"_s, i, p.name, p.type, p.value});
    for (const auto& [key, value] : item.attributes)
        text += Line({u"attr"_s, i, key, value});
    return text;
}

QByteArray JournalRun::StartText(const QString& kind, const QDateTime& created, qint64 processId,
                                 const std::vector<JournalItem>& items)
{
    QByteArray text = Line({QString::fromLatin1(kMagic), QString::fromLatin1(kVersion), kind, isoTime(created),
                            QString::number(processId)});
    for (std::size_t i = 0; i < items.size(); ++i)
        text += ItemText(i, items[i]);
    return text;
}

std::optional<JournalRun> JournalRun::Parse(const QByteArray& bytes)
{
    // Only whole lines count: the last one may have been cut short by a crash.
    const qsizetype end = bytes.lastIndexOf('\n') + 1;
    const QList<QByteArray> lines = QByteArrayView(bytes).first(end).toByteArray().split('\n');
    if (lines.isEmpty())
        return std::nullopt;
    const QList<QByteArray> header = lines.front().split('\t');
    if (header.size() < 5 || header[0] != kMagic || header[1] != kVersion)
        return std::nullopt;

    JournalRun run;
    run.kind = unescaped(header[2]);
    run.created = QDateTime::fromString(unescaped(header[3]), Qt::ISODateWithMs);
    run.processId = header[4].toLongLong();

    for (qsizetype n = 1; n < lines.size(); ++n) {
        const QList<QByteArray> f = lines[n].split('\t');
        const QByteArray& tag = f[0];
        const auto field = [&f](qsizetype i) { return i < f.size() ? unescaped(f[i]) : QString(); };
        if (tag == "end") {
            run.ended = true;
            run.completed = field(1) == u"completed";
            continue;
        }
        if (tag == "undo-end") {
            run.undoEnded = true;
            continue;
        }
        // Every other record names an item by its index.
        bool ok = false;
        const qsizetype index = f.size() > 1 ? f[1].toLongLong(&ok) : -1;
        if (tag == "item") {
            // Items come in order; one out of order means a damaged file, which is left alone.
            if (!ok || index != qsizetype(run.items.size()))
                return std::nullopt;
            run.items.push_back({field(2), field(3), field(4), {}, {}});
            run.states.emplace_back();
            continue;
        }
        if (!ok || index < 0 || index >= qsizetype(run.items.size()))
            continue;
        JournalItem& item = run.items[std::size_t(index)];
        JournalItemState& state = run.states[std::size_t(index)];
        if (tag == "prop")
            item.properties.push_back({field(2), field(3), field(4)});
        else if (tag == "attr")
            item.attributes.emplace_back(field(2), field(3));
        else if (tag == "done")
            state = {JournalMark::Done, field(2), state.undo, state.undoReason};
        else if (tag == "failed")
            state = {JournalMark::Failed, field(2), state.undo, state.undoReason};
        else if (tag == "undone")
            state.undo = UndoMark::Undone;
        else if (tag == "unrestored") {
            state.undo = UndoMark::Unrestored;
            state.undoReason = field(2);
        }
    }
    return run;
}

std::optional<JournalRun> JournalRun::Load(const QString& fileName)
{
    std::string bytes;
    std::error_code ec;
    const auto path = ToFsPath(fileName);
    std::error_code sizeError;
    if (std::filesystem::file_size(path, sizeError) > kMostBytes && !sizeError)
        return std::nullopt;
    if (!platform::ReadRegularFile(path, bytes, ec))
        return std::nullopt;
    auto run = Parse(QByteArray::fromStdString(bytes));
    if (run)
        run->fileName = fileName;
    return run;
}
