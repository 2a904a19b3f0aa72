// TarFindFile on generated trees: masks, hidden entries, order, links and unlistable folders.
#include "filelist/TarFindFile.h"

#include "common/FsPath.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;

namespace {

const QChar kSep = QDir::separator();

class FinderTree : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(tmp.isValid()); }

    // Root of the tree, with a trailing separator, in native form.
    QString root() const { return QDir::toNativeSeparators(tmp.path()) + kSep; }
    QString at(const QString& relative) const { return root() + QDir::toNativeSeparators(relative); }
    void file(const QString& relative) { testfiles::WriteBytes(tmp.filePath(relative), "x"); }
    void folder(const QString& relative) { ASSERT_TRUE(QDir(tmp.path()).mkpath(relative)); }

    QStringList search(const QString& mask, bool recursive = true, TarFindAttributes attributes = {faAnyFile})
    {
        TarFindFile finder;
        finder.SetRecursive(recursive);
        finder.SetAttributes(attributes);
        finder.SetDirectory(QDir::toNativeSeparators(tmp.path())); // as the folder browser gives it
        EXPECT_EQ(finder.Directory(), root());
        finder.SetMask(mask);
        return finder.Search();
    }
    QStringList relativeSorted(QStringList paths) const
    {
        for (QString& p : paths) {
            EXPECT_TRUE(p.startsWith(root())) << p.toStdString();
            p = QDir::fromNativeSeparators(p.mid(root().size()));
        }
        paths.sort();
        return paths;
    }

    QTemporaryDir tmp;
};

} // namespace

TEST(TarFindFileFields, Defaults)
{
    TarFindFile finder;
    EXPECT_TRUE(finder.FoundFiles().isEmpty());
    EXPECT_FALSE(finder.Recursive());
    EXPECT_EQ(finder.Attributes(), TarFindAttributes{faAnyFile});
    EXPECT_EQ(finder.Attributes().Filter(), 63);
    EXPECT_EQ(finder.Mask(), u"*.*"_s);
    QString cwd = QDir::toNativeSeparators(QDir::currentPath());
    if (!cwd.endsWith(kSep))
        cwd += kSep;
    EXPECT_EQ(finder.Directory(), cwd);
}

TEST(TarFindFileFields, AttributeSetIsOneByteAndFilterIsTheSumOfValues)
{
    static_assert(sizeof(TarFindAttributes) == 1);
    EXPECT_EQ((TarFindAttributes{faDirectory}.Filter()), 16);
    EXPECT_EQ((TarFindAttributes{faReadOnly, faHidden, faArchive}.Filter()), 35);
    EXPECT_EQ((TarFindAttributes{faHidden, faSysFile, faVolumeID, faDirectory}.Filter()), 30);
    EXPECT_EQ(TarFindAttributes{}.Filter(), 0);
    TarFindAttributes a{faHidden};
    a.Insert(faDirectory);
    a.Remove(faHidden);
    EXPECT_EQ(a, TarFindAttributes{faDirectory});
    EXPECT_EQ(a.Bits(), 1u << 4);
}

TEST(TarFindFileFields, FilterRule)
{
    // Plain entries are always listed; hidden, system and directory ones need their bit.
    EXPECT_TRUE(ListedUnderFilter(0, false, false, false));
    EXPECT_FALSE(ListedUnderFilter(0, true, false, false));
    EXPECT_FALSE(ListedUnderFilter(0, false, true, false));
    EXPECT_FALSE(ListedUnderFilter(0, false, false, true));
    EXPECT_TRUE(ListedUnderFilter(63, true, true, true));
    EXPECT_TRUE(ListedUnderFilter(16, false, false, true));
    EXPECT_FALSE(ListedUnderFilter(16, true, false, true)) << "hidden folders are not entered";
    EXPECT_FALSE(ListedUnderFilter(16, false, true, true)) << "system folders are not entered";
    EXPECT_TRUE(ListedUnderFilter(2 + 16, true, false, true));
}

TEST_F(FinderTree, DirectoryTakesOnlyNewExistingFoldersWithATrailingSeparator)
{
    folder(u"a"_s);
    file(u"f.txt"_s);
    TarFindFile finder;
    const QString before = finder.Directory();
    finder.SetDirectory(tmp.filePath(u"missing"_s));
    EXPECT_EQ(finder.Directory(), before);
    finder.SetDirectory(u""_s);
    EXPECT_EQ(finder.Directory(), before);
    finder.SetDirectory(at(u"f.txt"_s));
    EXPECT_EQ(finder.Directory(), before) << "a file is not a folder";

    finder.SetDirectory(at(u"a"_s));
    EXPECT_EQ(finder.Directory(), at(u"a"_s) + kSep);
    finder.SetDirectory(root());
    EXPECT_EQ(finder.Directory(), root()) << "a trailing separator is not doubled";
}

TEST_F(FinderTree, MaskMatchesLikeTheWindowsFileSearch)
{
    for (const QString& name : {u"a.dft"_s, u"B.DFT"_s, u"a.par"_s, u"c.dft.bak"_s, u"README"_s, u".hidden.dft"_s, u"x.Dft"_s, u"ab.dft"_s,
                             u"abc.dft"_s, u"noext."_s})
        file(name);
    EXPECT_EQ(relativeSorted(search(u"*.dft"_s, false)),
              (QStringList{u".hidden.dft"_s, u"B.DFT"_s, u"a.dft"_s, u"ab.dft"_s, u"abc.dft"_s, u"x.Dft"_s}));
    EXPECT_EQ(relativeSorted(search(u"*.*"_s, false)).size(), 10) << "also names without a dot";
    EXPECT_EQ(relativeSorted(search(u"*"_s, false)).size(), 10);
    EXPECT_EQ(relativeSorted(search(u"a?.dft"_s, false)), (QStringList{u"ab.dft"_s}));
    EXPECT_EQ(relativeSorted(search(u"?.DFT"_s, false)), (QStringList{u"B.DFT"_s, u"a.dft"_s, u"x.Dft"_s}));
    EXPECT_EQ(relativeSorted(search(u"readme.*"_s, false)), (QStringList{u"README"_s}));
    EXPECT_EQ(relativeSorted(search(u"c.*"_s, false)), (QStringList{u"c.dft.bak"_s}));
    // Windows drops the dot that ends a name: "noext." is "noext" there.
    const QString noExtension = QDir(tmp.path()).entryList({u"noext*"_s}).value(0);
    EXPECT_EQ(relativeSorted(search(u"*."_s, false)), (QStringList{u"README"_s, noExtension}));
    EXPECT_EQ(relativeSorted(search(u"A.PAR"_s, false)), (QStringList{u"a.par"_s}));
    EXPECT_TRUE(search(u"*.asm"_s, false).isEmpty());
}

TEST_F(FinderTree, MaskCountsCharactersAndFoldsLettersBeyondAscii)
{
    file(u"načrt.dft"_s);
    file(u"NAČRT2.DFT"_s);
    file(u"čep.PSM"_s);
    EXPECT_EQ(relativeSorted(search(u"na?rt.dft"_s, false)), (QStringList{u"načrt.dft"_s}));
    EXPECT_EQ(relativeSorted(search(u"NAČ*.dft"_s, false)),
              (QStringList{u"NAČRT2.DFT"_s, u"načrt.dft"_s}));
    EXPECT_EQ(relativeSorted(search(u"Č??.psm"_s, false)), (QStringList{u"čep.PSM"_s}));
    EXPECT_EQ(relativeSorted(search(u"*.psm"_s, false)), (QStringList{u"čep.PSM"_s}));
}

TEST_F(FinderTree, SubfoldersOnlyWhenRecursiveAndMatchingFoldersAreNotReported)
{
    file(u"a.dft"_s);
    file(u"old.dft/b.dft"_s);
    file(u"old.dft/deeper/c.dft"_s);
    folder(u"empty.dft"_s);
    EXPECT_EQ(relativeSorted(search(u"*.dft"_s, false)), (QStringList{u"a.dft"_s}));
    EXPECT_EQ(relativeSorted(search(u"*.dft"_s, true)), (QStringList{u"a.dft"_s, u"old.dft/b.dft"_s, u"old.dft/deeper/c.dft"_s}));
}

TEST_F(FinderTree, HiddenFilesAreFoundButHiddenFoldersAreNotEntered)
{
    file(u".secret.dft"_s);
    file(u".cache/inside.dft"_s);
    file(u"visible/.also.dft"_s);
    EXPECT_EQ(relativeSorted(search(u"*.dft"_s)), (QStringList{u".secret.dft"_s, u"visible/.also.dft"_s}));
    // A filter without the hidden bit leaves hidden files out as well.
    EXPECT_EQ(relativeSorted(search(u"*.dft"_s, true, {faReadOnly, faArchive})), QStringList{});
    EXPECT_EQ(relativeSorted(search(u"*.dft"_s, false, {faHidden})), (QStringList{u".secret.dft"_s}));
}

TEST_F(FinderTree, EmptyAndUnmatchedFoldersGiveNothing)
{
    EXPECT_TRUE(search(u"*.*"_s).isEmpty());
    file(u"sub/a.par"_s);
    EXPECT_TRUE(search(u"*.dft"_s).isEmpty());
}

TEST_F(FinderTree, FilesOfAFolderComeBeforeItsSubfoldersDepthFirst)
{
    for (const QString& f : {u"r1.dft"_s, u"r2.dft"_s, u"A/a1.dft"_s, u"A/a2.dft"_s, u"A/X/x.dft"_s, u"A/Y/y.dft"_s, u"A/Y/Z/z.dft"_s,
                          u"B/b.dft"_s, u"C/D/d.dft"_s, u"Z/z1.dft"_s})
        file(f);
    const QStringList found = search(u"*.dft"_s);
    ASSERT_EQ(found.size(), 10);

    // Each path's folder relative to the root.
    QStringList folders;
    for (const QString& p : found) {
        ASSERT_TRUE(p.startsWith(root()));
        const QString rel = QDir::fromNativeSeparators(p.mid(root().size()));
        folders << rel.left(std::max<qsizetype>(0, rel.lastIndexOf(u'/')));
    }
    // Files of the root first.
    EXPECT_EQ(folders[0], u""_s);
    EXPECT_EQ(folders[1], u""_s);
    // A folder's own files come before anything of its subfolders...
    for (int i = 0; i < folders.size(); ++i) {
        for (int j = i + 1; j < folders.size(); ++j) {
            const QString& a = folders[i];
            const QString& b = folders[j];
            const bool bIsAncestorOfA = a != b && (b.isEmpty() || a.startsWith(b + u"/"_s));
            EXPECT_FALSE(bIsAncestorOfA) << "a file of " << b.toStdString() << " after one of " << a.toStdString();
        }
    }
    // ...and the results of every subtree are contiguous (depth first).
    for (const QString& f : folders) {
        QList<int> inside;
        for (int i = 0; i < folders.size(); ++i) {
            if (folders[i] == f || folders[i].startsWith(f + u"/"_s))
                inside << i;
        }
        EXPECT_EQ(inside.back() - inside.front() + 1, inside.size()) << "subtree " << f.toStdString() << " split";
    }
}

TEST_F(FinderTree, PathsStartWithDirectoryAndUseOneSeparatorPerLevel)
{
    file(u"a/b/c/d.dft"_s);
    const QStringList found = search(u"*.dft"_s);
    ASSERT_EQ(found.size(), 1);
    EXPECT_EQ(found[0], root() + u"a"_s + kSep + u"b"_s + kSep + u"c"_s + kSep + u"d.dft"_s);
}

TEST_F(FinderTree, SearchEmptiesTheListAndSearchDirectoryAppends)
{
    file(u"one.dft"_s);
    file(u"sub/two.dft"_s);
    TarFindFile finder;
    finder.SetDirectory(QDir::toNativeSeparators(tmp.path())); // as the folder browser gives it
    finder.SetMask(u"*.dft"_s);
    EXPECT_EQ(finder.Search().size(), 1);
    EXPECT_EQ(finder.Search().size(), 1) << "a second search does not keep the first one's results";
    finder.SearchDirectory(at(u"sub"_s) + kSep);
    EXPECT_EQ(finder.FoundFiles(), (QStringList{root() + u"one.dft"_s, at(u"sub"_s) + kSep + u"two.dft"_s}));
    finder.SearchDirectory(at(u"sub"_s));
    EXPECT_EQ(finder.FoundFiles().last(), at(u"sub"_s) + kSep + u"two.dft"_s) << "a missing separator is added";
}

#ifndef _WIN32

TEST_F(FinderTree, NamesThatAreNotUtf8AreFoundAsThemselves)
{
    // Windows-1250 "šč" from an old archive: two bytes that are not UTF-8, two characters of the mask.
    const std::string name = "cp1250_\x9A\xE8.par";
    std::ofstream(ToFsPath(tmp.path()) / name) << "x";
    const QStringList found = search(u"cp1250_??.par"_s);
    ASSERT_EQ(found.size(), 1);
    EXPECT_EQ(ToFsPath(found[0]), ToFsPath(tmp.path()) / name);
    EXPECT_TRUE(std::filesystem::is_regular_file(ToFsPath(found[0])));
    // QTemporaryDir cannot remove a name that is not UTF-8: Qt decodes names with loss.
    std::filesystem::remove(ToFsPath(tmp.path()) / name);
}

TEST_F(FinderTree, LinkCyclesAreWalkedOnce)
{
    file(u"a.dft"_s);
    file(u"sub/b.dft"_s);
    // sub/up leads back to the root, sub/self to sub itself.
    ASSERT_TRUE(QFile::link(tmp.path(), tmp.filePath(u"sub/up"_s)));
    ASSERT_TRUE(QFile::link(tmp.filePath(u"sub"_s), tmp.filePath(u"sub/self"_s)));
    const QStringList found = search(u"*.dft"_s);
    EXPECT_EQ(relativeSorted(found), (QStringList{u"a.dft"_s, u"sub/b.dft"_s}));
}

TEST_F(FinderTree, LinksToFilesAndFoldersAreFollowedOnce)
{
    QTemporaryDir outside;
    testfiles::WriteBytes(outside.filePath(u"far.dft"_s), "x");
    testfiles::WriteBytes(outside.filePath(u"real.dft"_s), "x");
    ASSERT_TRUE(QFile::link(outside.path(), tmp.filePath(u"link1"_s)));
    ASSERT_TRUE(QFile::link(outside.path(), tmp.filePath(u"link2"_s)));
    ASSERT_TRUE(QFile::link(outside.filePath(u"real.dft"_s), tmp.filePath(u"alias.dft"_s)));
    ASSERT_TRUE(QFile::link(tmp.filePath(u"nowhere.dft"_s), tmp.filePath(u"dangling.dft"_s)));
    ASSERT_EQ(mkfifo(QFile::encodeName(tmp.filePath(u"pipe.dft"_s)).constData(), 0600), 0);

    const QStringList rel = relativeSorted(search(u"*.dft"_s));
    // The linked folder is searched under whichever link the listing gives first.
    ASSERT_EQ(rel.size(), 3) << rel.join(u","_s).toStdString();
    EXPECT_EQ(rel[0], u"alias.dft"_s);
    EXPECT_TRUE(rel[1] == u"link1/far.dft"_s || rel[1] == u"link2/far.dft"_s);
    EXPECT_EQ(rel[2].section(u'/', 0, 0), rel[1].section(u'/', 0, 0));
    EXPECT_TRUE(rel[2].endsWith(u"/real.dft"_s));
}

namespace {

// Runs Search in a process that the folder permissions apply to: tests run as root here, and
// root lists any folder. Returns the found paths, or an error text starting with "!".
QStringList searchUnprivileged(const std::function<QStringList()>& run)
{
    if (geteuid() != 0)
        return run();
    int fds[2];
    if (pipe(fds) != 0)
        return {u"!pipe"_s};
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        QByteArray out;
        if (setgid(65534) != 0 || setuid(65534) != 0)
            out = "!setuid";
        else
            out = run().join(u'\n').toUtf8();
        const char* p = out.constData();
        qsizetype left = out.size();
        while (left > 0) {
            const ssize_t n = write(fds[1], p, size_t(left));
            if (n <= 0)
                break;
            p += n;
            left -= n;
        }
        _exit(0);
    }
    close(fds[1]);
    QByteArray all;
    char buf[4096];
    ssize_t n;
    while ((n = read(fds[0], buf, sizeof buf)) > 0)
        all.append(buf, n);
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (all.isEmpty())
        return {};
    return QString::fromUtf8(all).split(u'\n');
}

} // namespace

TEST_F(FinderTree, UnlistableSubfolderIsSkippedAndTheSearchGoesOn)
{
    file(u"a.dft"_s);
    file(u"locked/hidden-from-us.dft"_s);
    file(u"open/b.dft"_s);
    file(u"zz/c.dft"_s);
    // Everyone may enter the tree, but nobody may list "locked".
    for (const QString& f : {QString(u""_s), QString(u"open"_s), QString(u"zz"_s)})
        ASSERT_EQ(chmod(QFile::encodeName(tmp.filePath(f)).constData(), 0755), 0);
    ASSERT_EQ(chmod(QFile::encodeName(tmp.filePath(u"locked"_s)).constData(), 0), 0);

    const QString dir = tmp.path();
    const QStringList found = searchUnprivileged([dir] {
        TarFindFile finder;
        finder.SetRecursive(true);
        finder.SetDirectory(dir);
        finder.SetMask(u"*.dft"_s);
        return finder.Search();
    });
    chmod(QFile::encodeName(tmp.filePath(u"locked"_s)).constData(), 0755);
    if (found == QStringList{u"!setuid"_s})
        GTEST_SKIP() << "cannot drop root rights here";
    EXPECT_EQ(relativeSorted(found), (QStringList{u"a.dft"_s, u"open/b.dft"_s, u"zz/c.dft"_s}));
}

TEST_F(FinderTree, UnlistableStartFolderGivesNothing)
{
    file(u"a.dft"_s);
    ASSERT_EQ(chmod(QFile::encodeName(tmp.path()).constData(), 0311), 0);
    const QString dir = tmp.path();
    const QStringList found = searchUnprivileged([dir] {
        TarFindFile finder;
        finder.SetDirectory(dir);
        return finder.Search();
    });
    chmod(QFile::encodeName(tmp.path()).constData(), 0700);
    if (found == QStringList{u"!setuid"_s})
        GTEST_SKIP() << "cannot drop root rights here";
    EXPECT_TRUE(found.isEmpty()) << found.join(u","_s).toStdString();
}

#endif
