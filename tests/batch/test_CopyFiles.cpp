// The copy run against real temporary folders, reported through recording sinks.
#include "batch/TarCopyFiles.h"

#include "FakeSinks.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using testfiles::ReadBytes;
using testfiles::WriteBytes;

namespace {

class CopyRun : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(tmp.isValid()); }
    QString path(const QString& rel) const { return tmp.filePath(rel); }
    QString file(const QString& rel, const QByteArray& data)
    {
        WriteBytes(path(rel), data);
        return path(rel);
    }
    TarCopyFiles engine() { return TarCopyFiles(progress, messages); }

    QTemporaryDir tmp;
    FakeProgressFactory progress;
    FakeMessages messages;
};

QStringList closing() { return {" ", "End copying files!"}; }

} // namespace

TEST_F(CopyRun, CopiesEveryFileWithOneLogEntryEach)
{
    const QString a = file("src/a.dft", "A"), b = file("src/sub/b.par", "BB"), c = file("other/c.asm", "CCC");
    const QString dest = path("dest");
    ASSERT_TRUE(QDir().mkdir(dest));

    TarCopyFiles copy = engine();
    copy.SourceFiles = {a, b, c};
    copy.DestinationDir = dest;
    copy.Execute();

    FakeProgress& log = progress.only();
    EXPECT_EQ(log.caption, "Copy files");
    EXPECT_EQ(log.shown, 1);
    EXPECT_EQ(log.finished, 1);
    EXPECT_EQ(log.processed, 3);
    const QStringList expected = QStringList {"Start copying files...",
                                              " ", "1/3 " + a + " copy to " + dest + "/a.dft.", "Success!",
                                              " ", "2/3 " + b + " copy to " + dest + "/b.par.", "Success!",
                                              " ", "3/3 " + c + " copy to " + dest + "/c.asm.", "Success!"}
        + closing();
    EXPECT_EQ(log.lines, expected);
    EXPECT_EQ(copy.DestinationFiles, QStringList({dest + "/a.dft", dest + "/b.par", dest + "/c.asm"}));
    EXPECT_EQ(ReadBytes(dest + "/a.dft"), "A");
    EXPECT_EQ(ReadBytes(dest + "/b.par"), "BB");
    EXPECT_EQ(ReadBytes(dest + "/c.asm"), "CCC");
    EXPECT_EQ(copy.Result().succeeded, 3);
    EXPECT_EQ(copy.Result().failed, 0);
    EXPECT_TRUE(messages.shown.empty());
    // The sources stay where they are.
    EXPECT_EQ(ReadBytes(a), "A");
}

TEST_F(CopyRun, TrailingSeparatorGivesTheSameTargets)
{
    const QString a = file("src/a.dft", "A");
    ASSERT_TRUE(QDir().mkdir(path("dest")));
    TarCopyFiles with = engine(), without = engine();
    with.SourceFiles = without.SourceFiles = {a};
    with.DestinationDir = path("dest") + "/";
    with.Overwrite = true;
    without.DestinationDir = path("dest");
    without.Overwrite = true;
    with.Execute();
    without.Execute();
    EXPECT_EQ(with.DestinationFiles, without.DestinationFiles);
    EXPECT_EQ(with.DestinationFiles, QStringList {path("dest/a.dft")});
}

TEST_F(CopyRun, ChecksComeBeforeAnyLogWindow)
{
    const QString a = file("src/a.dft", "A");
    {
        TarCopyFiles copy = engine();
        copy.SourceFiles = {a};
        copy.Execute();
        EXPECT_FALSE(copy.Result().started);
    }
    {
        TarCopyFiles copy = engine();
        copy.SourceFiles = {a};
        copy.DestinationDir = path("missing/dest");
        copy.Execute();
        EXPECT_FALSE(QFileInfo::exists(path("missing")));
    }
    {
        // A file where the folder should be.
        TarCopyFiles copy = engine();
        copy.SourceFiles = {a};
        copy.DestinationDir = a;
        copy.Execute();
        EXPECT_EQ(ReadBytes(a), "A");
    }
    using Msg = std::pair<QString, QString>;
    EXPECT_EQ(messages.shown, (std::vector<Msg> {{"Information", "Destination directory is not set!"},
                                                 {"Information", "Cannot create directory!"},
                                                 {"Information", "Cannot create directory!"}}));
    EXPECT_TRUE(progress.sinks.empty());
}

TEST_F(CopyRun, CreatesAMissingDestinationOneLevelDeep)
{
    const QString a = file("src/a.dft", "A");
    TarCopyFiles copy = engine();
    copy.SourceFiles = {a};
    copy.DestinationDir = path("new");
    copy.Execute();
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(QFileInfo(path("new")).isDir());
    EXPECT_EQ(ReadBytes(path("new/a.dft")), "A");
    EXPECT_EQ(progress.only().lines.at(3), "Success!");
}

TEST_F(CopyRun, SameNameFromTwoFoldersWithAndWithoutOverwrite)
{
    const QString first = file("one/a.dft", "first"), second = file("two/a.dft", "second");
    for (bool overwrite : {false, true}) {
        const QString dest = path(overwrite ? "over" : "keep");
        TarCopyFiles copy = engine();
        copy.SourceFiles = {first, second};
        copy.DestinationDir = dest;
        copy.Overwrite = overwrite;
        copy.Execute();
        const QStringList& lines = progress.sinks.back()->lines;
        ASSERT_EQ(lines.size(), 9);
        EXPECT_EQ(lines.at(3), "Success!");
        EXPECT_EQ(lines.at(6), overwrite ? "Success!" : "Failed!");
        EXPECT_EQ(ReadBytes(dest + "/a.dft"), overwrite ? "second" : "first");
        EXPECT_EQ(copy.DestinationFiles, QStringList({dest + "/a.dft", dest + "/a.dft"}));
        EXPECT_EQ(copy.Result().failed, overwrite ? 0 : 1);
        // No temporary file is left beside the targets.
        EXPECT_EQ(QDir(dest).entryList(QDir::Files | QDir::Hidden), QStringList {"a.dft"});
    }
}

TEST_F(CopyRun, CopyOntoItselfFailsAndKeepsTheFile)
{
    const QByteArray data(300000, 'x');
    const QString a = file("src/a.dft", data);
    for (bool overwrite : {false, true}) {
        for (const QString& dir : {path("src"), path("src/")}) {
            TarCopyFiles copy = engine();
            copy.SourceFiles = {a};
            copy.DestinationDir = dir;
            copy.Overwrite = overwrite;
            copy.Execute();
            EXPECT_EQ(progress.sinks.back()->lines.at(3), "Failed!");
            EXPECT_EQ(ReadBytes(a), data);
        }
    }
    EXPECT_EQ(QDir(path("src")).entryList(QDir::Files | QDir::Hidden), QStringList {"a.dft"});
}

TEST_F(CopyRun, AFailingFileDoesNotStopTheRun)
{
    const QString b = file("src/b.dft", "B");
    TarCopyFiles copy = engine();
    copy.SourceFiles = {path("src/missing.dft"), path("src"), b};
    copy.DestinationDir = path("dest");
    copy.Execute();
    const QStringList& lines = progress.only().lines;
    ASSERT_EQ(lines.size(), 12);
    EXPECT_EQ(lines.at(3), "Failed!");
    EXPECT_EQ(lines.at(6), "Failed!");
    EXPECT_EQ(lines.at(9), "Success!");
    EXPECT_EQ(QDir(path("dest")).entryList(QDir::Files | QDir::Hidden), QStringList {"b.dft"});
    EXPECT_EQ(copy.Result().failed, 2);
    EXPECT_EQ(copy.Result().succeeded, 1);
}

TEST_F(CopyRun, ATargetThatAppearsDuringTheRunIsNeverReplaced)
{
    const QString a = file("src/a.dft", "ours");
    ASSERT_TRUE(QDir().mkdir(path("dest")));
    // Someone else creates the target after the run has looked at the folder.
    progress.prepare = [this](FakeProgress& log) {
        log.onLine = [this](const QString& line, FakeProgress&) {
            if (line.startsWith("1/1 "))
                WriteBytes(path("dest/a.dft"), "theirs");
        };
    };
    TarCopyFiles copy = engine();
    copy.SourceFiles = {a};
    copy.DestinationDir = path("dest");
    copy.Execute();
    EXPECT_EQ(progress.only().lines.at(3), "Failed!");
    EXPECT_EQ(ReadBytes(path("dest/a.dft")), "theirs");
}

TEST_F(CopyRun, CancelTakesEffectBeforeTheNextFile)
{
    const QString a = file("src/a.dft", "A"), b = file("src/b.dft", "B"), c = file("src/c.dft", "C");
    // Cancel is pressed while the first file is copied; the run sees it at its next check.
    progress.prepare = [](FakeProgress& log) {
        log.onLine = [](const QString& line, FakeProgress& l) {
            if (line.startsWith("1/3 "))
                l.stopped = true;
        };
    };
    TarCopyFiles copy = engine();
    copy.SourceFiles = {a, b, c};
    copy.DestinationDir = path("dest");
    copy.Execute();
    FakeProgress& log = progress.only();
    const QString dest = path("dest");
    EXPECT_EQ(log.lines, QStringList({"Start copying files...", " ", "1/3 " + a + " copy to " + dest + "/a.dft.",
                                      "Success!", "User cancel operation!"})
                             + closing());
    EXPECT_EQ(log.finished, 1);
    EXPECT_EQ(copy.DestinationFiles, QStringList {dest + "/a.dft"});
    EXPECT_EQ(QDir(dest).entryList(QDir::Files), QStringList {"a.dft"});
    EXPECT_TRUE(copy.Result().cancelled);
}

TEST_F(CopyRun, CancelDuringTheLastFileEndsNormally)
{
    const QString a = file("src/a.dft", "A"), b = file("src/b.dft", "B");
    progress.prepare = [](FakeProgress& log) {
        log.onLine = [](const QString& line, FakeProgress& l) {
            if (line.startsWith("2/2 "))
                l.stopped = true;
        };
    };
    TarCopyFiles copy = engine();
    copy.SourceFiles = {a, b};
    copy.DestinationDir = path("dest");
    copy.Execute();
    const QStringList& lines = progress.only().lines;
    EXPECT_FALSE(lines.contains("User cancel operation!"));
    EXPECT_EQ(lines.mid(lines.size() - 3), QStringList({"Success!", " ", "End copying files!"}));
    EXPECT_FALSE(copy.Result().cancelled);
}

TEST_F(CopyRun, CancelBeforeTheFirstFileAndAnEmptyRun)
{
    progress.prepare = [](FakeProgress& log) { log.onProcess = [](int, FakeProgress& l) { l.stopped = true; }; };
    TarCopyFiles cancelled = engine();
    cancelled.SourceFiles = {file("src/a.dft", "A")};
    cancelled.DestinationDir = path("dest");
    cancelled.Execute();
    EXPECT_EQ(progress.sinks.back()->lines,
              QStringList({"Start copying files...", "User cancel operation!"}) + closing());
    EXPECT_TRUE(cancelled.DestinationFiles.isEmpty());

    progress.prepare = nullptr;
    TarCopyFiles empty = engine();
    empty.DestinationDir = path("dest");
    empty.Execute();
    EXPECT_EQ(progress.sinks.back()->lines, QStringList {"Start copying files..."} + closing());
    EXPECT_EQ(progress.sinks.back()->finished, 1);
}
