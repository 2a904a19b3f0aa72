// The undo journal: its file format, the writer, the undo's choice of run and the kept runs.
#include "journal/Journal.h"
#include "journal/JournalUndo.h"
#include "journal/JournalWriter.h"

#include "common/FsPath.h"
#include "PrivateJournal.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

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
    QByteArray text = JournalRun::StartText(u"properties"_s, created, 4242, items);
    text += JournalRun::Line({u"done"_s, u"1"_s, awkward});
    text += JournalRun::Line({u"failed"_s, u"0"_s, u"locked"_s});
    text += JournalRun::Line({u"someday"_s, u"0"_s}); // a later version's record
    text += JournalRun::Line({u"done"_s, u"7"_s});     // no such item
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
    EXPECT_TRUE(run->interrupted());

    for (const QByteArray& bad : {QByteArray(), QByteArray("KRDL-JOURNAL\t1\trename"), QByteArray("hello\n"),
                                  QByteArray("KRDL-JOURNAL\t2\trename\tx\t1\n")})
        EXPECT_FALSE(JournalRun::Parse(bad)) << bad.constData();
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
        EXPECT_EQ(JournalUndo(kRename).status(), JournalUndo::Busy);
        writer.MarkDone(1);
        writer.MarkFailed(0, u"exists"_s);
        writer.End(false);
    }
    std::optional<JournalRun> ended = JournalRun::Load(file);
    ASSERT_TRUE(ended);
    EXPECT_TRUE(ended->ended && !ended->completed);
    EXPECT_EQ(ended->states[1].mark, JournalMark::Done);
    EXPECT_EQ(JournalUndo(kProperties).status(), JournalUndo::NothingToUndo);

    {
        JournalUndo undo(kRename);
        ASSERT_EQ(undo.status(), JournalUndo::Ready);
        EXPECT_EQ(undo.Run().fileName, file);
        undo.MarkUndone(1);
        // Cut short: no End.
    }
    {
        JournalUndo undo(kRename);
        ASSERT_EQ(undo.status(), JournalUndo::Ready);
        EXPECT_EQ(undo.Run().states[1].undo, UndoMark::Undone);
        EXPECT_EQ(JournalUndo(kRename).status(), JournalUndo::Busy); // one undo at a time
        undo.End();
    }
    EXPECT_EQ(JournalUndo(kRename).status(), JournalUndo::NothingToUndo);

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
