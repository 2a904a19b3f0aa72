#include "journal/JournalRun.h"

#include "common/FsPath.h"
#include "journal/Crc32.h"
#include "platform/PositionedFile.h"
#include "platform/WholeFile.h"

#include <QByteArrayView>

#include <algorithm>
#include <filesystem>

using namespace Qt::StringLiterals;

namespace {

constexpr char kMagic[] = "KRDL-JOURNAL";
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

// The checksum of a record's fields and tabs with the line feed after them, going on from the
// one of the line before.
std::uint32_t lineChecksum(QByteArrayView payload, std::uint32_t previous)
{
    const std::uint32_t crc = Crc32(std::string_view(payload.data(), std::size_t(payload.size())), previous);
    return Crc32("\n", crc);
}

QList<QByteArrayView> splitFields(QByteArrayView line)
{
    QList<QByteArrayView> fields;
    for (qsizetype from = 0;;) {
        const qsizetype tab = line.indexOf('\t', from);
        fields.append(line.sliced(from, (tab < 0 ? line.size() : tab) - from));
        if (tab < 0)
            return fields;
        from = tab + 1;
    }
}

} // namespace

QByteArray JournalRun::Line(const QStringList& fields, int version, std::uint32_t& chain)
{
    QByteArray line;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line += '\t';
        line += escaped(fields.at(i));
    }
    if (version >= 2) {
        chain = lineChecksum(line, chain);
        line += '\t';
        line += QByteArray::number(chain, 16).rightJustified(8, '0');
    }
    line += '\n';
    return line;
}

QByteArray JournalRun::StartText(const QString& kind, const QDateTime& created, qint64 processId,
                                 const std::vector<JournalItem>& items, std::uint32_t& chain)
{
    std::size_t records = items.size();
    for (const JournalItem& item : items)
        records += item.properties.size() + item.attributes.size();
    chain = 0;
    QByteArray text = Line({QString::fromLatin1(kMagic), QString::number(kJournalVersion), kind, isoTime(created),
                            QString::number(processId), QString::number(items.size()), QString::number(records)},
                           kJournalVersion, chain);
    for (std::size_t i = 0; i < items.size(); ++i) {
        const JournalItem& item = items[i];
        const QString index = QString::number(i);
        text += Line({u"item"_s, index, item.path, item.newPath, item.identity}, kJournalVersion, chain);
        for (const JournalProperty& p : item.properties)
            text += Line({u"prop"_s, index, p.name, p.type, p.value}, kJournalVersion, chain);
        for (const auto& [key, value] : item.attributes)
            text += Line({u"attr"_s, index, key, value}, kJournalVersion, chain);
    }
    return text;
}

bool JournalRun::undoOver() const
{
    return undoEnded
        && std::none_of(states.begin(), states.end(), [](const JournalItemState& s) { return s.undo == UndoMark::Failed; });
}

std::optional<JournalRun> JournalRun::Parse(const QByteArray& bytes, QString* problem)
{
    const auto refuse = [problem](const QString& why) -> std::optional<JournalRun> {
        if (problem)
            *problem = why;
        return std::nullopt;
    };
    const auto damaged = [&refuse](qsizetype line, const QString& what) {
        return refuse(u"it is damaged (line %1 %2)"_s.arg(line + 1).arg(what));
    };

    // Only whole lines count: the last one may have been cut short by a crash.
    const qsizetype end = bytes.lastIndexOf('\n') + 1;
    if (end == 0)
        return refuse(bytes.isEmpty() ? u"it is empty"_s : u"it is damaged (it holds no whole line)"_s);
    QList<QByteArrayView> lines;
    for (qsizetype from = 0; from < end;) {
        const qsizetype to = bytes.indexOf('\n', from);
        lines.append(QByteArrayView(bytes).sliced(from, to - from));
        from = to + 1;
    }

    JournalRun run;
    run.wholeBytes = std::uint64_t(end);
    const QList<QByteArrayView> header = splitFields(lines.front());
    if (header.size() < 5 || header[0] != kMagic)
        return refuse(u"it is damaged (it does not begin as an undo journal does)"_s);
    bool versionOk = false;
    run.version = header[1].toInt(&versionOk);
    if (!versionOk || run.version < 1)
        return refuse(u"it is damaged (it does not begin as an undo journal does)"_s);
    if (run.version > kJournalVersion)
        return refuse(u"it was written by a newer version of the program"_s);
    const bool checked = run.version >= 2;

    // Checksums first: nothing of a line that fails its own is looked at.
    std::vector<QList<QByteArrayView>> records;
    records.reserve(std::size_t(lines.size()));
    for (qsizetype n = 0; n < lines.size(); ++n) {
        QByteArrayView payload = lines[n];
        if (checked) {
            const qsizetype tab = payload.lastIndexOf('\t');
            bool ok = tab >= 0 && payload.size() - tab - 1 == 8;
            const std::uint32_t stored = ok ? payload.sliced(tab + 1).toUInt(&ok, 16) : 0;
            payload = payload.first(std::max<qsizetype>(tab, 0));
            if (!ok || stored != lineChecksum(payload, run.chain))
                return damaged(n, u"does not match its checksum"_s);
            run.chain = stored;
        }
        records.push_back(splitFields(payload));
    }

    const QList<QByteArrayView>& h = records.front();
    if (h.size() < 5)
        return damaged(0, u"is not the header it should be"_s);
    run.kind = unescaped(h[2]);
    run.created = QDateTime::fromString(unescaped(h[3]), Qt::ISODateWithMs);
    run.processId = h[4].toLongLong();
    // What the header counts, written whole with it: its records must all be there.
    qsizetype itemCount = -1, startRecords = 0;
    if (checked) {
        bool itemsOk = false, recordsOk = false;
        itemCount = h.size() > 6 ? h[5].toLongLong(&itemsOk) : -1;
        startRecords = h.size() > 6 ? h[6].toLongLong(&recordsOk) : -1;
        if (!itemsOk || !recordsOk || itemCount <= 0 || startRecords < itemCount)
            return damaged(0, u"is not the header it should be"_s);
        if (records.size() - 1 < std::size_t(startRecords))
            return refuse(u"it is damaged (its header counts %1 records, it holds %2)"_s.arg(startRecords)
                              .arg(records.size() - 1));
    }

    for (std::size_t n = 1; n < records.size(); ++n) {
        const QList<QByteArrayView>& f = records[n];
        const QByteArrayView tag = f[0];
        const auto field = [&f](qsizetype i) { return i < f.size() ? unescaped(f[i]) : QString(); };
        const bool inStart = qsizetype(n) <= startRecords;
        const bool startTag = tag == "item" || tag == "prop" || tag == "attr";
        // The header's records are items and their properties; the marks come after them.
        if (checked && startTag != inStart)
            return damaged(qsizetype(n), u"is out of place"_s);
        if (tag == "end") {
            run.ended = true;
            run.completed = field(1) == u"completed";
            continue;
        }
        if (tag == "undo") {
            run.undoEnded = false; // a new undo: its own end counts
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
            // Items come in order; one out of order means a damaged file.
            if (!ok || index != qsizetype(run.items.size()))
                return damaged(qsizetype(n), u"is out of place"_s);
            run.items.push_back({field(2), field(3), field(4), {}, {}});
            run.states.emplace_back();
            continue;
        }
        const bool known = startTag || tag == "done" || tag == "failed" || tag == "undone" || tag == "unrestored"
            || tag == "undo-failed";
        if (!known)
            continue;
        if (!ok || index < 0 || index >= qsizetype(run.items.size())) {
            if (checked)
                return damaged(qsizetype(n), u"names no item of the run"_s);
            continue;
        }
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
        else {
            state.undo = tag == "unrestored" ? UndoMark::LeftAlone : UndoMark::Failed;
            state.undoReason = field(2);
        }
    }
    // Every writer records at least one item.
    if (run.items.empty() || (checked && qsizetype(run.items.size()) != itemCount))
        return refuse(u"it is damaged (it holds %1 items, not %2)"_s.arg(run.items.size()).arg(std::max<qsizetype>(itemCount, 1)));
    return run;
}

std::optional<JournalRun> JournalRun::Load(const QString& fileName, QString* problem)
{
    std::string bytes;
    std::error_code ec;
    const auto path = ToFsPath(fileName);
    std::error_code sizeError;
    if (std::filesystem::file_size(path, sizeError) > kMostBytes && !sizeError) {
        if (problem)
            *problem = u"it is bigger than any journal the program writes"_s;
        return std::nullopt;
    }
    if (!platform::ReadRegularFile(path, bytes, ec)) {
        if (problem)
            *problem = u"it cannot be read: "_s + ErrorText(ec);
        return std::nullopt;
    }
    auto run = Parse(QByteArray::fromStdString(bytes), problem);
    if (run)
        run->fileName = fileName;
    return run;
}

JournalAppender::JournalAppender() = default;
JournalAppender::~JournalAppender() = default;

bool JournalAppender::Open(const QString& fileName, int version, std::uint32_t chain, std::uint64_t end, QString& problem)
{
    version_ = version;
    chain_ = chain;
    end_ = end;
    file_ = std::make_unique<platform::PositionedFile>();
    const auto status = file_->Open(ToFsPath(fileName), platform::PositionedFile::Access::Write);
    std::error_code ec;
    if (!status) {
        problem = status.problem == platform::PositionedFile::Problem::ReadOnly ? u"It is read-only."_s
                                                                               : ErrorText(status.ec) + u'.';
        file_.reset();
        return false;
    }
    if (file_->SizeAtOpen() > end_ && !file_->Truncate(end_, ec)) {
        problem = ErrorText(ec) + u'.';
        file_.reset();
        return false;
    }
    return true;
}

bool JournalAppender::Append(const QStringList& fields, QString& problem)
{
    if (!file_) {
        problem = u"It is not open."_s;
        return false;
    }
    std::uint32_t chain = chain_;
    const QByteArray line = JournalRun::Line(fields, version_, chain);
    std::error_code ec;
    if (!file_->WriteAt(end_, line.constData(), std::size_t(line.size()), ec)) {
        problem = ErrorText(ec) + u'.';
        std::error_code ignored;
        file_->Truncate(end_, ignored);
        return false;
    }
    end_ += std::uint64_t(line.size());
    chain_ = chain;
    return true;
}

bool JournalAppender::Sync()
{
    std::error_code ec;
    return file_ && file_->Sync(ec);
}

void JournalAppender::Close()
{
    file_.reset();
}
