// The undo journal: its file format, the writer, the undo's choice of run and the kept runs.
#include "journal/Crc32.h"
#include "journal/Journal.h"
#include "journal/JournalUndo.h"
#include "journal/JournalWriter.h"

#include "common/Error.h"
#include "common/FsPath.h"
#include "PrivateJournal.h"

#include "support/TestFiles.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <functional>

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#endif

using namespace Qt::StringLiterals;

namespace {

class JournalTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(journal.home.isValid()); }
    PrivateJournal journal;
};

const QString kRename = QString::fromLatin1(kRenameJournal);
const QString kProperties = QString::fromLatin1(kPropertiesJournal);

} // namespace

TEST_F(JournalTest, EveryFieldComesBackExactly)
{
    // A name that is no UTF-8 (one Windows-1250 byte), and fields with every escaped character.
    const QString odd = FromNativeBytes("/w/\x9a\xe8.par");
    const QString awkward = u"tab\there\nline\r\\back\\t"_s + QChar(0) + u"end"_s;
    const std::vector<JournalItem> items{
        {odd, u"/w/new.par"_s, u"64769:1234"_s, {}, {}},
        {u"/w/doc.dft"_s, {}, {}, {{u"Material"_s, u"Text"_s, awkward}, {u"Mass"_s, u"Float"_s, u"1.875"_s}},
         {{u"codepage"_s, u"1250"_s}}},
    };
    const QDateTime created = QDateTime::fromString(u"2026-03-09T10:15:30.123Z"_s, Qt::ISODateWithMs);
    std::uint32_t chain = 0;
    QByteArray text = JournalRun::StartText(u"properties"_s, created, 4242, items, chain);
    text += JournalRun::Line({u"done"_s, u"1"_s, awkward}, kJournalVersion, chain);
    text += JournalRun::Line({u"failed"_s, u"0"_s, u"locked"_s}, kJournalVersion, chain);
    text += JournalRun::Line({u"someday"_s, u"0"_s}, kJournalVersion, chain); // a later version's record
    const qsizetype whole = text.size();
    text += "undone\t1"; // cut short by a crash

    const std::optional<JournalRun> run = JournalRun::Parse(text);
    ASSERT_TRUE(run);
    EXPECT_EQ(run->kind, u"properties"_s);
    EXPECT_EQ(run->created, created);
    EXPECT_EQ(run->processId, 4242);
    ASSERT_EQ(run->items.size(), 2u);
    EXPECT_EQ(run->items[0].path, odd);
    EXPECT_EQ(ToNativeBytes(run->items[0].path), ToNativeBytes(odd));
    EXPECT_EQ(run->items[0].newPath, u"/w/new.par"_s);
    EXPECT_EQ(run->items[0].identity, u"64769:1234"_s);
    ASSERT_EQ(run->items[1].properties.size(), 2u);
    EXPECT_EQ(run->items[1].properties[0].value, awkward);
    EXPECT_EQ(run->items[1].properties[1].name, u"Mass"_s);
    EXPECT_EQ(run->items[1].attributes, (std::vector<std::pair<QString, QString>>{{u"codepage"_s, u"1250"_s}}));
    EXPECT_EQ(run->states[0].mark, JournalMark::Failed);
    EXPECT_EQ(run->states[0].note, u"locked"_s);
    EXPECT_EQ(run->states[1].mark, JournalMark::Done);
    EXPECT_EQ(run->states[1].note, awkward);
    EXPECT_EQ(run->states[1].undo, UndoMark::None);
    EXPECT_TRUE(run->Interrupted());
    EXPECT_EQ(run->wholeBytes, std::uint64_t(whole));
    EXPECT_EQ(run->chain, chain);

    // A run of the first format, without counts and checksums, is still read.
    const std::optional<JournalRun> first = JournalRun::Parse(
        "KRDL-JOURNAL\t1\trename\t2025-01-02T03:04:05.000Z\t7\nitem\t0\t/w/a.dft\t/w/b.dft\t\ndone\t0\t\n"
        "undo\t2025-01-03T00:00:00.000Z\nunrestored\t0\t/w/a.dft exists already.\nundo-end\n");
    ASSERT_TRUE(first);
    EXPECT_EQ(first->items.size(), 1u);
    EXPECT_EQ(first->states[0].mark, JournalMark::Done);
    EXPECT_TRUE(first->UndoOver());

    for (const QByteArray& bad : {QByteArray(), QByteArray("KRDL-JOURNAL\t1\trename"), QByteArray("hello\n"),
                                  QByteArray("KRDL-JOURNAL\t3\trename\tx\t1\n"), QByteArray("KRDL-JOURNAL\t1\trename\tx\t1\n")})
        EXPECT_FALSE(JournalRun::Parse(bad)) << bad.constData();
}

TEST(Crc32, MatchesTheCheckValuesAndGoesOn)
{
    const std::pair<std::string_view, std::uint32_t> cases[] = {
        {"", 0u}, {"a", 0xE8B7BE43u}, {"123456789", 0xCBF43926u}, {"The quick brown fox jumps over the lazy dog", 0x414FA339u}};
    for (const auto& [text, crc] : cases)
        EXPECT_EQ(Crc32(text), crc) << text;
    EXPECT_EQ(Crc32("56789", Crc32("1234")), 0xCBF43926u);
}

TEST_F(JournalTest, RunIsOnDiskBeforeTheFirstChangeAndUndoneOnce)
{
    const std::vector<JournalItem> items{{u"/w/a.dft"_s, u"/w/b.dft"_s, {}, {}, {}}, {u"/w/c.dft"_s, u"/w/d.dft"_s, {}, {}, {}}};
    QString file;
    {
        JournalWriter writer(kRename, items);
        file = writer.FileName();
        std::optional<JournalRun> onDisk = JournalRun::Load(file);
        ASSERT_TRUE(onDisk);
        EXPECT_EQ(onDisk->items.size(), 2u);
#ifndef _WIN32
        // Private by its mode; on Windows by the access list of the user's own %LOCALAPPDATA%.
        EXPECT_EQ(QFileInfo(JournalFolder()).permissions() & (QFile::ReadOther | QFile::ReadGroup), 0);
#endif
        // No undo touches a run that is still going on.
        EXPECT_EQ(JournalUndo(kRename).UndoStatus(), JournalUndo::Busy);
        writer.MarkDone(1);
        writer.MarkFailed(0, u"exists"_s);
        writer.End(false);
    }
    std::optional<JournalRun> ended = JournalRun::Load(file);
    ASSERT_TRUE(ended);
    EXPECT_TRUE(ended->ended && !ended->completed);
    EXPECT_EQ(ended->states[1].mark, JournalMark::Done);
    EXPECT_EQ(JournalUndo(kProperties).UndoStatus(), JournalUndo::NothingToUndo);

    {
        JournalUndo undo(kRename);
        ASSERT_EQ(undo.UndoStatus(), JournalUndo::Ready);
        EXPECT_EQ(undo.Run().fileName, file);
        undo.MarkUndone(1);
        // Cut short: no End.
    }
    {
        JournalUndo undo(kRename);
        ASSERT_EQ(undo.UndoStatus(), JournalUndo::Ready);
        EXPECT_EQ(undo.Run().states[1].undo, UndoMark::Undone);
        EXPECT_EQ(JournalUndo(kRename).UndoStatus(), JournalUndo::Busy); // one undo at a time
        EXPECT_TRUE(undo.MarkFailed(0, u"locked"_s));
        EXPECT_TRUE(undo.End());
    }
    {
        // An undo that ended with an item failed leaves the run to the next undo.
        JournalUndo undo(kRename);
        ASSERT_EQ(undo.UndoStatus(), JournalUndo::Ready);
        EXPECT_TRUE(undo.Run().undoEnded);
        EXPECT_EQ(undo.Run().states[0].undo, UndoMark::Failed);
        EXPECT_TRUE(undo.MarkLeftAlone(0, u"gone"_s));
        EXPECT_TRUE(undo.End());
    }
    EXPECT_EQ(JournalUndo(kRename).UndoStatus(), JournalUndo::NothingToUndo);

    // A run that changed nothing leaves nothing behind.
    JournalWriter idle(kRename, items);
    idle.MarkFailed(0);
    idle.End(true);
    EXPECT_FALSE(QFileInfo::exists(idle.FileName()));
}

TEST_F(JournalTest, KeepsTheNewestTenOfEachKind)
{
    const std::vector<JournalItem> items{{u"/w/a.dft"_s, {}, {}, {}, {}}};
    QStringList written;
    for (int n = 0; n < 13; ++n) {
        JournalWriter writer(n == 0 ? kRename : kProperties, items);
        written << writer.FileName();
        writer.MarkDone(0);
        writer.End(true);
    }
    EXPECT_EQ(JournalRunFiles(kRename), QStringList{written.front()});
    QStringList newest = written.mid(3);
    std::reverse(newest.begin(), newest.end());
    EXPECT_EQ(JournalRunFiles(kProperties), newest);
}

namespace {

QByteArray withoutLine(const QByteArray& text, const char* start)
{
    QList<QByteArray> lines = text.split('\n');
    lines.removeIf([start, done = false](const QByteArray& line) mutable { return !done && (done = line.startsWith(start)); });
    return lines.join('\n');
}

} // namespace

// More of these (a value, a property line, the records after the header, a read-only file) in
// PropertyUndoRun, against documents.
TEST_F(JournalTest, ADamagedOrUnwritableRunIsRefusedButOneCutShortIsNot)
{
    QString newest;
    {
        JournalWriter writer(kProperties, {{u"/w/a.par"_s, {}, u"1:2"_s, {}, {}}, {u"/w/b.par"_s, {}, u"1:3"_s, {}, {}}});
        newest = writer.FileName();
        writer.MarkDone(0);
        writer.MarkDone(1);
        writer.End(true);
    }
    const QByteArray good = testfiles::ReadBytes(newest);
    // A line cut short by a crash, after the last whole record, is no damage.
    const QByteArray torn = good + "failed\t1\t" + QByteArray(120, 'e');
    // Marks are not flushed one by one: a power cut can keep a later one and lose an earlier
    // one, whose bytes then read as zeros.
    QByteArray lostMark = good;
    const qsizetype mark = good.indexOf("\ndone\t0") + 1;
    lostMark.replace(mark, good.indexOf('\n', mark) + 1 - mark, QByteArray(good.indexOf('\n', mark) + 1 - mark, '\0'));

#ifndef _WIN32
    // The file size limit stands in for a full disk: a write past it fails with EFBIG.
    rlimit unlimited{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &unlimited), 0);
    const auto fullDisk = [&] {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit full = unlimited;
        full.rlim_cur = rlim_t(good.size());
        setrlimit(RLIMIT_FSIZE, &full);
    };
#endif
    const struct {
        const char* what;
        std::function<void()> change;
        JournalUndo::Status status;
    } cases[] = {
#ifndef _WIN32
        {"on a full disk", fullDisk, JournalUndo::CannotRecord},
#endif
        {"a mark's line gone", [&] { testfiles::WriteBytes(newest, withoutLine(good, "done\t0")); }, JournalUndo::Unusable},
        {"empty", [&] { testfiles::WriteBytes(newest, {}); }, JournalUndo::Unusable},
        {"a torn last line", [&] { testfiles::WriteBytes(newest, torn); }, JournalUndo::Ready},
        {"a mark lost to a power cut, a later one kept", [&] { testfiles::WriteBytes(newest, lostMark); }, JournalUndo::Ready},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        c.change();
        const QByteArray before = testfiles::ReadBytes(newest);
        {
            JournalUndo undo(kProperties);
            EXPECT_EQ(undo.UndoStatus(), c.status);
            EXPECT_EQ(undo.RunFile(), newest);
            if (c.status == JournalUndo::Unusable) {
                EXPECT_TRUE(undo.Problem().startsWith(u"it is "_s)) << undo.Problem().toStdString();
            }
            if (c.status != JournalUndo::Ready) {
                EXPECT_EQ(testfiles::ReadBytes(newest), before); // nothing written to it
            }
        }
#ifndef _WIN32
        setrlimit(RLIMIT_FSIZE, &unlimited);
#endif
        testfiles::WriteBytes(newest, good);
    }
    // The torn line made way for the undo's own record.
    testfiles::WriteBytes(newest, torn);
    {
        JournalUndo undo(kProperties);
        ASSERT_EQ(undo.UndoStatus(), JournalUndo::Ready);
        EXPECT_TRUE(undo.MarkUndone(0));
    }
    const std::optional<JournalRun> reread = JournalRun::Load(newest);
    ASSERT_TRUE(reread);
    EXPECT_EQ(reread->states[0].undo, UndoMark::Undone);
    EXPECT_EQ(reread->wholeBytes, std::uint64_t(testfiles::ReadBytes(newest).size()));
}

// A run that records its items a batch at a time: each batch counted and checked as the
// header's records are, read a block at a time whatever its size.
TEST_F(JournalTest, BatchesAreCheckedLikeTheHeaderAndOneCutShortIsACrash)
{
    // A value longer than a block of the reader, so that records straddle blocks.
    const QString big(1100000, u'7');
    QString file;
    {
        JournalWriter writer(kProperties, {{u"/w/a.par"_s, {}, u"1:1"_s, {}, {}}});
        file = writer.FileName();
        writer.MarkDone(0);
        writer.AppendItems({{u"/w/b.par"_s, {}, u"1:2"_s, {{u"Note"_s, u"Text"_s, big}}, {{u"codepage"_s, u"1200"_s}}},
                            {u"/w/c.par"_s, {}, u"1:3"_s, {}, {}}});
        EXPECT_EQ(writer.ItemCount(), 3);
        writer.MarkDone(2);
        writer.MarkFailed(1, u"locked"_s);
        writer.End(true);
    }
    const QByteArray good = testfiles::ReadBytes(file);
    const std::optional<JournalRun> run = JournalRun::Load(file);
    ASSERT_TRUE(run);
    ASSERT_EQ(run->items.size(), 3u);
    EXPECT_EQ(run->items[1].properties.at(0).value, big);
    EXPECT_EQ(run->items[2].path, u"/w/c.par"_s);
    EXPECT_EQ(run->states[1].mark, JournalMark::Failed);
    EXPECT_EQ(run->states[2].mark, JournalMark::Done);
    EXPECT_TRUE(run->ended);

    const qsizetype batch = good.indexOf("\nbatch\t") + 1;
    std::uint32_t chain = 0;
    QByteArray miscounted = JournalRun::StartText(kProperties, QDateTime::currentDateTimeUtc(), 1,
                                                  {{u"/w/a.par"_s, {}, {}, {}, {}}}, chain);
    for (const QStringList& line : {QStringList{u"batch"_s, u"1"_s, u"2"_s, u"2"_s}, {u"item"_s, u"1"_s, u"/w/b.par"_s},
                                    {u"done"_s, u"1"_s}, {u"end"_s, u"completed"_s}})
        miscounted += JournalRun::Line(line, kJournalVersion, chain);
    const qsizetype itemC = good.indexOf("\nitem\t2\t") + 1;
    const struct {
        const char* what;
        QByteArray bytes;
        qsizetype items; // 0: refused as damaged
    } cases[] = {
        {"a record of the batch gone", withoutLine(good, "attr\t1"), 0},
        {"the batch line gone", withoutLine(good, "batch\t"), 0},
        {"a batch holding fewer items than it counts, its checksums right", miscounted, 0},
        {"cut inside the batch, at a line's end", good.left(itemC), 1},
        {"cut inside the batch, inside a line", good.left(itemC + 5), 1},
        {"cut after the batch's line", good.left(good.indexOf('\n', batch) + 1), 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_NE(c.bytes, good);
        testfiles::WriteBytes(file, c.bytes);
        QString problem;
        const std::optional<JournalRun> read = JournalRun::Load(file, &problem);
        if (c.items == 0) {
            EXPECT_FALSE(read);
            EXPECT_TRUE(problem.startsWith(u"it is damaged"_s)) << problem.toStdString();
            continue;
        }
        // A crash while the batch was written: the run as it was before it, to be appended to.
        ASSERT_TRUE(read);
        EXPECT_EQ(qsizetype(read->items.size()), c.items);
        EXPECT_FALSE(read->ended);
        EXPECT_EQ(read->wholeBytes, std::uint64_t(batch));
        {
            JournalUndo undo(kProperties);
            ASSERT_EQ(undo.UndoStatus(), JournalUndo::Ready);
            EXPECT_TRUE(undo.MarkUndone(0));
            EXPECT_TRUE(undo.End());
        }
        const std::optional<JournalRun> undone = JournalRun::Load(file);
        ASSERT_TRUE(undone);
        EXPECT_EQ(undone->items.size(), 1u);
        EXPECT_TRUE(undone->UndoOver());
        EXPECT_FALSE(testfiles::ReadBytes(file).contains("\nbatch\t"));
    }
}

#ifndef _WIN32
TEST_F(JournalTest, ABatchThatCannotBeRecordedLeavesTheRunAsOneCutShortBeforeIt)
{
    JournalWriter writer(kProperties, {{u"/w/a.par"_s, {}, u"1:1"_s, {}, {}}});
    writer.MarkDone(0);
    const QByteArray before = testfiles::ReadBytes(writer.FileName());
    // The file size limit stands in for a full disk, as above.
    rlimit unlimited{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &unlimited), 0);
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit full = unlimited;
    full.rlim_cur = rlim_t(before.size() + 20);
    setrlimit(RLIMIT_FSIZE, &full);
    bool thrown = false;
    try {
        writer.AppendItems({{u"/w/b.par"_s, {}, u"1:2"_s, {{u"Note"_s, u"Text"_s, QString(200, u'x')}}, {}}});
    } catch (const KrdlError& e) {
        thrown = e.Message().startsWith(u"Cannot write the undo journal"_s);
    }
    setrlimit(RLIMIT_FSIZE, &unlimited);
    EXPECT_TRUE(thrown);
    EXPECT_EQ(testfiles::ReadBytes(writer.FileName()), before);
    // Nothing more is written: no mark could follow a batch cut short at a place of its own.
    writer.End(true);
    const std::optional<JournalRun> run = JournalRun::Load(writer.FileName());
    ASSERT_TRUE(run);
    EXPECT_EQ(run->items.size(), 1u);
    EXPECT_TRUE(run->Interrupted());
}
#endif
