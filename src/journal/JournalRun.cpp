#include "journal/JournalRun.h"

#include "common/FsPath.h"
#include "journal/Crc32.h"
#include "platform/PositionedFile.h"

#include <QByteArrayView>

#include <algorithm>
#include <filesystem>

using namespace Qt::StringLiterals;

namespace {

constexpr char kMagic[] = "KRDL-JOURNAL";
// Longer than any record the program writes (a path, or a property value in hexadecimal): a
// longer line is no record of ours, and reading stops there instead of holding it all.
constexpr qsizetype kMostLineBytes = qsizetype(256) << 20;
// How much of a run file one read takes.
constexpr std::size_t kReadBlock = std::size_t(1) << 20;

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

namespace {

// The records of Items, numbered on from First, and how many lines they are.
QByteArray itemLines(std::size_t first, const std::vector<JournalItem>& items, std::uint32_t& chain)
{
    QByteArray text;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const JournalItem& item = items[i];
        const QString index = QString::number(first + i);
        text += JournalRun::Line({u"item"_s, index, item.path, item.newPath, item.identity}, kJournalVersion, chain);
        for (const JournalProperty& p : item.properties)
            text += JournalRun::Line({u"prop"_s, index, p.name, p.type, p.value}, kJournalVersion, chain);
        for (const auto& [key, value] : item.attributes)
            text += JournalRun::Line({u"attr"_s, index, key, value}, kJournalVersion, chain);
    }
    return text;
}

QString recordCount(const std::vector<JournalItem>& items)
{
    std::size_t records = items.size();
    for (const JournalItem& item : items)
        records += item.properties.size() + item.attributes.size();
    return QString::number(records);
}

} // namespace

QByteArray JournalRun::StartText(const QString& kind, const QDateTime& created, qint64 processId,
                                 const std::vector<JournalItem>& items, std::uint32_t& chain)
{
    chain = 0;
    QByteArray text = Line({QString::fromLatin1(kMagic), QString::number(kJournalVersion), kind, isoTime(created),
                            QString::number(processId), QString::number(items.size()), recordCount(items)},
                           kJournalVersion, chain);
    return text + itemLines(0, items, chain);
}

QByteArray JournalRun::BatchText(std::size_t first, const std::vector<JournalItem>& items, std::uint32_t& chain)
{
    QByteArray text = Line({u"batch"_s, QString::number(first), QString::number(items.size()), recordCount(items)},
                           kJournalVersion, chain);
    return text + itemLines(first, items, chain);
}

bool JournalRun::undoOver() const
{
    return undoEnded
        && std::none_of(states.begin(), states.end(), [](const JournalItemState& s) { return s.undo == UndoMark::Failed; });
}

namespace {

// Reads a run a line at a time, as Parse and Load hand the lines over.
class RunReader {
public:
    explicit RunReader(QString* problem) : problem_(problem) {}

    // One whole line without its line feed, which ends at End in the file. False when the run
    // is refused (Problem says why); no more lines are wanted then.
    bool Line(QByteArrayView line, std::uint64_t end);
    // After the last whole line: the run, or nothing when it is refused.
    std::optional<JournalRun> Finish();

    bool refuse(const QString& why)
    {
        if (problem_)
            *problem_ = why;
        return false;
    }
    bool damaged(const QString& what) { return refuse(u"it is damaged (line %1 %2)"_s.arg(lines_).arg(what)); }

    qsizetype lines() const { return lines_; }

private:
    bool header(const QList<QByteArrayView>& h);
    bool record(const QList<QByteArrayView>& f);

    QString* problem_;
    JournalRun run_;
    qsizetype lines_ = 0; // read so far, this one included
    bool checked_ = false;
    bool holeMet_ = false; // bytes a power cut lost: nothing from there on counts
    bool undoBegun_ = false;
    qsizetype counted_ = 0; // the items the header and the batches count

    // The header's records, or a batch's, still being read.
    qsizetype groupLeft_ = 0;       // its records still to come
    qsizetype groupItems_ = 0;      // the items it counts
    std::size_t groupFirst_ = 0;    // the run's items before it
    bool inBatch_ = false;          // it is a batch's, not the header's
    std::uint64_t batchStart_ = 0;  // where the batch line begins
    std::uint32_t batchChain_ = 0;  // the checksum of the line before it
};

bool RunReader::Line(QByteArrayView line, std::uint64_t end)
{
    // Marks are appended without a flush each, so a power cut can keep a later one and lose an
    // earlier one: the lost bytes read as zeros, which no record holds (a NUL in a field is
    // written as \0). The run ends before them, as at a line cut short; the marks after them
    // are passed over like it, and an undo looks at those files itself.
    if (holeMet_ || (lines_ > 0 && line.contains('\0'))) {
        holeMet_ = true;
        return true;
    }
    ++lines_;
    if (lines_ == 1) {
        const QList<QByteArrayView> h = splitFields(line);
        if (h.size() < 5 || h[0] != kMagic)
            return refuse(u"it is damaged (it does not begin as an undo journal does)"_s);
        bool versionOk = false;
        run_.version = h[1].toInt(&versionOk);
        if (!versionOk || run_.version < 1)
            return refuse(u"it is damaged (it does not begin as an undo journal does)"_s);
        if (run_.version > kJournalVersion)
            return refuse(u"it was written by a newer version of the program"_s);
        checked_ = run_.version >= 2;
    }

    // The checksum first: nothing of a line that fails its own is looked at.
    const std::uint32_t before = run_.chain;
    QByteArrayView payload = line;
    if (checked_) {
        const qsizetype tab = payload.lastIndexOf('\t');
        bool ok = tab >= 0 && payload.size() - tab - 1 == 8;
        const std::uint32_t stored = ok ? payload.sliced(tab + 1).toUInt(&ok, 16) : 0;
        payload = payload.first(std::max<qsizetype>(tab, 0));
        if (!ok || stored != lineChecksum(payload, run_.chain))
            return damaged(u"does not match its checksum"_s);
        run_.chain = stored;
    }
    const QList<QByteArrayView> fields = splitFields(payload);
    const std::uint64_t start = run_.wholeBytes;
    run_.wholeBytes = end;
    if (lines_ == 1)
        return header(fields);
    if (checked_ && groupLeft_ == 0 && fields[0] == "batch") {
        batchStart_ = start;
        batchChain_ = before;
    }
    return record(fields);
}

bool RunReader::header(const QList<QByteArrayView>& h)
{
    if (h.size() < 5)
        return damaged(u"is not the header it should be"_s);
    run_.kind = unescaped(h[2]);
    run_.created = QDateTime::fromString(unescaped(h[3]), Qt::ISODateWithMs);
    run_.processId = h[4].toLongLong();
    if (!checked_)
        return true;
    // What the header counts, written whole with it: its records must all be there.
    bool itemsOk = false, recordsOk = false;
    groupItems_ = h.size() > 6 ? h[5].toLongLong(&itemsOk) : -1;
    groupLeft_ = h.size() > 6 ? h[6].toLongLong(&recordsOk) : -1;
    if (!itemsOk || !recordsOk || groupItems_ <= 0 || groupLeft_ < groupItems_)
        return damaged(u"is not the header it should be"_s);
    counted_ = groupItems_;
    return true;
}

bool RunReader::record(const QList<QByteArrayView>& f)
{
    JournalRun& run = run_;
    const QByteArrayView tag = f[0];
    const auto field = [&f](qsizetype i) { return i < f.size() ? unescaped(f[i]) : QString(); };
    const bool startTag = tag == "item" || tag == "prop" || tag == "attr";
    if (checked_) {
        // Items and their properties come in the groups the header and the batch lines count;
        // the marks come between and after them.
        if (startTag != (groupLeft_ > 0))
            return damaged(u"is out of place"_s);
        if (tag == "batch") {
            // Only while the run writes its files: never after its end or an undo.
            bool firstOk = false, itemsOk = false, recordsOk = false;
            const qsizetype first = f.size() > 3 ? f[1].toLongLong(&firstOk) : -1;
            groupItems_ = f.size() > 3 ? f[2].toLongLong(&itemsOk) : -1;
            groupLeft_ = f.size() > 3 ? f[3].toLongLong(&recordsOk) : -1;
            if (run.ended || undoBegun_ || !firstOk || first != qsizetype(run.items.size()))
                return damaged(u"is out of place"_s);
            if (!itemsOk || !recordsOk || groupItems_ <= 0 || groupLeft_ < groupItems_)
                return damaged(u"is not the batch line it should be"_s);
            groupFirst_ = run.items.size();
            inBatch_ = true;
            counted_ += groupItems_;
            return true;
        }
    }
    if (tag == "end") {
        run.ended = true;
        run.completed = field(1) == u"completed";
        return true;
    }
    if (tag == "undo") {
        undoBegun_ = true;
        run.undoEnded = false; // a new undo: its own end counts
        return true;
    }
    if (tag == "undo-end") {
        run.undoEnded = true;
        return true;
    }
    // Every other record names an item by its index.
    bool ok = false;
    const qsizetype index = f.size() > 1 ? f[1].toLongLong(&ok) : -1;
    if (tag == "item") {
        // Items come in order; one out of order means a damaged file.
        if (!ok || index != qsizetype(run.items.size()))
            return damaged(u"is out of place"_s);
        run.items.push_back({field(2), field(3), field(4), {}, {}});
        run.states.emplace_back();
    } else {
        const bool known = startTag || tag == "done" || tag == "failed" || tag == "undone" || tag == "unrestored"
            || tag == "undo-failed";
        if (!known)
            return true;
        if (!ok || index < 0 || index >= qsizetype(run.items.size()) || (startTag && std::size_t(index) < groupFirst_)) {
            if (checked_)
                return damaged(u"names no item of the run"_s);
            return true;
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
    // The group is over: it holds the items it counts.
    if (startTag && --groupLeft_ == 0) {
        const qsizetype held = qsizetype(run.items.size() - groupFirst_);
        if (held != groupItems_)
            return refuse(u"it is damaged (%1 holds %2 items, not %3)"_s.arg(inBatch_ ? u"a batch"_s : u"its header"_s)
                              .arg(held)
                              .arg(groupItems_));
        groupFirst_ = run.items.size();
        inBatch_ = false;
    }
    return true;
}

std::optional<JournalRun> RunReader::Finish()
{
    if (lines_ == 0)
        return std::nullopt;
    if (groupLeft_ > 0) {
        // The header's records are written whole with it: some of them are missing.
        if (!inBatch_) {
            refuse(u"it is damaged (its header counts %1 records, it holds %2)"_s.arg(groupLeft_ + lines_ - 1)
                       .arg(lines_ - 1));
            return std::nullopt;
        }
        // A batch cut short while it was written: none of its files was changed yet, so it
        // goes as a line cut short does.
        run_.items.resize(groupFirst_);
        run_.states.resize(groupFirst_);
        run_.wholeBytes = batchStart_;
        run_.chain = batchChain_;
        counted_ -= groupItems_;
    }
    // Every writer records at least one item.
    if (run_.items.empty() || (checked_ && qsizetype(run_.items.size()) != counted_)) {
        refuse(u"it is damaged (it holds %1 items, not %2)"_s.arg(run_.items.size()).arg(std::max<qsizetype>(counted_, 1)));
        return std::nullopt;
    }
    return std::move(run_);
}

} // namespace

std::optional<JournalRun> JournalRun::Parse(const QByteArray& bytes, QString* problem)
{
    // Only whole lines count: the last one may have been cut short by a crash.
    const qsizetype end = bytes.lastIndexOf('\n') + 1;
    RunReader reader(problem);
    if (end == 0) {
        reader.refuse(bytes.isEmpty() ? u"it is empty"_s : u"it is damaged (it holds no whole line)"_s);
        return std::nullopt;
    }
    for (qsizetype from = 0; from < end;) {
        const qsizetype to = bytes.indexOf('\n', from);
        if (!reader.Line(QByteArrayView(bytes).sliced(from, to - from), std::uint64_t(to + 1)))
            return std::nullopt;
        from = to + 1;
    }
    return reader.Finish();
}

std::optional<JournalRun> JournalRun::Load(const QString& fileName, QString* problem)
{
    RunReader reader(problem);
    platform::PositionedFile file;
    const auto status = file.Open(ToFsPath(fileName), platform::PositionedFile::Access::Read);
    if (!status) {
        reader.refuse(u"it cannot be read: "_s + (status.ec ? ErrorText(status.ec) : u"it is not a regular file"_s));
        return std::nullopt;
    }
    // A block at a time; the bytes after the last line feed wait for the next block.
    QByteArray pending;
    std::uint64_t offset = 0; // of the first pending byte
    QByteArray block(qsizetype(kReadBlock), Qt::Uninitialized);
    for (;;) {
        std::error_code ec;
        const std::size_t got = file.ReadAt(offset + std::uint64_t(pending.size()), block.data(), kReadBlock, ec);
        if (ec) {
            reader.refuse(u"it cannot be read: "_s + ErrorText(ec));
            return std::nullopt;
        }
        if (got == 0)
            break;
        pending.append(block.constData(), qsizetype(got));
        qsizetype from = 0;
        for (qsizetype to; (to = pending.indexOf('\n', from)) >= 0; from = to + 1) {
            if (!reader.Line(QByteArrayView(pending).sliced(from, to - from), offset + std::uint64_t(to + 1)))
                return std::nullopt;
        }
        pending.remove(0, from);
        offset += std::uint64_t(from);
        if (pending.size() > kMostLineBytes) {
            reader.refuse(u"it is damaged (line %1 is longer than any record the program writes)"_s.arg(reader.lines() + 1));
            return std::nullopt;
        }
    }
    if (reader.lines() == 0) {
        reader.refuse(offset + std::uint64_t(pending.size()) == 0 ? u"it is empty"_s
                                                                   : u"it is damaged (it holds no whole line)"_s);
        return std::nullopt;
    }
    auto run = reader.Finish();
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

bool JournalAppender::write(const QByteArray& text, std::uint32_t chain, QString& problem)
{
    if (!file_) {
        problem = u"It is not open."_s;
        return false;
    }
    std::error_code ec;
    if (!file_->WriteAt(end_, text.constData(), std::size_t(text.size()), ec)) {
        problem = ErrorText(ec) + u'.';
        std::error_code ignored;
        file_->Truncate(end_, ignored);
        return false;
    }
    end_ += std::uint64_t(text.size());
    chain_ = chain;
    return true;
}

bool JournalAppender::Append(const QStringList& fields, QString& problem)
{
    std::uint32_t chain = chain_;
    const QByteArray line = JournalRun::Line(fields, version_, chain);
    return write(line, chain, problem);
}

bool JournalAppender::AppendBatch(std::size_t first, const std::vector<JournalItem>& items, QString& problem)
{
    if (version_ < 2) {
        problem = u"A run of the first format holds no batches."_s;
        return false;
    }
    std::uint32_t chain = chain_;
    const QByteArray text = JournalRun::BatchText(first, items, chain);
    if (!write(text, chain, problem))
        return false;
    if (!Sync()) {
        problem = u"It cannot be flushed to the disk."_s;
        return false;
    }
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
