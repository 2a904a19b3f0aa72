// Where pasted text goes in the grid.

#include "widgets/PastePlan.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

QString Writes(const std::vector<CellWrite>& writes)
{
    QStringList list;
    for (const CellWrite& write : writes)
        list.append(u"%1,%2=%3"_s.arg(write.col).arg(write.row).arg(write.text));
    return list.join(u' ');
}

} // namespace

TEST(PastePlan, BlockAtCurrentCellOrOneValueIntoTheSelection)
{
    // Columns 1..3 after the fixed column 0, rows 1..4 under the header row; row 3 is
    // filtered out. Cell (2,2) holds "same"; column 3 of row 4 is read-only.
    TarCells cells;
    cells.GetCell(2, 2)->text = u"same"_s;
    const CellEditable editable = [](qint32 col, qint32 row) { return !(col == 3 && row == 4); };
    const std::vector<qint32> shown{1, 2, 4};
    const struct {
        const char* what;
        QString text;
        CellArea selection;
        QString writes;
        int clipped, refused, unchanged;
    } cases[] = {
        {"block at the current cell", u"a\tb\r\nc\td\r\n"_s, {1, 1, {1}}, u"1,1=a 2,1=b 1,2=c 2,2=d"_s, 0, 0, 0},
        {"ragged rows paste empty text", u"a\tb\nc\n"_s, {1, 1, {1}}, u"1,1=a 2,1=b 1,2=c 2,2="_s, 0, 0, 0},
        {"clipped at the right and bottom, hidden row skipped", u"a\tb\nc\td\ne\tf\n"_s, {3, 3, {2}},
         u"3,2=a"_s, 4, 1, 0},
        {"equal value is no write", u"same"_s, {2, 2, {2}}, u""_s, 0, 0, 1},
        {"one value into every selected cell", u"v\r\n"_s, {2, 3, {2, 4}}, u"2,2=v 3,2=v 2,4=v"_s, 0, 1, 0},
        {"never into the fixed column", u"a\tb"_s, {0, 0, {1}}, u"1,1=a 2,1=b"_s, 0, 0, 0},
        {"never into the header row", u"v"_s, {1, 1, {0, 1}}, u"1,1=v"_s, 0, 0, 0},
        {"a block from the header row starts below it", u"a\nb"_s, {1, 1, {0}}, u"1,1=a 1,2=b"_s, 0, 0, 0},
    };
    for (const auto& c : cases) {
        const PastePlan plan = PlanPaste(ParseTabText(c.text), cells, {c.selection, shown, 1, 4}, editable);
        EXPECT_EQ(Writes(plan.writes), c.writes) << c.what;
        EXPECT_EQ(plan.clipped, c.clipped) << c.what;
        EXPECT_EQ(plan.refused, c.refused) << c.what;
        EXPECT_EQ(plan.unchanged, c.unchanged) << c.what;
    }
}
