// The batch rename run against real temporary folders, reported through recording sinks.
#include "batch/TarRenameFiles.h"

#include "FakeSinks.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using testfiles::ReadBytes;
using testfiles::WriteBytes;

namespace {

class RenameRun : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(tmp.isValid()); }
    QString path(const QString& rel) const { return tmp.filePath(rel); }
    QString file(const QString& rel, const QByteArray& data = "x")
    {
        WriteBytes(path(rel), data);
        return path(rel);
    }
    TarRenameFiles run(const QStringList& sources, const QString& oldText, const QString& newText,
                       bool caseSensitive = true)
    {
        TarRenameFiles r(progress);
        r.SourceFiles = sources;
        r.OldText = oldText;
        r.NewText = newText;
        r.CaseSensitive = caseSensitive;
        r.Execute();
        return r;
    }
    QStringList files() const { return QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name); }

    QTemporaryDir tmp;
    FakeProgressFactory progress;
};

QStringList closing() { return {" ", "End renameing files!"}; }

} // namespace

TEST_F(RenameRun, ReplacesTheFirstOccurrenceInEachName)
{
    const QString a = file("banana.dft", "B"), b = file("plan.dft", "P");
    const TarRenameFiles r = run({a, b}, "a", "X");
    FakeProgress& log = progress.only();
    EXPECT_EQ(log.caption, "Rename files");
    EXPECT_EQ(log.shown, 1);
    EXPECT_EQ(log.finished, 1);
    EXPECT_EQ(log.lines, QStringList({"Start renaming files...",
                                      " ", "1/2 " + a + " rename to " + path("bXnana.dft") + ".", "Success!",
                                      " ", "2/2 " + b + " rename to " + path("plXn.dft") + ".", "Success!"})
                             + closing());
    EXPECT_EQ(r.RenamedFiles, QStringList({path("bXnana.dft"), path("plXn.dft")}));
    EXPECT_EQ(files(), QStringList({"bXnana.dft", "plXn.dft"}));
    EXPECT_EQ(ReadBytes(path("bXnana.dft")), "B");
}

TEST_F(RenameRun, TheWholeNameIsSearchedExtensionIncluded)
{
    const QString a = file("part.dft");
    const TarRenameFiles r = run({a}, ".dft", ".bak");
    EXPECT_EQ(r.RenamedFiles, QStringList {path("part.bak")});
    EXPECT_EQ(files(), QStringList {"part.bak"});
}

TEST_F(RenameRun, CaseRuleAndSilentSkips)
{
    const QString a = file("xabcx.par"), b = file("other.par");
    // Case sensitive: no name contains ABC, so no file gets a log line.
    TarRenameFiles strict = run({a, b}, "ABC", "New", true);
    EXPECT_EQ(progress.sinks.back()->lines, QStringList {"Start renaming files..."} + closing());
    EXPECT_TRUE(strict.RenamedFiles.isEmpty());
    EXPECT_EQ(progress.sinks.back()->processed, 2);

    // Without case: the numbering still counts the skipped file.
    TarRenameFiles loose = run({b, a}, "ABC", "New", false);
    EXPECT_EQ(progress.sinks.back()->lines,
              QStringList({"Start renaming files...", " ", "2/2 " + a + " rename to " + path("xNewx.par") + ".",
                           "Success!"})
                  + closing());
    EXPECT_EQ(files(), QStringList({"other.par", "xNewx.par"}));
}

TEST_F(RenameRun, CollisionsNeverReplaceAFile)
{
    const QString one = file("old_a.dft", "one"), two = file("OLD_a.dft", "two");
    const QString three = file("b_old.dft", "three");
    file("b_new.dft", "already there");
    const TarRenameFiles r = run({one, two, three}, "old", "new", false);
    const QStringList& lines = progress.only().lines;
    ASSERT_EQ(lines.size(), 12);
    EXPECT_EQ(lines.at(3), "Success!");
    EXPECT_EQ(lines.at(5), "2/3 " + two + " rename to " + path("new_a.dft") + ".");
    EXPECT_EQ(lines.at(6), "Failed!");
    EXPECT_EQ(lines.at(9), "Failed!");
    EXPECT_EQ(r.RenamedFiles, QStringList {path("new_a.dft")});
    EXPECT_EQ(ReadBytes(path("new_a.dft")), "one");
    EXPECT_EQ(ReadBytes(two), "two");
    EXPECT_EQ(ReadBytes(three), "three");
    EXPECT_EQ(ReadBytes(path("b_new.dft")), "already there");
    EXPECT_EQ(r.Result().failed, 2);
}

TEST_F(RenameRun, NewNamesThatWouldMoveTheFileFail)
{
    ASSERT_TRUE(QDir().mkdir(path("sub")));
    const QString a = file("a.dft");
    run({a, a, a}, "a", "sub/a", true);
    run({a}, "a.dft", "..", true);
    run({a}, "a", "sub\\a", true);
    for (const auto& log : progress.sinks)
        EXPECT_EQ(log->lines.at(3), "Failed!");
    EXPECT_EQ(files(), QStringList {"a.dft"});
    EXPECT_TRUE(QDir(path("sub")).isEmpty());
}

TEST_F(RenameRun, MissingFilesFailAndBareNamesStayBare)
{
    const TarRenameFiles r = run({path("gone_a.dft"), "zz_a.dft"}, "_a", "_b");
    const QStringList& lines = progress.only().lines;
    ASSERT_EQ(lines.size(), 9);
    EXPECT_EQ(lines.at(3), "Failed!");
    EXPECT_EQ(lines.at(5), "2/2 zz_a.dft rename to zz_b.dft.");
    EXPECT_EQ(lines.at(6), "Failed!");
    EXPECT_TRUE(r.RenamedFiles.isEmpty());
}

TEST_F(RenameRun, CancelKeepsWhatWasRenamedSoFar)
{
    const QString a = file("a1.dft"), b = file("a2.dft"), c = file("a3.dft");
    progress.prepare = [](FakeProgress& log) {
        log.onProcess = [](int call, FakeProgress& l) {
            if (call == 2)
                l.stopped = true;
        };
    };
    const TarRenameFiles r = run({a, b, c}, "a", "b");
    EXPECT_EQ(progress.only().lines,
              QStringList({"Start renaming files...", " ", "1/3 " + a + " rename to " + path("b1.dft") + ".",
                           "Success!", "User cancel operation!"})
                  + closing());
    EXPECT_EQ(r.RenamedFiles, QStringList {path("b1.dft")});
    EXPECT_EQ(files(), QStringList({"a2.dft", "a3.dft", "b1.dft"}));
    EXPECT_TRUE(r.Result().cancelled);
}

TEST_F(RenameRun, EmptyRun)
{
    run({}, "a", "b");
    EXPECT_EQ(progress.only().lines, QStringList {"Start renaming files..."} + closing());
    EXPECT_EQ(progress.only().finished, 1);
}
