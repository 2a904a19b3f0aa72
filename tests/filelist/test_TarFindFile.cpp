// TarFindFile on generated trees: masks, hidden entries, order, links and unlistable folders.
#include "filelist/TarFindFile.h"

#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

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
        finder.setRecursive(recursive);
        finder.setAttributes(attributes);
        finder.setDirectory(tmp.path());
        EXPECT_EQ(finder.Directory(), root());
        finder.setMask(mask);
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
    EXPECT_EQ(finder.Attributes().filter(), 63);
    EXPECT_EQ(finder.Mask(), "*.*");
    QString cwd = QDir::toNativeSeparators(QDir::currentPath());
    if (!cwd.endsWith(kSep))
        cwd += kSep;
    EXPECT_EQ(finder.Directory(), cwd);
}

TEST(TarFindFileFields, AttributeSetIsOneByteAndFilterIsTheSumOfValues)
{
    static_assert(sizeof(TarFindAttributes) == 1);
    EXPECT_EQ((TarFindAttributes{faDirectory}.filter()), 16);
    EXPECT_EQ((TarFindAttributes{faReadOnly, faHidden, faArchive}.filter()), 35);
    EXPECT_EQ((TarFindAttributes{faHidden, faSysFile, faVolumeID, faDirectory}.filter()), 30);
    EXPECT_EQ(TarFindAttributes{}.filter(), 0);
    TarFindAttributes a{faHidden};
    a.insert(faDirectory);
    a.remove(faHidden);
    EXPECT_EQ(a, TarFindAttributes{faDirectory});
    EXPECT_EQ(a.bits(), 1u << 4);
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
    folder("a");
    file("f.txt");
    TarFindFile finder;
    const QString before = finder.Directory();
    finder.setDirectory(tmp.filePath("missing"));
    EXPECT_EQ(finder.Directory(), before);
    finder.setDirectory("");
    EXPECT_EQ(finder.Directory(), before);
    finder.setDirectory(at("f.txt"));
    EXPECT_EQ(finder.Directory(), before) << "a file is not a folder";

    finder.setDirectory(at("a"));
    EXPECT_EQ(finder.Directory(), at("a") + kSep);
    finder.setDirectory(root());
    EXPECT_EQ(finder.Directory(), root()) << "a trailing separator is not doubled";
}

TEST_F(FinderTree, MaskMatchesLikeTheWindowsFileSearch)
{
    for (const char* name : {"a.dft", "B.DFT", "a.par", "c.dft.bak", "README", ".hidden.dft", "x.Dft", "ab.dft",
                             "abc.dft", "noext."})
        file(name);
    EXPECT_EQ(relativeSorted(search("*.dft", false)),
              (QStringList{".hidden.dft", "B.DFT", "a.dft", "ab.dft", "abc.dft", "x.Dft"}));
    EXPECT_EQ(relativeSorted(search("*.*", false)).size(), 10) << "also names without a dot";
    EXPECT_EQ(relativeSorted(search("*", false)).size(), 10);
    EXPECT_EQ(relativeSorted(search("a?.dft", false)), (QStringList{"ab.dft"}));
    EXPECT_EQ(relativeSorted(search("?.DFT", false)), (QStringList{"B.DFT", "a.dft", "x.Dft"}));
    EXPECT_EQ(relativeSorted(search("readme.*", false)), (QStringList{"README"}));
    EXPECT_EQ(relativeSorted(search("c.*", false)), (QStringList{"c.dft.bak"}));
    EXPECT_EQ(relativeSorted(search("*.", false)), (QStringList{"README", "noext."}));
    EXPECT_EQ(relativeSorted(search("A.PAR", false)), (QStringList{"a.par"}));
    EXPECT_TRUE(search("*.asm", false).isEmpty());
}

TEST_F(FinderTree, MaskCountsCharactersAndFoldsLettersBeyondAscii)
{
    file(QString::fromUtf8("načrt.dft"));
    file(QString::fromUtf8("NAČRT2.DFT"));
    file(QString::fromUtf8("čep.PSM"));
    EXPECT_EQ(relativeSorted(search(QString::fromUtf8("na?rt.dft"), false)), (QStringList{QString::fromUtf8("načrt.dft")}));
    EXPECT_EQ(relativeSorted(search(QString::fromUtf8("NAČ*.dft"), false)),
              (QStringList{QString::fromUtf8("NAČRT2.DFT"), QString::fromUtf8("načrt.dft")}));
    EXPECT_EQ(relativeSorted(search(QString::fromUtf8("Č??.psm"), false)), (QStringList{QString::fromUtf8("čep.PSM")}));
    EXPECT_EQ(relativeSorted(search("*.psm", false)), (QStringList{QString::fromUtf8("čep.PSM")}));
}

TEST_F(FinderTree, SubfoldersOnlyWhenRecursiveAndMatchingFoldersAreNotReported)
{
    file("a.dft");
    file("old.dft/b.dft");
    file("old.dft/deeper/c.dft");
    folder("empty.dft");
    EXPECT_EQ(relativeSorted(search("*.dft", false)), (QStringList{"a.dft"}));
    EXPECT_EQ(relativeSorted(search("*.dft", true)), (QStringList{"a.dft", "old.dft/b.dft", "old.dft/deeper/c.dft"}));
}

TEST_F(FinderTree, HiddenFilesAreFoundButHiddenFoldersAreNotEntered)
{
    file(".secret.dft");
    file(".cache/inside.dft");
    file("visible/.also.dft");
    EXPECT_EQ(relativeSorted(search("*.dft")), (QStringList{".secret.dft", "visible/.also.dft"}));
    // A filter without the hidden bit leaves hidden files out as well.
    EXPECT_EQ(relativeSorted(search("*.dft", true, {faReadOnly, faArchive})), QStringList{});
    EXPECT_EQ(relativeSorted(search("*.dft", false, {faHidden})), (QStringList{".secret.dft"}));
}

TEST_F(FinderTree, EmptyAndUnmatchedFoldersGiveNothing)
{
    EXPECT_TRUE(search("*.*").isEmpty());
    file("sub/a.par");
    EXPECT_TRUE(search("*.dft").isEmpty());
}

TEST_F(FinderTree, FilesOfAFolderComeBeforeItsSubfoldersDepthFirst)
{
    for (const char* f : {"r1.dft", "r2.dft", "A/a1.dft", "A/a2.dft", "A/X/x.dft", "A/Y/y.dft", "A/Y/Z/z.dft",
                          "B/b.dft", "C/D/d.dft", "Z/z1.dft"})
        file(f);
    const QStringList found = search("*.dft");
    ASSERT_EQ(found.size(), 10);

    // Each path's folder relative to the root.
    QStringList folders;
    for (const QString& p : found) {
        ASSERT_TRUE(p.startsWith(root()));
        const QString rel = QDir::fromNativeSeparators(p.mid(root().size()));
        folders << rel.left(std::max<qsizetype>(0, rel.lastIndexOf(u'/')));
    }
    // Files of the root first.
    EXPECT_EQ(folders[0], "");
    EXPECT_EQ(folders[1], "");
    // A folder's own files come before anything of its subfolders...
    for (int i = 0; i < folders.size(); ++i) {
        for (int j = i + 1; j < folders.size(); ++j) {
            const QString& a = folders[i];
            const QString& b = folders[j];
            const bool bIsAncestorOfA = a != b && (b.isEmpty() || a.startsWith(b + "/"));
            EXPECT_FALSE(bIsAncestorOfA) << "a file of " << b.toStdString() << " after one of " << a.toStdString();
        }
    }
    // ...and the results of every subtree are contiguous (depth first).
    for (const QString& f : folders) {
        QList<int> inside;
        for (int i = 0; i < folders.size(); ++i) {
            if (folders[i] == f || folders[i].startsWith(f + "/"))
                inside << i;
        }
        EXPECT_EQ(inside.back() - inside.front() + 1, inside.size()) << "subtree " << f.toStdString() << " split";
    }
}

TEST_F(FinderTree, PathsStartWithDirectoryAndUseOneSeparatorPerLevel)
{
    file("a/b/c/d.dft");
    const QStringList found = search("*.dft");
    ASSERT_EQ(found.size(), 1);
    EXPECT_EQ(found[0], root() + "a" + kSep + "b" + kSep + "c" + kSep + "d.dft");
}

TEST_F(FinderTree, SearchEmptiesTheListAndSearchDirectoryAppends)
{
    file("one.dft");
    file("sub/two.dft");
    TarFindFile finder;
    finder.setDirectory(tmp.path());
    finder.setMask("*.dft");
    EXPECT_EQ(finder.Search().size(), 1);
    EXPECT_EQ(finder.Search().size(), 1) << "a second search does not keep the first one's results";
    finder.SearchDirectory(at("sub") + kSep);
    EXPECT_EQ(finder.FoundFiles(), (QStringList{root() + "one.dft", at("sub") + kSep + "two.dft"}));
    finder.SearchDirectory(at("sub"));
    EXPECT_EQ(finder.FoundFiles().last(), at("sub") + kSep + "two.dft") << "a missing separator is added";
}

#ifndef _WIN32

TEST_F(FinderTree, LinkCyclesAreWalkedOnce)
{
    file("a.dft");
    file("sub/b.dft");
    // sub/up leads back to the root, sub/self to sub itself.
    ASSERT_TRUE(QFile::link(tmp.path(), tmp.filePath("sub/up")));
    ASSERT_TRUE(QFile::link(tmp.filePath("sub"), tmp.filePath("sub/self")));
    const QStringList found = search("*.dft");
    EXPECT_EQ(relativeSorted(found), (QStringList{"a.dft", "sub/b.dft"}));
}

TEST_F(FinderTree, LinksToFilesAndFoldersAreFollowedOnce)
{
    QTemporaryDir outside;
    testfiles::WriteBytes(outside.filePath("far.dft"), "x");
    testfiles::WriteBytes(outside.filePath("real.dft"), "x");
    ASSERT_TRUE(QFile::link(outside.path(), tmp.filePath("link1")));
    ASSERT_TRUE(QFile::link(outside.path(), tmp.filePath("link2")));
    ASSERT_TRUE(QFile::link(outside.filePath("real.dft"), tmp.filePath("alias.dft")));
    ASSERT_TRUE(QFile::link(tmp.filePath("nowhere.dft"), tmp.filePath("dangling.dft")));
    ASSERT_EQ(mkfifo(QFile::encodeName(tmp.filePath("pipe.dft")).constData(), 0600), 0);

    const QStringList rel = relativeSorted(search("*.dft"));
    // The linked folder is searched under whichever link the listing gives first.
    ASSERT_EQ(rel.size(), 3) << rel.join(",").toStdString();
    EXPECT_EQ(rel[0], "alias.dft");
    EXPECT_TRUE(rel[1] == "link1/far.dft" || rel[1] == "link2/far.dft");
    EXPECT_EQ(rel[2].section(u'/', 0, 0), rel[1].section(u'/', 0, 0));
    EXPECT_TRUE(rel[2].endsWith("/real.dft"));
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
        return {"!pipe"};
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
    file("a.dft");
    file("locked/hidden-from-us.dft");
    file("open/b.dft");
    file("zz/c.dft");
    // Everyone may enter the tree, but nobody may list "locked".
    for (const QString& f : {QString(""), QString("open"), QString("zz")})
        ASSERT_EQ(chmod(QFile::encodeName(tmp.filePath(f)).constData(), 0755), 0);
    ASSERT_EQ(chmod(QFile::encodeName(tmp.filePath("locked")).constData(), 0), 0);

    const QString dir = tmp.path();
    const QStringList found = searchUnprivileged([dir] {
        TarFindFile finder;
        finder.setRecursive(true);
        finder.setDirectory(dir);
        finder.setMask("*.dft");
        return finder.Search();
    });
    chmod(QFile::encodeName(tmp.filePath("locked")).constData(), 0755);
    if (found == QStringList{"!setuid"})
        GTEST_SKIP() << "cannot drop root rights here";
    EXPECT_EQ(relativeSorted(found), (QStringList{"a.dft", "open/b.dft", "zz/c.dft"}));
}

TEST_F(FinderTree, UnlistableStartFolderGivesNothing)
{
    file("a.dft");
    ASSERT_EQ(chmod(QFile::encodeName(tmp.path()).constData(), 0311), 0);
    const QString dir = tmp.path();
    const QStringList found = searchUnprivileged([dir] {
        TarFindFile finder;
        finder.setDirectory(dir);
        return finder.Search();
    });
    chmod(QFile::encodeName(tmp.path()).constData(), 0700);
    if (found == QStringList{"!setuid"})
        GTEST_SKIP() << "cannot drop root rights here";
    EXPECT_TRUE(found.isEmpty()) << found.join(",").toStdString();
}

#endif
