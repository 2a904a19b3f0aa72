// "Undo last rename" against real temporary folders and a private undo journal.
#include "batch/RenameUndo.h"
#include "batch/TarRenameFiles.h"
#include "common/FsPath.h"
#include "filelist/FileList.h"
#include "journal/Journal.h"
#include "journal/JournalWriter.h"
#include "platform/FileIdentity.h"

#include "BatchRunTest.h"
#include "support/ScopedEnv.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using testfiles::ReadBytes;

namespace {

class RenameUndoRun : public BatchRunTest {
protected:
    RenameUndo undo()
    {
        messages.shown.clear();
        RenameUndo u(progress, messages);
        u.Execute();
        return u;
    }
    QStringList files() const { return QDir(tmp.path()).entryList(QDir::Files, QDir::Name); }
};

const std::pair<QString, QString> kNothing{u"Undo last rename"_s, u"There is no rename to undo."_s};

} // namespace

TEST_F(RenameUndoRun, PutsBackWhatTheRunRenamedLastFirstAndOnlyOnce)
{
    const QString a1 = file(u"a1.dft"_s, "1"), a2 = file(u"a2.dft"_s, "2"), a3 = file(u"a3.dft"_s, "3");
    file(u"b2.dft"_s, "in the way");
    file(u"other.psm"_s, "o");
    rename({a1, a2, path(u"other.psm"_s), a3}, u"a"_s, u"b"_s);
    ASSERT_EQ(files(), QStringList({u"a2.dft"_s, u"b1.dft"_s, u"b2.dft"_s, u"b3.dft"_s, u"other.psm"_s}));

    FileList list;
    list.Append(EntryByDirectoryRule(path(u"b1.dft"_s), false));
    list.Append(EntryByDirectoryRule(path(u"other.psm"_s), true));
    list.Append(EntryByDirectoryRule(path(u"b3.dft"_s), true));
    const RenameUndo u = undo();
    EXPECT_TRUE(messages.shown.empty());
    const FakeProgress& log = *progress.sinks.back();
    EXPECT_EQ(log.caption, u"Undo last rename"_s);
    ASSERT_EQ(log.lines.size(), 9);
    EXPECT_TRUE(log.lines[0].startsWith(u"Start undoing the rename of "_s));
    // The failed a2 was never renamed: no line, and b2 stays what it was.
    EXPECT_EQ(log.lines.mid(1), QStringList({u" "_s, u"1/2 "_s + path(u"b3.dft"_s) + u" rename back to "_s + a3 + u"."_s,
                                             u"Success!"_s, u" "_s, u"2/2 "_s + path(u"b1.dft"_s) + u" rename back to "_s + a1 + u"."_s,
                                             u"Success!"_s, u" "_s, u"End undoing the rename!"_s}));
    EXPECT_EQ(log.progress.back(), std::make_pair(qsizetype(2), qsizetype(2)));
    EXPECT_EQ(files(), QStringList({u"a1.dft"_s, u"a2.dft"_s, u"a3.dft"_s, u"b2.dft"_s, u"other.psm"_s}));
    EXPECT_EQ(ReadBytes(a1), "1");
    EXPECT_EQ(ReadBytes(path(u"b2.dft"_s)), "in the way");
    EXPECT_EQ(u.Result().succeeded, 2);

    u.UpdateFileList(list);
    EXPECT_EQ(list.At(0).FullPath(), a1);
    EXPECT_FALSE(list.At(0).checked);
    EXPECT_EQ(list.At(2).FullPath(), a3);
    EXPECT_TRUE(list.At(2).checked);

    const size_t logs = progress.sinks.size();
    undo();
    EXPECT_EQ(messages.shown, std::vector{kNothing});
    EXPECT_EQ(progress.sinks.size(), logs); // no log window for nothing
}

TEST_F(RenameUndoRun, ReportsANameTakenAFileGoneAndAFileReplacedAndLeavesThem)
{
    const QString a = file(u"a_x.dft"_s, "a"), b = file(u"b_x.dft"_s, "b"), c = file(u"c_x.dft"_s, "c");
    const QString d = file(u"d_x.dft"_s, "d");
    rename({a, b, c, d}, u"_x"_s, u"_y"_s);
    file(u"a_x.dft"_s, "new file under the old name");
    ASSERT_TRUE(QFile::remove(path(u"b_y.dft"_s)));
    // Another file in the place of c_y.dft (made before the old one goes, so it is not the same).
    file(u"c_new.tmp"_s, "replacement");
    ASSERT_TRUE(QFile::remove(path(u"c_y.dft"_s)) && QFile::rename(path(u"c_new.tmp"_s), path(u"c_y.dft"_s)));

    const RenameUndo u = undo();
    const QStringList& lines = progress.sinks.back()->lines;
    ASSERT_EQ(lines.size(), 15);
    EXPECT_EQ(lines[3], u"Success!"_s); // d
    EXPECT_EQ(lines[6], u"Failed! "_s + path(u"c_y.dft"_s) + u" is another file now."_s);
    EXPECT_EQ(lines[9], u"Failed! "_s + path(u"b_y.dft"_s) + u" is gone."_s);
    EXPECT_EQ(lines[12], u"Failed! "_s + a + u" exists already."_s);
    EXPECT_EQ(ReadBytes(a), "new file under the old name");
    EXPECT_EQ(ReadBytes(path(u"a_y.dft"_s)), "a");
    EXPECT_EQ(ReadBytes(path(u"c_y.dft"_s)), "replacement");
    EXPECT_EQ(ReadBytes(d), "d");
    EXPECT_EQ(u.Result().failed, 3);
    EXPECT_EQ(u.restored, (std::vector<std::pair<QString, QString>>{{path(u"d_y.dft"_s), d}}));
    // What could not be put back is reported once; the run is done with.
    undo();
    EXPECT_EQ(messages.shown, std::vector{kNothing});
}

TEST_F(RenameUndoRun, RunCutShortByACrashIsTakenBackByWhatStandsOnTheDisk)
{
    const QString a = file(u"a.dft"_s, "a"), c = file(u"c.dft"_s, "c"), e = file(u"e.dft"_s, "e");
    const QString g = file(u"g.dft"_s, "g");
    file(u"h.dft"_s, "h was there before");
    const auto item = [](const QString& from, const QString& to) {
        return JournalItem{from, to, QString::fromStdString(platform::FileIdentity(ToFsPath(from))), {}, {}};
    };
    {
        JournalWriter journal(QString::fromLatin1(kRenameJournal),
                              {item(a, path(u"b.dft"_s)), item(c, path(u"d.dft"_s)), item(e, path(u"f.dft"_s)),
                               item(g, path(u"h.dft"_s))});
        ASSERT_TRUE(QFile::rename(a, path(u"b.dft"_s)));
        journal.MarkDone(0);
        // The process dies right after renaming c: no mark, no end line.
        ASSERT_TRUE(QFile::rename(c, path(u"d.dft"_s)));
    }
    undo();
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(progress.sinks.back()->lines.value(2), u"1/2 "_s + path(u"d.dft"_s) + u" rename back to "_s + c + u"."_s);
    EXPECT_EQ(progress.sinks.back()->lines.value(5), u"2/2 "_s + path(u"b.dft"_s) + u" rename back to "_s + a + u"."_s);
    EXPECT_EQ(files(), QStringList({u"a.dft"_s, u"c.dft"_s, u"e.dft"_s, u"g.dft"_s, u"h.dft"_s}));
    EXPECT_EQ(ReadBytes(path(u"h.dft"_s)), "h was there before");
}

TEST_F(RenameUndoRun, ARenameBackTheSystemRefusesIsTriedAgainByTheNextUndo)
{
    // The folder of one old name is not there for the moment (a share not mounted).
    const QString b = file(u"b.dft"_s, "b"), d = file(u"d.dft"_s, "d");
    const QString away = path(u"away/a.dft"_s), c = path(u"c.dft"_s);
    const auto renamed = [](const QString& from, const QString& to) {
        return JournalItem{from, to, QString::fromStdString(platform::FileIdentity(ToFsPath(to))), {}, {}};
    };
    {
        JournalWriter journal(QString::fromLatin1(kRenameJournal), {renamed(away, b), renamed(c, d)});
        journal.MarkDone(0);
        journal.MarkDone(1);
        journal.End(true);
    }
    undo();
    const QStringList& first = progress.sinks.back()->lines;
    ASSERT_EQ(first.size(), 9);
    EXPECT_EQ(first[3], u"Success!"_s);
    EXPECT_TRUE(first[6].startsWith(u"Failed! "_s) && first[6].endsWith(u" The next undo tries it again."_s)) << first[6].toStdString();
    ASSERT_TRUE(QDir(tmp.path()).mkdir(u"away"_s));
    undo();
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(progress.sinks.back()->lines.mid(1, 3),
              QStringList({u" "_s, u"1/1 "_s + b + u" rename back to "_s + away + u"."_s, u"Success!"_s}));
    EXPECT_EQ(ReadBytes(away), "b");
    EXPECT_EQ(ReadBytes(c), "d");
    undo();
    EXPECT_EQ(messages.shown, std::vector{kNothing});
}

TEST_F(RenameUndoRun, NewestFirstTenKeptAndSingleRenamesCount)
{
    file(u"f0.dft"_s, "x");
    for (int n = 0; n < 12; ++n)
        ASSERT_TRUE(RenameSingleFile(path(u"f%1.dft"_s.arg(n)), u"f%1.dft"_s.arg(n + 1)));
    EXPECT_EQ(JournalRunFiles(QString::fromLatin1(kRenameJournal)).size(), kJournalKeptRuns);
    for (int n = 12; n > 2; --n) {
        undo();
        ASSERT_TRUE(messages.shown.empty()) << n;
        ASSERT_EQ(files(), QStringList{u"f%1.dft"_s.arg(n - 1)});
    }
    undo();
    EXPECT_EQ(messages.shown, std::vector{kNothing});
    EXPECT_EQ(files(), QStringList{u"f2.dft"_s});
}

TEST_F(RenameUndoRun, AJournalThatCannotBeWrittenDoesNotStopTheRename)
{
    // A file where the data folder should be.
    const testfiles::ScopedEnv blocked{"KRDL_DATA_HOME", file(u"not-a-folder"_s, "").toStdString()};
    const QString a = file(u"a.dft"_s, "a");
    rename({a}, u"a."_s, u"b."_s);
    const QStringList& lines = progress.sinks.back()->lines;
    ASSERT_EQ(lines.size(), 7);
    EXPECT_TRUE(lines[1].startsWith(u"Cannot write the undo journal \""_s)) << lines[1].toStdString();
    EXPECT_TRUE(lines[1].endsWith(u" This rename cannot be undone."_s));
    EXPECT_EQ(lines[4], u"Success!"_s);
    EXPECT_EQ(files(), QStringList({u"b.dft"_s, u"not-a-folder"_s}));
}
