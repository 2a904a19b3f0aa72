// The batch rename run against real temporary folders, reported through recording sinks.
#include "batch/TarRenameFiles.h"
#include "common/PathText.h"
#include "platform/FileOps.h"

#include "BatchRunTest.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using testfiles::ReadBytes;

namespace {

class RenameRun : public BatchRunTest {
protected:
    QStringList files() const { return QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name); }
};

QStringList closing() { return {u" "_s, u"End renameing files!"_s}; }

} // namespace

TEST_F(RenameRun, ReplacesTheFirstOccurrenceInEachName)
{
    const QString a = file(u"banana.dft"_s, "B"), b = file(u"plan.dft"_s, "P");
    const TarRenameFiles r = rename({a, b}, u"a"_s, u"X"_s);
    FakeProgress& log = progress.only();
    EXPECT_EQ(log.caption, u"Rename files"_s);
    EXPECT_EQ(log.shown, 1);
    EXPECT_EQ(log.finished, 1);
    EXPECT_EQ(log.lines, QStringList({u"Start renaming files..."_s,
                                      u" "_s, u"1/2 "_s + a + u" rename to "_s + path(u"bXnana.dft"_s) + u"."_s, u"Success!"_s,
                                      u" "_s, u"2/2 "_s + b + u" rename to "_s + path(u"plXn.dft"_s) + u"."_s, u"Success!"_s})
                             + closing());
    EXPECT_EQ(r.renamedFiles, QStringList({path(u"bXnana.dft"_s), path(u"plXn.dft"_s)}));
    EXPECT_EQ(files(), QStringList({u"bXnana.dft"_s, u"plXn.dft"_s}));
    EXPECT_EQ(ReadBytes(path(u"bXnana.dft"_s)), "B");
}

TEST_F(RenameRun, TheWholeNameIsSearchedExtensionIncluded)
{
    const QString a = file(u"part.dft"_s);
    const TarRenameFiles r = rename({a}, u".dft"_s, u".bak"_s);
    EXPECT_EQ(r.renamedFiles, QStringList {path(u"part.bak"_s)});
    EXPECT_EQ(files(), QStringList {u"part.bak"_s});
}

TEST_F(RenameRun, CaseRuleAndSilentSkips)
{
    const QString a = file(u"xabcx.par"_s), b = file(u"other.par"_s);
    // Case sensitive: no name contains ABC, so no file gets a log line.
    TarRenameFiles strict = rename({a, b}, u"ABC"_s, u"New"_s, true);
    EXPECT_EQ(progress.sinks.back()->lines, QStringList {u"Start renaming files..."_s} + closing());
    EXPECT_TRUE(strict.renamedFiles.isEmpty());
    EXPECT_EQ(progress.sinks.back()->processed, 2);

    // Without case: the numbering still counts the skipped file.
    TarRenameFiles loose = rename({b, a}, u"ABC"_s, u"New"_s, false);
    EXPECT_EQ(progress.sinks.back()->lines,
              QStringList({u"Start renaming files..."_s, u" "_s, u"2/2 "_s + a + u" rename to "_s + path(u"xNewx.par"_s) + u"."_s,
                           u"Success!"_s})
                  + closing());
    EXPECT_EQ(files(), QStringList({u"other.par"_s, u"xNewx.par"_s}));
}

TEST_F(RenameRun, CollisionsNeverReplaceAFile)
{
    // Two names that differ in case only, where the file system tells them apart (not Windows).
    const bool caseSensitive = !QFileInfo::exists(file(u"case.dft"_s).toUpper());
    QFile::remove(path(u"case.dft"_s));
    const QString one = file(u"old_a.dft"_s, "one");
    const QString two = caseSensitive ? file(u"OLD_a.dft"_s, "two") : QString();
    const QString three = file(u"b_old.dft"_s, "three");
    file(u"b_new.dft"_s, "already there");
    const QStringList sources = caseSensitive ? QStringList{one, two, three} : QStringList{one, three};
    const TarRenameFiles r = rename(sources, u"old"_s, u"new"_s, false);
    const QStringList& lines = progress.only().lines;
    ASSERT_EQ(lines.size(), 3 + 3 * sources.size());
    EXPECT_EQ(lines.at(3), u"Success!"_s);
    if (caseSensitive) {
        EXPECT_EQ(lines.at(5), u"2/3 "_s + two + u" rename to "_s + path(u"new_a.dft"_s) + u"."_s);
        EXPECT_EQ(lines.at(6), u"Failed! "_s + path(u"new_a.dft"_s) + u" exists already."_s);
        EXPECT_EQ(ReadBytes(two), "two");
    }
    EXPECT_EQ(lines.at(3 * sources.size()), u"Failed! "_s + path(u"b_new.dft"_s) + u" exists already."_s);
    EXPECT_EQ(r.renamedFiles, QStringList {path(u"new_a.dft"_s)});
    EXPECT_EQ(ReadBytes(path(u"new_a.dft"_s)), "one");
    EXPECT_EQ(ReadBytes(three), "three");
    EXPECT_EQ(ReadBytes(path(u"b_new.dft"_s)), "already there");
    EXPECT_EQ(r.Result().failed, sources.size() - 1);
}

TEST_F(RenameRun, FailuresSayWhy)
{
    ASSERT_TRUE(QDir().mkdir(path(u"sub"_s)));
    const QString a = file(u"a.dft"_s);
    file(u"b.dft"_s);
    const QString unit = QString::fromLatin1(platform::kNameLengthUnit);
    const struct {
        QString oldText, newText, reason;
    } cases[] = {
        {u"a"_s, u"sub/a"_s, u"The new name \"sub/a.dft\" would move the file to another folder."_s},
        {u"a.dft"_s, u".."_s, u"The new name \"..\" is not a file name."_s},
        {u"a"_s, u"b"_s, path(u"b.dft"_s) + u" exists already."_s},
        // 252 letters and ".dft": one more than a name may have.
        {u"a"_s, QString(252, u'n'), u"The new name is longer than 255 "_s + unit + u'.'},
    };
    for (const auto& c : cases) {
        rename({a}, c.oldText, c.newText, true);
        EXPECT_EQ(progress.sinks.back()->lines.at(3), u"Failed! "_s + c.reason);
    }
    // At the limit the name is taken.
    rename({a}, u"a"_s, QString(251, u'n'), true);
    EXPECT_EQ(progress.sinks.back()->lines.at(3), u"Success!"_s);
    rename({path(QString(251, u'n') + u".dft"_s)}, QString(251, u'n'), u"a"_s, true);
    EXPECT_EQ(files(), QStringList({u"a.dft"_s, u"b.dft"_s}));
    // A backslash moves the file on Windows; on POSIX it is part of the new name, in the same folder.
    const bool windows = platform::kNativePathStyle == PathStyle::Windows;
    rename({a}, u"a"_s, u"sub\\a"_s, true);
    EXPECT_EQ(progress.sinks.back()->lines.at(3),
              windows ? u"Failed! The new name \"sub\\a.dft\" would move the file to another folder."_s : u"Success!"_s);
    EXPECT_EQ(files(), windows ? QStringList({u"a.dft"_s, u"b.dft"_s}) : QStringList({u"b.dft"_s, u"sub\\a.dft"_s}));
    EXPECT_TRUE(QDir(path(u"sub"_s)).isEmpty());
}

TEST_F(RenameRun, MissingFilesFailAndBareNamesStayBare)
{
    const TarRenameFiles r = rename({path(u"gone_a.dft"_s), u"zz_a.dft"_s}, u"_a"_s, u"_b"_s);
    const QStringList& lines = progress.only().lines;
    ASSERT_EQ(lines.size(), 9);
    EXPECT_EQ(lines.at(3), u"Failed! "_s + path(u"gone_a.dft"_s) + u" does not exist."_s);
    EXPECT_EQ(lines.at(5), u"2/2 zz_a.dft rename to zz_b.dft."_s);
    EXPECT_EQ(lines.at(6), u"Failed! zz_a.dft does not exist."_s);
    EXPECT_TRUE(r.renamedFiles.isEmpty());
}

TEST_F(RenameRun, CancelKeepsWhatWasRenamedSoFar)
{
    const QString a = file(u"a1.dft"_s), b = file(u"a2.dft"_s), c = file(u"a3.dft"_s);
    progress.prepare = [](FakeProgress& log) {
        log.onProcess = [](int call, FakeProgress& l) {
            if (call == 2)
                l.stopped = true;
        };
    };
    const TarRenameFiles r = rename({a, b, c}, u"a"_s, u"b"_s);
    EXPECT_EQ(progress.only().lines,
              QStringList({u"Start renaming files..."_s, u" "_s, u"1/3 "_s + a + u" rename to "_s + path(u"b1.dft"_s) + u"."_s,
                           u"Success!"_s, u"User cancel operation!"_s})
                  + closing());
    EXPECT_EQ(r.renamedFiles, QStringList {path(u"b1.dft"_s)});
    EXPECT_EQ(files(), QStringList({u"a2.dft"_s, u"a3.dft"_s, u"b1.dft"_s}));
    EXPECT_TRUE(r.Result().cancelled);
}

TEST_F(RenameRun, EmptyRun)
{
    rename({}, u"a"_s, u"b"_s);
    EXPECT_EQ(progress.only().lines, QStringList {u"Start renaming files..."_s} + closing());
    EXPECT_EQ(progress.only().finished, 1);
}
