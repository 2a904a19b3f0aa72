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

QByteArray Escaped(const QString& text)
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

QString Unescaped(QByteArrayView field)
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

QString IsoTime(const QDateTime& time)
{
    return time.toUTC().toString(Qt::ISODateWithMs);
}

// The checksum of a record's fields and tabs with the line feed after them, going on from the
// one of the line before.
std::uint32_t LineChecksum(QByteArrayView payload, std::uint32_t previous)
{
    const std::uint32_t crc = Crc32(std::string_view(payload.data(), std::size_t(payload.size())), previous);
    return Crc32("\n", crc);
}

QList<QByteArrayView> SplitFields(QByteArrayView line)
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
        line += Escaped(fields.at(i));
    }
    if (version >= 2) {
        chain = LineChecksum(line, chain);
        line += '\t';
        line += QByteArray::number(chain, 16).rightJustified(8, '0');
    }
    line += '\n';
    return line;
}

namespace {

// The records of `items`, numbered on from `first`, and how many lines they are.
QByteArray ItemLines(std::size_t first, const std::vector<JournalItem>& items, std::uint32_t& chain)
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

QString RecordCount(const std::vector<JournalItem>& items)
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
    QByteArray text = Line({QString::fromLatin1(kMagic), QString::number(kJournalVersion), kind, IsoTime(created),
                            QString::number(processId), QString::number(items.size()), RecordCount(items)},
                           kJournalVersion, chain);
    return text + ItemLines(0, items, chain);
}

QByteArray JournalRun::BatchText(std::size_t first, const std::vector<JournalItem>& items, std::uint32_t& chain)
{
    QByteArray text = Line({u"batch"_s, QString::number(first), QString::number(items.size()), RecordCount(items)},
                           kJournalVersion, chain);
    return text + ItemLines(first, items, chain);
}

bool JournalRun::UndoOver() const
{
    return undoEnded
        && std::none_of(states.begin(), states.end(), [](const JournalItemState& s) { return s.undo == UndoMark::Failed; });
}

namespace {

// Reads a run a line at a time, as Parse and Load hand the lines over.
class RunReader {
public:
    explicit RunReader(QString* problem) : m_problem(problem) {}

    // One whole line without its line feed, which ends at `end` in the file. False when the run
    // is refused (Problem says why); no more lines are wanted then.
    bool Line(QByteArrayView line, std::uint64_t end);
    // After the last whole line: the run, or nothing when it is refused.
    std::optional<JournalRun> Finish();

    bool Refuse(const QString& why)
    {
        if (m_problem)
            *m_problem = why;
        return false;
    }
    bool Damaged(const QString& what) { return Refuse(u"it is damaged (line %1 %2)"_s.arg(m_lines).arg(what)); }

    qsizetype Lines() const { return m_lines; }

private:
    bool Header(const QList<QByteArrayView>& h);
    bool Record(const QList<QByteArrayView>& f);

    QString* m_problem;
    JournalRun m_run;
    qsizetype m_lines = 0; // read so far, this one included
    bool m_checked = false;
    bool m_holeMet = false; // bytes a power cut lost: nothing from there on counts
    bool m_undoBegun = false;
    qsizetype m_counted = 0; // the items the header and the batches count

    // The header's records, or a batch's, still being read.
    qsizetype m_groupLeft = 0;       // its records still to come
    qsizetype m_groupItems = 0;      // the items it counts
    std::size_t m_groupFirst = 0;    // the run's items before it
    bool m_inBatch = false;          // it is a batch's, not the header's
    std::uint64_t m_batchStart = 0;  // where the batch line begins
    std::uint32_t m_batchChain = 0;  // the checksum of the line before it
};

bool RunReader::Line(QByteArrayView line, std::uint64_t end)
{
    // Marks are appended without a flush each, so a power cut can keep a later one and lose an
    // earlier one: the lost bytes read as zeros, which no record holds (a NUL in a field is
    // written as \0). The run ends before them, as at a line cut short; the marks after them
    // are passed over like it, and an undo looks at those files itself.
    if (m_holeMet || (m_lines > 0 && line.contains('\0'))) {
        m_holeMet = true;
        return true;
    }
    ++m_lines;
    if (m_lines == 1) {
        const QList<QByteArrayView> h = SplitFields(line);
        if (h.size() < 5 || h[0] != kMagic)
            return Refuse(u"it is damaged (it does not begin as an undo journal does)"_s);
        bool versionOk = false;
        m_run.version = h[1].toInt(&versionOk);
        if (!versionOk || m_run.version < 1)
            return Refuse(u"it is damaged (it does not begin as an undo journal does)"_s);
        if (m_run.version > kJournalVersion)
            return Refuse(u"it was written by a newer version of the program"_s);
        m_checked = m_run.version >= 2;
    }

    // The checksum first: nothing of a line that fails its own is looked at.
    const std::uint32_t before = m_run.chain;
    QByteArrayView payload = line;
    if (m_checked) {
        const qsizetype tab = payload.lastIndexOf('\t');
        bool ok = tab >= 0 && payload.size() - tab - 1 == 8;
        const std::uint32_t stored = ok ? payload.sliced(tab + 1).toUInt(&ok, 16) : 0;
        payload = payload.first(std::max<qsizetype>(tab, 0));
        if (!ok || stored != LineChecksum(payload, m_run.chain))
            return Damaged(u"does not match its checksum"_s);
        m_run.chain = stored;
    }
    const QList<QByteArrayView> fields = SplitFields(payload);
    const std::uint64_t start = m_run.wholeBytes;
    m_run.wholeBytes = end;
    if (m_lines == 1)
        return Header(fields);
    if (m_checked && m_groupLeft == 0 && fields[0] == "batch") {
        m_batchStart = start;
        m_batchChain = before;
    }
    return Record(fields);
}

bool RunReader::Header(const QList<QByteArrayView>& h)
{
    if (h.size() < 5)
        return Damaged(u"is not the header it should be"_s);
    m_run.kind = Unescaped(h[2]);
    m_run.created = QDateTime::fromString(Unescaped(h[3]), Qt::ISODateWithMs);
    m_run.processId = h[4].toLongLong();
    if (!m_checked)
        return true;
    // What the header counts, written whole with it: its records must all be there.
    bool itemsOk = false, recordsOk = false;
    m_groupItems = h.size() > 6 ? h[5].toLongLong(&itemsOk) : -1;
    m_groupLeft = h.size() > 6 ? h[6].toLongLong(&recordsOk) : -1;
    if (!itemsOk || !recordsOk || m_groupItems <= 0 || m_groupLeft < m_groupItems)
        return Damaged(u"is not the header it should be"_s);
    m_counted = m_groupItems;
    return true;
}

bool RunReader::Record(const QList<QByteArrayView>& f)
{
    JournalRun& run = m_run;
    const QByteArrayView tag = f[0];
    const auto field = [&f](qsizetype i) { return i < f.size() ? Unescaped(f[i]) : QString(); };
    const bool startTag = tag == "item" || tag == "prop" || tag == "attr";
    if (m_checked) {
        // Items and their properties come in the groups the header and the batch lines count;
        // the marks come between and after them.
        if (startTag != (m_groupLeft > 0))
            return Damaged(u"is out of place"_s);
        if (tag == "batch") {
            // Only while the run writes its files: never after its end or an undo.
            bool firstOk = false, itemsOk = false, recordsOk = false;
            const qsizetype first = f.size() > 3 ? f[1].toLongLong(&firstOk) : -1;
            m_groupItems = f.size() > 3 ? f[2].toLongLong(&itemsOk) : -1;
            m_groupLeft = f.size() > 3 ? f[3].toLongLong(&recordsOk) : -1;
            if (run.ended || m_undoBegun || !firstOk || first != qsizetype(run.items.size()))
                return Damaged(u"is out of place"_s);
            if (!itemsOk || !recordsOk || m_groupItems <= 0 || m_groupLeft < m_groupItems)
                return Damaged(u"is not the batch line it should be"_s);
            m_groupFirst = run.items.size();
            m_inBatch = true;
            m_counted += m_groupItems;
            return true;
        }
    }
    if (tag == "end") {
        run.ended = true;
        run.completed = field(1) == u"completed";
        return true;
    }
    if (tag == "undo") {
        m_undoBegun = true;
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
            return Damaged(u"is out of place"_s);
        run.items.push_back({field(2), field(3), field(4), {}, {}});
        run.states.emplace_back();
    } else {
        const bool known = startTag || tag == "done" || tag == "failed" || tag == "undone" || tag == "unrestored"
            || tag == "undo-failed";
        if (!known)
            return true;
        if (!ok || index < 0 || index >= qsizetype(run.items.size()) || (startTag && std::size_t(index) < m_groupFirst)) {
            if (m_checked)
                return Damaged(u"names no item of the run"_s);
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
    if (startTag && --m_groupLeft == 0) {
        const qsizetype held = qsizetype(run.items.size() - m_groupFirst);
        if (held != m_groupItems)
            return Refuse(u"it is damaged (%1 holds %2 items, not %3)"_s.arg(m_inBatch ? u"a batch"_s : u"its header"_s)
                              .arg(held)
                              .arg(m_groupItems));
        m_groupFirst = run.items.size();
        m_inBatch = false;
    }
    return true;
}

std::optional<JournalRun> RunReader::Finish()
{
    if (m_lines == 0)
        return std::nullopt;
    if (m_groupLeft > 0) {
        // The header's records are written whole with it: some of them are missing.
        if (!m_inBatch) {
            Refuse(u"it is damaged (its header counts %1 records, it holds %2)"_s.arg(m_groupLeft + m_lines - 1)
                       .arg(m_lines - 1));
            return std::nullopt;
        }
        // A batch cut short while it was written: none of its files was changed yet, so it
        // goes as a line cut short does.
        m_run.items.resize(m_groupFirst);
        m_run.states.resize(m_groupFirst);
        m_run.wholeBytes = m_batchStart;
        m_run.chain = m_batchChain;
        m_counted -= m_groupItems;
    }
    // Every writer records at least one item.
    if (m_run.items.empty() || (m_checked && qsizetype(m_run.items.size()) != m_counted)) {
        Refuse(u"it is damaged (it holds %1 items, not %2)"_s.arg(m_run.items.size()).arg(std::max<qsizetype>(m_counted, 1)));
        return std::nullopt;
    }
    return std::move(m_run);
}

} // namespace

std::optional<JournalRun> JournalRun::Parse(const QByteArray& bytes, QString* problem)
{
    // Only whole lines count: the last one may have been cut short by a crash.
    const qsizetype end = bytes.lastIndexOf('\n') + 1;
    RunReader reader(problem);
    if (end == 0) {
        reader.Refuse(bytes.isEmpty() ? u"it is empty"_s : u"it is damaged (it holds no whole line)"_s);
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
        reader.Refuse(u"it cannot be read: "_s + (status.ec ? ErrorText(status.ec) : u"it is not a regular file"_s));
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
            reader.Refuse(u"it cannot be read: "_s + ErrorText(ec));
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
            reader.Refuse(u"it is damaged (line %1 is longer than any record the program writes)"_s.arg(reader.Lines() + 1));
            return std::nullopt;
        }
    }
    if (reader.Lines() == 0) {
        reader.Refuse(offset + std::uint64_t(pending.size()) == 0 ? u"it is empty"_s
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
    m_version = version;
    m_chain = chain;
    m_end = end;
    m_file = std::make_unique<platform::PositionedFile>();
    const auto status = m_file->Open(ToFsPath(fileName), platform::PositionedFile::Access::Write);
    std::error_code ec;
    if (!status) {
        problem = status.problem == platform::PositionedFile::Problem::ReadOnly ? u"It is read-only."_s
                                                                               : ErrorText(status.ec) + u'.';
        m_file.reset();
        return false;
    }
    if (m_file->SizeAtOpen() > m_end && !m_file->Truncate(m_end, ec)) {
        problem = ErrorText(ec) + u'.';
        m_file.reset();
        return false;
    }
    return true;
}

bool JournalAppender::Write(const QByteArray& text, std::uint32_t chain, QString& problem)
{
    if (!m_file) {
        problem = u"It is not open."_s;
        return false;
    }
    std::error_code ec;
    if (!m_file->WriteAt(m_end, text.constData(), std::size_t(text.size()), ec)) {
        problem = ErrorText(ec) + u'.';
        std::error_code ignored;
        m_file->Truncate(m_end, ignored);
        return false;
    }
    m_end += std::uint64_t(text.size());
    m_chain = chain;
    return true;
}

bool JournalAppender::Append(const QStringList& fields, QString& problem)
{
    std::uint32_t chain = m_chain;
    const QByteArray line = JournalRun::Line(fields, m_version, chain);
    return Write(line, chain, problem);
}

bool JournalAppender::AppendBatch(std::size_t first, const std::vector<JournalItem>& items, QString& problem)
{
    if (m_version < 2) {
        problem = u"A run of the first format holds no batches."_s;
        return false;
    }
    std::uint32_t chain = m_chain;
    const QByteArray text = JournalRun::BatchText(first, items, chain);
    if (!Write(text, chain, problem))
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
    return m_file && m_file->Sync(ec);
}

void JournalAppender::Close()
{
    m_file.reset();
}
