#include "filelist/FileList.h"

#include <gtest/gtest.h>

namespace {

FileList listOf(std::initializer_list<std::pair<const char*, bool>> paths)
{
    FileList l;
    for (const auto& [p, checked] : paths)
        l.append(EntryByPathRule(QString::fromUtf8(p), checked));
    return l;
}

QStringList names(const FileList& l)
{
    QStringList out;
    for (const FileEntry& e : l.entries())
        out << e.fileName;
    return out;
}

} // namespace

TEST(PathRules, PathRuleDropsTheLastDelimiter)
{
    FileEntry e = EntryByPathRule("C:\\Work\\a.dft", true);
    EXPECT_EQ(e.directory, "C:\\Work");
    EXPECT_EQ(e.fileName, "a.dft");
    e = EntryByPathRule("C:\\a.dft", true);
    EXPECT_EQ(e.directory, "C:");
    EXPECT_EQ(e.fullPath(), "C:\\a.dft");
    e = EntryByPathRule("/home/u/a.dft", false);
    EXPECT_EQ(e.directory, "/home/u");
    EXPECT_FALSE(e.checked);
    EXPECT_EQ(e.fullPath(), "/home/u/a.dft");
    e = EntryByPathRule("/a.dft", true);
    EXPECT_EQ(e.fullPath(), "/a.dft");
}

TEST(PathRules, DirectoryRuleKeepsTheRootSeparator)
{
    FileEntry e = EntryByDirectoryRule("C:\\Work\\a.dft", true);
    EXPECT_EQ(e.directory, "C:\\Work");
    e = EntryByDirectoryRule("C:\\a.dft", true);
    EXPECT_EQ(e.directory, "C:\\");
    EXPECT_EQ(e.fileName, "a.dft");
    // Both rules collect to the same full path.
    EXPECT_EQ(e.fullPath(), EntryByPathRule("C:\\a.dft", true).fullPath());
    e = EntryByDirectoryRule("/a.dft", true);
    EXPECT_EQ(e.directory, "/");
    EXPECT_EQ(e.fullPath(), "/a.dft");
    e = EntryByDirectoryRule("/srv/cad/x.par", true);
    EXPECT_EQ(e.directory, "/srv/cad");
}

TEST(PathRules, OddLinesOfListFilesGiveTheEntriesTheRulesSay)
{
    // "2;C:\x.dft" is not a flag line: the whole text is the path.
    FileEntry e = EntryByPathRule("2;C:\\x.dft", true);
    EXPECT_EQ(e.directory, "2;C:");
    EXPECT_EQ(e.fileName, "x.dft");
    e = EntryByPathRule("", true);
    EXPECT_EQ(e.directory, "");
    EXPECT_EQ(e.fileName, "");
}

TEST(SortOrder, OnlyAsciiLettersFold)
{
    EXPECT_EQ(CompareFileText("a.dft", "A.DFT"), 0);
    EXPECT_NE(CompareFileText(QString::fromUtf8("č.dft"), QString::fromUtf8("Č.dft")), 0);
    // Windows-1250: Č is C8, č is E8.
    EXPECT_LT(CompareFileText(QString::fromUtf8("Č.dft"), QString::fromUtf8("č.dft")), 0);
    // Accented letters sort after every ASCII letter, by their code.
    EXPECT_LT(CompareFileText("z.dft", QString::fromUtf8("č.dft")), 0);
    // "_" (5F) sorts after the folded letters (41-5A).
    EXPECT_LT(CompareFileText("b", "_"), 0);
    // A prefix comes first.
    EXPECT_LT(CompareFileText("ab", "abc"), 0);
    EXPECT_GT(CompareFileText("abc", "AB"), 0);
}

TEST(SortOrder, CharactersWithoutACodeComeAfterAllThatHaveOne)
{
    // ÿ is not in Windows-1250 (whose FF is ˙): it sorts after ˙.
    EXPECT_LT(CompareFileText(QString(QChar(0x02D9)), QString(QChar(0x00FF))), 0);
    EXPECT_LT(CompareFileText(QString::fromUtf8("ž"), QString::fromUtf8("ω")), 0);
}

TEST(FileListEngine, SortByEitherColumnKeepsEqualEntriesInOrder)
{
    FileList l = listOf({{"C:\\b\\x.dft", true}, {"C:\\a\\Y.par", true}, {"C:\\c\\X.DFT", true}});
    l.sort();
    EXPECT_EQ(names(l), QStringList({"x.dft", "X.DFT", "Y.par"}));
    l.setSortColumn(FileList::DirColumn);
    l.sort();
    EXPECT_EQ(names(l), QStringList({"Y.par", "x.dft", "X.DFT"}));
}

TEST(FileListEngine, RemoveCropAndChecks)
{
    FileList l = listOf({{"/a/1.dft", true}, {"/a/2.dft", false}, {"/a/3.dft", true}});
    FileList crop = l;
    l.removeChecked();
    EXPECT_EQ(names(l), QStringList({"2.dft"}));
    crop.removeUnchecked();
    EXPECT_EQ(names(crop), QStringList({"1.dft", "3.dft"}));

    FileList all = listOf({{"/a/1.dft", true}, {"/a/2.dft", true}});
    all.removeChecked();
    EXPECT_EQ(all.count(), 0);
    FileList none = listOf({{"/a/1.dft", false}});
    none.removeUnchecked();
    EXPECT_EQ(none.count(), 0);

    FileList c = listOf({{"/a/b.dft", true}, {"/a/a.dft", false}});
    c.invertChecks();
    EXPECT_EQ(names(c), QStringList({"b.dft", "a.dft"}));
    EXPECT_FALSE(c.at(0).checked);
    EXPECT_TRUE(c.at(1).checked);
    c.checkAll(false);
    EXPECT_EQ(c.checkedCount(), 0);
}

TEST(FileListEngine, CollectAppendsCheckedPathsInOrderIncludingDuplicates)
{
    FileList l = listOf({{"C:\\Work\\a.dft", true}, {"C:\\Work\\b.par", false}, {"C:\\Work\\a.dft", true}});
    QStringList paths{"already"};
    l.CollectCheckedFiles(paths);
    EXPECT_EQ(paths, QStringList({"already", "C:\\Work\\a.dft", "C:\\Work\\a.dft"}));

    FileList none = listOf({{"/x/a.dft", false}});
    QStringList empty;
    none.CollectCheckedFiles(empty);
    EXPECT_TRUE(empty.isEmpty());
    EXPECT_EQ(FileListStatusText(12, 7), "12 (7)");
}

TEST(SortOrder, SortKeysOrderExactlyAsTheCompare)
{
    const QStringList texts = {"", "a", "A", "ab", "abc", "B", "_", "z.dft", QString::fromUtf8("č.dft"),
                               QString::fromUtf8("Č.dft"), QString(QChar(0x02D9)), QString(QChar(0x00FF)),
                               QString::fromUtf8("ω"), QString::fromUtf8("😀"), "C:\\Work", "C:/Work", "c:\\work\\x"};
    const auto sign = [](auto v) { return (v > 0) - (v < 0); };
    for (const QString& a : texts)
        for (const QString& b : texts)
            EXPECT_EQ(sign(FileSortKey(a).compare(FileSortKey(b))), sign(CompareFileText(a, b)))
                << a.toStdString() << " vs " << b.toStdString();
}
