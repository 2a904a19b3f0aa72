// The copy run against real temporary folders, reported through recording sinks.
#include "batch/TarCopyFiles.h"

#include "platform/FileOps.h"
#include "platform/PathStyle.h"

#include "BatchRunTest.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <functional>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using testfiles::ReadBytes;
using testfiles::WriteBytes;

namespace {

class CopyRun : public BatchRunTest {
protected:
    // A copy of Sources into Dest, run.
    TarCopyFiles run(const QStringList& sources, const QString& dest, bool overwrite = false)
    {
        TarCopyFiles copy(progress, messages);
        copy.sourceFiles = sources;
        copy.destinationDir = dest;
        copy.overwrite = overwrite;
        copy.Execute();
        return copy;
    }
    // Act on the log of the next run once a line starting with Prefix is written.
    void onLineStarting(const QString& prefix, const std::function<void(FakeProgress&)>& act)
    {
        progress.prepare = [prefix, act](FakeProgress& log) {
            log.onLine = [prefix, act](const QString& line, FakeProgress& l) {
                if (line.startsWith(prefix))
                    act(l);
            };
        };
    }
};

QStringList closing() { return {u" "_s, u"End copying files!"_s}; }

} // namespace

TEST_F(CopyRun, CopiesEveryFileWithOneLogEntryEach)
{
    const QString a = file(u"src/a.dft"_s, "A"), b = file(u"src/sub/b.par"_s, "BB"), c = file(u"other/c.asm"_s, "CCC");
    const QString dest = path(u"dest"_s);
    ASSERT_TRUE(QDir().mkdir(dest));

    const TarCopyFiles copy = run({a, b, c}, dest);

    FakeProgress& log = progress.only();
    EXPECT_EQ(log.caption, u"Copy files"_s);
    EXPECT_EQ(log.shown, 1);
    EXPECT_EQ(log.finished, 1);
    EXPECT_EQ(log.processed, 3);
    const QStringList expected = QStringList {u"Start copying files..."_s,
                                              u" "_s, u"1/3 "_s + a + u" copy to "_s + dest + u"/a.dft."_s, u"Success!"_s,
                                              u" "_s, u"2/3 "_s + b + u" copy to "_s + dest + u"/b.par."_s, u"Success!"_s,
                                              u" "_s, u"3/3 "_s + c + u" copy to "_s + dest + u"/c.asm."_s, u"Success!"_s}
        + closing();
    EXPECT_EQ(log.lines, expected);
    EXPECT_EQ(copy.destinationFiles, QStringList({dest + u"/a.dft"_s, dest + u"/b.par"_s, dest + u"/c.asm"_s}));
    EXPECT_EQ(ReadBytes(dest + u"/a.dft"_s), "A");
    EXPECT_EQ(ReadBytes(dest + u"/b.par"_s), "BB");
    EXPECT_EQ(ReadBytes(dest + u"/c.asm"_s), "CCC");
    EXPECT_EQ(copy.Result().succeeded, 3);
    EXPECT_EQ(copy.Result().failed, 0);
    EXPECT_TRUE(messages.shown.empty());
    // The sources stay where they are.
    EXPECT_EQ(ReadBytes(a), "A");
}

TEST_F(CopyRun, TrailingSeparatorGivesTheSameTargets)
{
    const QString a = file(u"src/a.dft"_s, "A");
    ASSERT_TRUE(QDir().mkdir(path(u"dest"_s)));
    const TarCopyFiles with = run({a}, path(u"dest"_s) + u"/"_s, true);
    const TarCopyFiles without = run({a}, path(u"dest"_s), true);
    EXPECT_EQ(with.destinationFiles, without.destinationFiles);
    EXPECT_EQ(with.destinationFiles, QStringList {path(u"dest/a.dft"_s)});
}

TEST_F(CopyRun, ChecksComeBeforeAnyLogWindow)
{
    const QString a = file(u"src/a.dft"_s, "A");
    {
        const TarCopyFiles copy = run({a}, QString());
        EXPECT_FALSE(copy.Result().started);
    }
    {
        const TarCopyFiles copy = run({a}, path(u"missing/dest"_s));
        EXPECT_FALSE(QFileInfo::exists(path(u"missing"_s)));
    }
    {
        // A file where the folder should be.
        const TarCopyFiles copy = run({a}, a);
        EXPECT_EQ(ReadBytes(a), "A");
    }
    using Msg = std::pair<QString, QString>;
    EXPECT_EQ(messages.shown, (std::vector<Msg> {{u"Information"_s, u"Destination directory is not set!"_s},
                                                 {u"Information"_s, u"Cannot create directory!"_s},
                                                 {u"Information"_s, u"Cannot create directory!"_s}}));
    EXPECT_TRUE(progress.sinks.empty());
}

TEST_F(CopyRun, CreatesAMissingDestinationOneLevelDeep)
{
    const QString a = file(u"src/a.dft"_s, "A");
    const TarCopyFiles copy = run({a}, path(u"new"_s));
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(QFileInfo(path(u"new"_s)).isDir());
    EXPECT_EQ(ReadBytes(path(u"new/a.dft"_s)), "A");
    EXPECT_EQ(progress.only().lines.at(3), u"Success!"_s);
}

TEST_F(CopyRun, SameNameFromTwoFoldersWithAndWithoutOverwrite)
{
    const QString first = file(u"one/a.dft"_s, "first"), second = file(u"two/a.dft"_s, "second");
    for (bool overwrite : {false, true}) {
        const QString dest = path(overwrite ? u"over"_s : u"keep"_s);
        const TarCopyFiles copy = run({first, second}, dest, overwrite);
        const QStringList& lines = progress.sinks.back()->lines;
        ASSERT_EQ(lines.size(), 9);
        EXPECT_EQ(lines.at(3), u"Success!"_s);
        EXPECT_EQ(lines.at(6), overwrite ? u"Success!"_s : u"Failed! "_s + dest + u"/a.dft exists already."_s);
        EXPECT_EQ(ReadBytes(dest + u"/a.dft"_s), overwrite ? "second" : "first");
        EXPECT_EQ(copy.destinationFiles, QStringList({dest + u"/a.dft"_s, dest + u"/a.dft"_s}));
        EXPECT_EQ(copy.Result().failed, overwrite ? 0 : 1);
        // No temporary file is left beside the targets.
        EXPECT_EQ(QDir(dest).entryList(QDir::Files | QDir::Hidden), QStringList {u"a.dft"_s});
    }
}

TEST_F(CopyRun, CopyOntoItselfFailsAndKeepsTheFile)
{
    const QByteArray data(300000, 'x');
    const QString a = file(u"src/a.dft"_s, data);
    for (bool overwrite : {false, true}) {
        for (const QString& dir : {path(u"src"_s), path(u"src/"_s)}) {
            const TarCopyFiles copy = run({a}, dir, overwrite);
            EXPECT_EQ(progress.sinks.back()->lines.at(3), u"Failed! A file cannot be copied onto itself."_s);
            EXPECT_EQ(ReadBytes(a), data);
        }
    }
    EXPECT_EQ(QDir(path(u"src"_s)).entryList(QDir::Files | QDir::Hidden), QStringList {u"a.dft"_s});
}

TEST_F(CopyRun, AFailingFileDoesNotStopTheRun)
{
    const QString b = file(u"src/b.dft"_s, "B");
    const TarCopyFiles copy = run({path(u"src/missing.dft"_s), path(u"src"_s), b}, path(u"dest"_s));
    const QStringList& lines = progress.only().lines;
    ASSERT_EQ(lines.size(), 12);
    EXPECT_EQ(lines.at(3), u"Failed! "_s + path(u"src/missing.dft"_s) + u": the file does not exist."_s);
    EXPECT_EQ(lines.at(6), u"Failed! "_s + path(u"src"_s) + u": it is a folder."_s);
    EXPECT_EQ(lines.at(9), u"Success!"_s);
    EXPECT_EQ(QDir(path(u"dest"_s)).entryList(QDir::Files | QDir::Hidden), QStringList {u"b.dft"_s});
    EXPECT_EQ(copy.Result().failed, 2);
    EXPECT_EQ(copy.Result().succeeded, 1);
}

TEST_F(CopyRun, ATargetThatAppearsDuringTheRunIsNeverReplaced)
{
    const QString a = file(u"src/a.dft"_s, "ours");
    ASSERT_TRUE(QDir().mkdir(path(u"dest"_s)));
    // Someone else creates the target after the run has looked at the folder.
    onLineStarting(u"1/1 "_s, [this](FakeProgress&) { WriteBytes(path(u"dest/a.dft"_s), "theirs"); });
    const TarCopyFiles copy = run({a}, path(u"dest"_s));
    EXPECT_EQ(progress.only().lines.at(3), u"Failed! "_s + path(u"dest/a.dft"_s) + u" exists already."_s);
    EXPECT_EQ(ReadBytes(path(u"dest/a.dft"_s)), "theirs");
}

TEST_F(CopyRun, CancelAndInterruptTakeEffectAtTheRunsNextCheck)
{
    const QString a = file(u"src/a.dft"_s, "A"), b = file(u"src/b.dft"_s, "B"), c = file(u"src/c.dft"_s, "C");
    const QString dest = path(u"dest"_s);
    const QString toA = u" copy to "_s + dest + u"/a.dft."_s, toB = u" copy to "_s + dest + u"/b.dft."_s;
    const QString start = u"Start copying files..."_s, cancelled = u"User cancel operation!"_s;
    const struct {
        const char* what;
        QStringList sources;
        QString linePrefix; // the run is stopped once this line is written
        bool interrupt;     // or else Cancel pressed, seen at the next check
        QStringList lines;
        QStringList handled; // names of the targets the run took on
        QStringList copied;  // what stands in the destination afterwards
        bool cancelled;
    } cases[] = {
        {"cancel while the first file is copied", {a, b, c}, u"1/3 "_s, false,
         QStringList{start, u" "_s, u"1/3 "_s + a + toA, u"Success!"_s, cancelled} + closing(), {u"a.dft"_s}, {u"a.dft"_s}, true},
        {"an interrupt fails the file being copied and leaves nothing", {a, b}, u"1/2 "_s, true,
         QStringList{start, u" "_s, u"1/2 "_s + a + toA, u"Failed! The copy was interrupted."_s, cancelled} + closing(), {u"a.dft"_s}, {}, true},
        {"cancel during the last file ends normally", {a, b}, u"2/2 "_s, false,
         QStringList{start, u" "_s, u"1/2 "_s + a + toA, u"Success!"_s, u" "_s, u"2/2 "_s + b + toB, u"Success!"_s} + closing(),
         {u"a.dft"_s, u"b.dft"_s}, {u"a.dft"_s, u"b.dft"_s}, false},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.what);
        QDir(dest).removeRecursively();
        if (row.interrupt)
            onLineStarting(row.linePrefix, [](FakeProgress& l) { l.interrupted = true; });
        else
            onLineStarting(row.linePrefix, [](FakeProgress& l) { l.stopped = true; });
        const TarCopyFiles copy = run(row.sources, dest);
        const FakeProgress& log = *progress.sinks.back();
        EXPECT_EQ(log.lines, row.lines);
        EXPECT_EQ(log.finished, 1);
        QStringList targets;
        for (const QString& name : row.handled)
            targets << dest + u"/"_s + name;
        EXPECT_EQ(copy.destinationFiles, targets);
        EXPECT_EQ(QDir(dest).entryList(QDir::Files | QDir::Hidden), row.copied);
        EXPECT_EQ(copy.Result().cancelled, row.cancelled);
    }
    EXPECT_EQ(progress.sinks.size(), std::size(cases));
}

TEST_F(CopyRun, CancelBeforeTheFirstFileAndAnEmptyRun)
{
    progress.prepare = [](FakeProgress& log) { log.onProcess = [](int, FakeProgress& l) { l.stopped = true; }; };
    const TarCopyFiles cancelled = run({file(u"src/a.dft"_s, "A")}, path(u"dest"_s));
    EXPECT_EQ(progress.sinks.back()->lines,
              QStringList({u"Start copying files..."_s, u"User cancel operation!"_s}) + closing());
    EXPECT_TRUE(cancelled.destinationFiles.isEmpty());

    progress.prepare = nullptr;
    run({}, path(u"dest"_s));
    EXPECT_EQ(progress.sinks.back()->lines, QStringList {u"Start copying files..."_s} + closing());
    EXPECT_EQ(progress.sinks.back()->finished, 1);
}

TEST_F(CopyRun, LeftoversOfCopiesThatDiedAreRemovedAndLogged)
{
    const QString a = file(u"src/a.dft"_s, "A");
    const QString dest = path(u"dest"_s);
    // Temporaries that dead copies left (a read-only one among them), and what only looks like one.
    const QStringList leftovers = {u".krdl-copy-Ab12Cd"_s, u".krdl-copy-000000"_s, u".krdl-copy-zZ9yY8"_s};
    QStringList others = {u".krdl-copy-Ab12C"_s, u".krdl-copy-Ab12Cde"_s, u".krdl-copy-Ab_2Cd"_s, u"krdl-copy-Ab12Cd"_s,
                          u".krdl-copy-Ab12Cd.par"_s};
    // Another letter case is another name only where names are case-sensitive (not on Windows).
    if (platform::kNativePathStyle == platform::PathStyle::Posix)
        others << u".Krdl-copy-Ab12Cd"_s;
    for (const QString& name : leftovers + others)
        file(u"dest/"_s + name);
    ASSERT_TRUE(QFile::setPermissions(dest + u'/' + leftovers.last(), QFile::ReadOwner));
    ASSERT_TRUE(QDir().mkdir(dest + u"/.krdl-copy-Folder"_s));
    QStringList kept = others;
    kept << u".krdl-copy-Folder"_s;
    if (platform::kNativePathStyle == platform::PathStyle::Posix) {
        // A link is never followed nor removed, whatever it leads to.
        ASSERT_TRUE(QFile::link(dest + u'/' + leftovers.first(), dest + u"/.krdl-copy-Link01"_s));
        kept << u".krdl-copy-Link01"_s;
    }
    const auto listing = [&dest] {
        QStringList names = QDir(dest).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        names.sort();
        return names;
    };
    const auto sorted = [](QStringList l) {
        l.sort();
        return l;
    };

    // Fresh ones stay: their copies may still be running on a machine without locks.
    run({a}, dest);
    EXPECT_EQ(progress.sinks.back()->lines.at(1), u" "_s);
    EXPECT_EQ(listing(), sorted(leftovers + kept + QStringList {u"a.dft"_s}));

    // Counted as old: each leftover goes, with one line saying so, before the first file.
    TarCopyFiles copy(progress, messages);
    copy.sourceFiles = {a};
    copy.destinationDir = dest;
    copy.overwrite = true;
    copy.leftoverAge = {};
    copy.Execute();
    const QStringList& lines = progress.sinks.back()->lines;
    ASSERT_EQ(lines.size(), 1 + leftovers.size() + 3 + 2);
    QStringList removed;
    for (const QString& name : leftovers)
        removed << u"Removed "_s + dest + u'/' + name + u", left behind by a copy that did not finish."_s;
    EXPECT_EQ(sorted(lines.mid(1, leftovers.size())), sorted(removed));
    EXPECT_EQ(lines.at(leftovers.size() + 3), u"Success!"_s);
    EXPECT_EQ(listing(), sorted(kept + QStringList {u"a.dft"_s}));
}
