// Find and replace over cells.

#include "widgets/CellReplace.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace Qt::StringLiterals;

TEST(CellReplace, PlainAndRegularExpressionReplacements)
{
    // One column of cells, rows 1..4; row 4 is read-only.
    const QStringList texts{u"Part-12 rev A"_s, u"part-7"_s, u"S235 \\1"_s, u"part-9"_s};
    TarCells cells;
    for (qint32 row = 1; row <= 4; ++row)
        cells.GetCell(1, row)->text = texts[row - 1];
    const CellEditable editable = [](qint32, qint32 row) { return row != 4; };
    const CellArea area{1, 1, {1, 2, 3, 4}};
    const struct {
        ReplaceOptions options;
        QStringList newTexts; // rows 1..4 after the writes
        int matched, refused;
    } cases[] = {
        {{u"part"_s, u"P"_s}, {u"P-12 rev A"_s, u"P-7"_s, u"S235 \\1"_s, u"part-9"_s}, 3, 1},
        {{u"part"_s, u"P"_s, false, true}, {u"Part-12 rev A"_s, u"P-7"_s, u"S235 \\1"_s, u"part-9"_s}, 2, 1},
        {{u"S235"_s, u"\\1"_s}, {u"Part-12 rev A"_s, u"part-7"_s, u"\\1 \\1"_s, u"part-9"_s}, 1, 0}, // literal
        {{u"part-(\\d+)"_s, u"\\1-P"_s, true}, {u"12-P rev A"_s, u"7-P"_s, u"S235 \\1"_s, u"part-9"_s}, 3, 1},
        {{u"part-(\\d+)"_s, u"No. \\1"_s, true, false, true}, {u"Part-12 rev A"_s, u"No. 7"_s, u"S235 \\1"_s, u"part-9"_s}, 2, 1},
        {{u"PART-7"_s, u"x"_s, false, false, true}, {u"Part-12 rev A"_s, u"x"_s, u"S235 \\1"_s, u"part-9"_s}, 1, 0},
        {{u"rev"_s, u"rev"_s}, texts, 1, 0}, // a match that leaves the text as it is writes nothing
    };
    for (const auto& c : cases) {
        const ReplacePlan plan = PlanReplace(cells, area, c.options, editable);
        const QString what = c.options.find + u" -> "_s + c.options.replacement;
        EXPECT_TRUE(plan.error.isEmpty()) << what.toStdString();
        QStringList result = texts;
        for (const CellWrite& write : plan.writes)
            result[write.row - 1] = write.text;
        EXPECT_EQ(result, c.newTexts) << what.toStdString();
        EXPECT_EQ(plan.matched, c.matched) << what.toStdString();
        EXPECT_EQ(plan.refused, c.refused) << what.toStdString();
    }
}

TEST(CellReplace, EmptyOrBadSearchIsAnErrorWithoutWrites)
{
    TarCells cells;
    cells.GetCell(1, 1)->text = u"abc"_s;
    for (const ReplaceOptions& options : {ReplaceOptions{u""_s, u"x"_s}, ReplaceOptions{u"a(b"_s, u"x"_s, true}}) {
        const ReplacePlan plan = PlanReplace(cells, {1, 1, {1}}, options);
        EXPECT_FALSE(plan.error.isEmpty());
        EXPECT_TRUE(plan.writes.empty());
        EXPECT_FALSE(CellMatches(u"abc"_s, options));
        QString error;
        EXPECT_EQ(FindNextCell(cells, {1, 1, {1}}, options, -1, &error), -1);
        EXPECT_FALSE(error.isEmpty());
    }
    EXPECT_TRUE(CellMatches(u"abc"_s, {u"B"_s, u""_s}));
}

// "Find next" walks the area row by row in the order its rows are shown and wraps round.
TEST(CellReplace, FindNextWalksTheShownRowsAndWraps)
{
    TarCells cells;
    for (const auto& [col, row, text] : {std::tuple(1, 1, u"bolt"_s), std::tuple(2, 3, u"Bolt M8"_s), std::tuple(1, 2, u"nut"_s)})
        cells.GetCell(col, row)->text = text;
    const CellArea area{1, 2, {3, 2, 1}}; // sorted: row 3 first
    const struct {
        qint64 from;
        qint64 found;
    } cases[] = {{-1, 1}, {1, 4}, {4, 1}, {5, 1}};
    for (const auto& c : cases)
        EXPECT_EQ(FindNextCell(cells, area, {u"bolt"_s, {}}, c.from), c.found) << c.from;
    EXPECT_EQ(FindNextCell(cells, area, {u"washer"_s, {}}, -1), -1);
}
