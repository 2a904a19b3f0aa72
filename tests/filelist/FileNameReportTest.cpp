// The report's lines: numbering of the collected paths, the name part, both path styles.
#include "filelist/FileList.h"
#include "filelist/FileNameReport.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(FileNameReportLines, NumbersTheCheckedEntriesWithoutGapsInDisplayOrder)
{
    FileList list;
    for (const auto& [path, checked] : std::initializer_list<std::pair<QString, bool>>{
             {u"C:\\Work\\a.dft"_s, true},
             {u"C:\\Work\\skipped.par"_s, false},
             {u"C:\\b.par"_s, true},
             {u"/home/u/parts/c:d.asm"_s, true},
             {u"C:\\Work\\a.dft"_s, true},
         })
        list.Append(EntryByPathRule(path, checked));
    QStringList paths;
    list.CollectCheckedFiles(paths);

    EXPECT_EQ(FileNameReportLines(paths, false),
              QStringList({u"1. a.dft"_s, u"2. b.par"_s, u"3. c:d.asm"_s, u"4. a.dft"_s}));
    EXPECT_EQ(FileNameReportLines(paths, true),
              QStringList({u"1. C:\\Work\\a.dft"_s, u"2. C:\\b.par"_s, u"3. /home/u/parts/c:d.asm"_s,
                           u"4. C:\\Work\\a.dft"_s}));
    EXPECT_TRUE(FileNameReportLines({}, true).isEmpty());
}
