#include "filelist/FileList.h"

#include "common/PathText.h"

#include <QDir>

#include <gtest/gtest.h>

#include <optional>

using namespace Qt::StringLiterals;

namespace {

FileList listOf(std::initializer_list<std::pair<const char*, bool>> paths)
{
    FileList l;
    for (const auto& [p, checked] : paths)
        l.Append(EntryByPathRule(QString::fromUtf8(p), checked));
    return l;
}

QStringList names(const FileList& l)
{
    QStringList out;
    for (const FileEntry& e : l.Entries())
        out << e.fileName;
    return out;
}

} // namespace

TEST(PathRules, PathRuleDropsTheLastDelimiterAndDirectoryRuleKeepsTheRootSeparator)
{
    const QString sep = QDir::separator();
    const struct {
        FileEntry (*rule)(const QString&, bool);
        QString path;
        bool checked;
        QString directory, fileName;
        std::optional<QString> fullPath;
    } cases[] = {
        {EntryByPathRule, u"C:\\Work\\a.dft"_s, true, u"C:\\Work"_s, u"a.dft"_s, u"C:\\Work\\a.dft"_s},
        {EntryByPathRule, u"C:\\a.dft"_s, true, u"C:"_s, u"a.dft"_s, u"C:\\a.dft"_s},
        {EntryByPathRule, u"/home/u/a.dft"_s, false, u"/home/u"_s, u"a.dft"_s, u"/home/u/a.dft"_s},
        // A file in the root: the system's own separator joins them ("\a.dft" on Windows, the same file).
        {EntryByPathRule, u"/a.dft"_s, true, u""_s, u"a.dft"_s, sep + u"a.dft"_s},
        // Odd lines of list files: "2;C:\x.dft" is not a flag line, the whole text is the path.
        {EntryByPathRule, u"2;C:\\x.dft"_s, true, u"2;C:"_s, u"x.dft"_s, std::nullopt},
        {EntryByPathRule, u""_s, true, u""_s, u""_s, sep},
        {EntryByDirectoryRule, u"C:\\Work\\a.dft"_s, true, u"C:\\Work"_s, u"a.dft"_s, u"C:\\Work\\a.dft"_s},
        // Both rules collect to the same full path.
        {EntryByDirectoryRule, u"C:\\a.dft"_s, true, u"C:\\"_s, u"a.dft"_s, u"C:\\a.dft"_s},
        {EntryByDirectoryRule, u"/a.dft"_s, true, u"/"_s, u"a.dft"_s, u"/a.dft"_s},
        {EntryByDirectoryRule, u"/srv/cad/x.par"_s, false, u"/srv/cad"_s, u"x.par"_s, u"/srv/cad/x.par"_s},
    };
    for (const auto& c : cases) {
        const FileEntry e = c.rule(c.path, c.checked);
        EXPECT_EQ(e.directory, c.directory) << c.path.toStdString();
        EXPECT_EQ(e.fileName, c.fileName) << c.path.toStdString();
        if (c.fullPath) {
            EXPECT_EQ(e.FullPath(), *c.fullPath) << c.path.toStdString();
        }
        EXPECT_EQ(e.checked, c.checked) << c.path.toStdString();
    }
}

TEST(PathRules, NativePosixNamesKeepTheirBackslashesAndColons)
{
    if (platform::kNativePathStyle == PathStyle::Windows)
        GTEST_SKIP() << "on Windows they separate folders";
    for (const auto rule : {EntryByPathRule, EntryByDirectoryRule}) {
        const FileEntry e = rule(u"/srv/C:\\cad/back\\slash:2.par"_s, true);
        EXPECT_EQ(e.directory, u"/srv/C:\\cad"_s);
        EXPECT_EQ(e.fileName, u"back\\slash:2.par"_s);
        EXPECT_EQ(e.FullPath(), u"/srv/C:\\cad/back\\slash:2.par"_s);
    }
}

TEST(SortOrder, OnlyAsciiLettersFoldAndCharactersWithoutACodeComeAfterAllThatHaveOne)
{
    const struct {
        QString left, right;
        int sign; // of CompareFileText(left, right)
    } cases[] = {
        {u"a.dft"_s, u"A.DFT"_s, 0},
        // Windows-1250: Č is C8, č is E8.
        {u"Č.dft"_s, u"č.dft"_s, -1},
        {u"č.dft"_s, u"Č.dft"_s, 1},
        // Accented letters sort after every ASCII letter, by their code.
        {u"z.dft"_s, u"č.dft"_s, -1},
        // "_" (5F) sorts after the folded letters (41-5A).
        {u"b"_s, u"_"_s, -1},
        // A prefix comes first.
        {u"ab"_s, u"abc"_s, -1},
        {u"abc"_s, u"AB"_s, 1},
        // ÿ is not in Windows-1250 (whose FF is ˙): it sorts after ˙.
        {QString(QChar(0x02D9)), QString(QChar(0x00FF)), -1},
        {u"ž"_s, u"ω"_s, -1},
    };
    for (const auto& c : cases) {
        const int result = CompareFileText(c.left, c.right);
        EXPECT_EQ((result > 0) - (result < 0), c.sign) << c.left.toStdString() << " vs " << c.right.toStdString();
    }
}

TEST(FileListEngine, SortByEitherColumnKeepsEqualEntriesInOrder)
{
    FileList l = listOf({{"C:\\b\\x.dft", true}, {"C:\\a\\Y.par", true}, {"C:\\c\\X.DFT", true}});
    l.Sort();
    EXPECT_EQ(names(l), QStringList({u"x.dft"_s, u"X.DFT"_s, u"Y.par"_s}));
    l.SetSortColumn(FileList::DirColumn);
    l.Sort();
    EXPECT_EQ(names(l), QStringList({u"Y.par"_s, u"x.dft"_s, u"X.DFT"_s}));
}

TEST(FileListEngine, RemoveCropAndChecks)
{
    FileList l = listOf({{"/a/1.dft", true}, {"/a/2.dft", false}, {"/a/3.dft", true}});
    FileList crop = l;
    l.RemoveChecked();
    EXPECT_EQ(names(l), QStringList({u"2.dft"_s}));
    crop.RemoveUnchecked();
    EXPECT_EQ(names(crop), QStringList({u"1.dft"_s, u"3.dft"_s}));

    FileList all = listOf({{"/a/1.dft", true}, {"/a/2.dft", true}});
    all.RemoveChecked();
    EXPECT_EQ(all.Count(), 0);
    FileList none = listOf({{"/a/1.dft", false}});
    none.RemoveUnchecked();
    EXPECT_EQ(none.Count(), 0);

    FileList c = listOf({{"/a/b.dft", true}, {"/a/a.dft", false}});
    c.InvertChecks();
    EXPECT_EQ(names(c), QStringList({u"b.dft"_s, u"a.dft"_s}));
    EXPECT_FALSE(c.At(0).checked);
    EXPECT_TRUE(c.At(1).checked);
    c.CheckAll(false);
    EXPECT_EQ(c.CheckedCount(), 0);
}

TEST(FileListEngine, CollectAppendsCheckedPathsInOrderIncludingDuplicates)
{
    FileList l = listOf({{"C:\\Work\\a.dft", true}, {"C:\\Work\\b.par", false}, {"C:\\Work\\a.dft", true}});
    QStringList paths{u"already"_s};
    l.CollectCheckedFiles(paths);
    EXPECT_EQ(paths, QStringList({u"already"_s, u"C:\\Work\\a.dft"_s, u"C:\\Work\\a.dft"_s}));

    FileList none = listOf({{"/x/a.dft", false}});
    QStringList empty;
    none.CollectCheckedFiles(empty);
    EXPECT_TRUE(empty.isEmpty());
    EXPECT_EQ(FileListStatusText(12, 7), u"12 (7)"_s);
}

TEST(SortOrder, SortKeysOrderExactlyAsTheCompare)
{
    const QStringList texts = {u""_s, u"a"_s, u"A"_s, u"ab"_s, u"abc"_s, u"B"_s, u"_"_s, u"z.dft"_s, u"č.dft"_s,
                               u"Č.dft"_s, QString(QChar(0x02D9)), QString(QChar(0x00FF)),
                               u"ω"_s, u"😀"_s, u"C:\\Work"_s, u"C:/Work"_s, u"c:\\work\\x"_s};
    const auto sign = [](auto v) { return (v > 0) - (v < 0); };
    for (const QString& a : texts)
        for (const QString& b : texts)
            EXPECT_EQ(sign(FileSortKey(a).compare(FileSortKey(b))), sign(CompareFileText(a, b)))
                << a.toStdString() << " vs " << b.toStdString();
}

TEST(DocumentFileNames, TheFiveExtensionsInAnyCaseAndNothingElse)
{
    const std::pair<const char*, bool> cases[] = {
        {"C:\\Work\\a.dft", true}, {"/home/u/b.PAR", true}, {"c.Asm", true}, {"d.psm", true}, {"e.PwD", true},
        {"f.txt", false},          {"dft", false},           {".dft", true},  {"g.dft.bak", false},
        {"C:\\x.dft\\h", false},   {"/x.par/", false},       {"i.dftx", false}, {"j.df", false},
        // Only a-z fold: a long s must not pass for an s.
        {"k.p\xC5\xBFm", false},   {"l.pwd ", false},        {"C:.asm", true},
    };
    for (const auto& [name, expected] : cases)
        EXPECT_EQ(IsDocumentFileName(QString::fromUtf8(name)), expected) << name;
}
