// Rows of one document: paths written otherwise and links reach one file, and the last row
// naming it stands for it.

#include "properties/SameDocumentRows.h"

#include "common/FsPath.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>

using namespace Qt::StringLiterals;

TEST(SameDocumentRows, PathsThatReachOneFileAreOneDocumentAndTheLastRowStandsForIt)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString a = dir.filePath(u"a.par"_s);
    testfiles::WriteBytes(a, "a");
    testfiles::WriteBytes(dir.filePath(u"b.par"_s), "b");
    ASSERT_TRUE(QDir(dir.path()).mkdir(u"sub"_s));
    // Where a file system or Windows does not grant a kind of link, its row names `a` as it is.
    std::error_code hardError;
    std::error_code softError;
    std::filesystem::create_hard_link(ToFsPath(a), ToFsPath(dir.filePath(u"hard.par"_s)), hardError);
    std::filesystem::create_symlink("a.par", ToFsPath(dir.filePath(u"soft.par"_s)), softError);

    struct Row {
        QString path;
        int lastRow; // the row that stands for it
    };
    const QString d = dir.path() + u'/';
    const std::vector<Row> rows = {
        {a, 6},
        {d + u"b.par"_s, 7},
        {d + u"./sub/../a.par"_s, 6},
        {d + u"gone.par"_s, 3}, // reaches no file: alone, also when named twice
        {hardError ? a : d + u"hard.par"_s, 6},
        {softError ? a : d + u"soft.par"_s, 6},
        {d + u"sub//../a.par"_s, 6},
        {d + u"./b.par"_s, 7},
        {d + u"gone.par"_s, 8},
    };
    SameDocumentRows same;
    for (std::size_t i = 0; i < rows.size(); ++i)
        same.Add(rows[i].path, 100 + int(i));
    ASSERT_EQ(same.Rows(), rows.size());
    for (std::uint32_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(same.LastRowOf(i), std::uint32_t(rows[i].lastRow)) << rows[i].path.toStdString();
        if (same.LastRowOf(i) != i) {
            EXPECT_EQ(same.WhereOfLast(i), 100 + rows[i].lastRow) << rows[i].path.toStdString();
        }
    }
}
