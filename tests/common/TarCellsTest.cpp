// The sparse cell store of the grid.

#include "common/TarCells.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace Qt::StringLiterals;

namespace {

TarCell* AddCell(TarCells& cells, qint32 col, qint32 row, const QString& text)
{
    auto cell = std::make_unique<TarCell>(col, row);
    cell->text = text;
    return cells.Add(std::move(cell));
}

} // namespace

TEST(TarCells, ReadingNeverCreatesAndGetCellCreatesOnce)
{
    TarCells cells;
    EXPECT_EQ(cells.GetText(2, 5), QString());
    EXPECT_EQ(cells.GetData(2, 5), QString());
    TarCell* found = nullptr;
    EXPECT_FALSE(cells.Find(2, 5, found));
    EXPECT_EQ(cells.Count(), 0);

    TarCell* cell = cells.GetCell(2, 5);
    EXPECT_EQ(cell->col, 2);
    EXPECT_EQ(cell->row, 5);
    EXPECT_TRUE(cell->text.isEmpty());
    EXPECT_FALSE(cell->changed);
    EXPECT_EQ(cells.GetCell(2, 5), cell);
    EXPECT_EQ(cells.Count(), 1);
    EXPECT_EQ(cells.Add(nullptr), nullptr);
    EXPECT_EQ(cells.Count(), 1);
}

TEST(TarCells, CellsAddedInAnyOrderAreFoundAndKeepTheirAddresses)
{
    // Negative and extreme positions too: the sort key must order them like (Col, Row).
    std::vector<std::pair<qint32, qint32>> positions{{3, 0}, {2, 5}, {-1, 7}, {0, INT_MAX}, {INT_MIN, INT_MIN}, {2, -3}};
    for (int c = 0; c < 40; ++c)
        for (int r = 0; r < 50; ++r)
            positions.emplace_back(c + 10, r);
    std::shuffle(positions.begin(), positions.end(), std::mt19937(1));
    TarCells cells;
    std::vector<TarCell*> added;
    for (const auto& [c, r] : positions)
        added.push_back(AddCell(cells, c, r, u"%1/%2"_s.arg(c).arg(r)));
    EXPECT_FALSE(cells.Sorted());
    // Cells created one by one among the sorted ones, as in-place editing does.
    for (int r = 100; r < 400; ++r)
        cells.GetCell(11, r)->text = u"new %1"_s.arg(r);
    for (std::size_t i = 0; i < positions.size(); ++i) {
        TarCell* found = nullptr;
        ASSERT_TRUE(cells.Find(positions[i].first, positions[i].second, found));
        EXPECT_EQ(found, added[i]);
    }
    EXPECT_TRUE(cells.Sorted());
    EXPECT_EQ(cells.GetText(11, 250), u"new 250"_s);
    EXPECT_EQ(cells.GetText(2, 4), QString());

    std::vector<std::pair<qint32, qint32>> order;
    cells.ForEachInRange(INT_MIN, INT_MIN, 3, INT_MAX, [&](const TarCell& c) { order.emplace_back(c.col, c.row); });
    EXPECT_EQ(order, (std::vector<std::pair<qint32, qint32>>{{INT_MIN, INT_MIN}, {-1, 7}, {0, INT_MAX}, {2, -3}, {2, 5}, {3, 0}}));
}

TEST(TarCells, ChangedFlag)
{
    TarCells cells;
    TarCell* a = cells.GetCell(1, 1);
    a->text = u"direct"_s;
    EXPECT_FALSE(a->changed);
    a->SetText(u"direct"_s);
    EXPECT_TRUE(a->changed) << "the same text still counts as set";
    AddCell(cells, 4, 4, u"x"_s)->SetText(u"y"_s);
    cells.GetCell(9, 9)->SetText(u"z"_s); // one in the side list
    cells.ClearChanged();
    for (auto [c, r] : {std::pair{1, 1}, {4, 4}, {9, 9}}) {
        TarCell* cell = nullptr;
        ASSERT_TRUE(cells.Find(c, r, cell));
        EXPECT_FALSE(cell->changed);
    }
}

TEST(TarCells, DeleteRange)
{
    const struct {
        const char* what;
        qint32 colFrom, rowFrom, colTo, rowTo;
        int left;
    } cases[] = {
        {"bounds reversed", 3, 0, 1, 9, 101},      {"rows reversed", 0, 9, 9, 0, 101},
        {"one cell, both cells there", 2, 3, 2, 3, 99}, {"a block", 1, 1, 2, 8, 84},
        {"whole columns", 5, INT_MIN, 6, INT_MAX, 81}, {"everything", INT_MIN, INT_MIN, INT_MAX, INT_MAX, 0},
    };
    for (const auto& c : cases) {
        TarCells cells;
        for (int col = 0; col < 10; ++col)
            for (int row = 0; row < 10; ++row)
                AddCell(cells, col, row, u"v"_s);
        AddCell(cells, 2, 3, u"second at one place"_s); // 101 cells
        TarCell* cell = nullptr;
        cells.Find(0, 0, cell);
        ASSERT_TRUE(cells.Sorted());
        cells.DeleteRange(c.colFrom, c.rowFrom, c.colTo, c.rowTo);
        EXPECT_EQ(cells.Count(), c.left) << c.what;
        EXPECT_FALSE(cells.Sorted()) << c.what << ": every delete clears Sorted";
        for (int col = 0; col < 10; ++col)
            for (int row = 0; row < 10; ++row) {
                const bool inside = col >= c.colFrom && col <= c.colTo && row >= c.rowFrom && row <= c.rowTo;
                EXPECT_EQ(cells.Find(col, row, cell), !inside) << c.what << " " << col << "," << row;
            }
        // The store works on after a delete, also an emptied one.
        cells.GetCell(20, 20)->text = u"after"_s;
        EXPECT_EQ(cells.GetText(20, 20), u"after"_s) << c.what;
    }
}

TEST(TarCells, TextIndex)
{
    TarCells cells;
    AddCell(cells, 1, 0, u"Title"_s);
    AddCell(cells, 2, 0, u"Author"_s);
    AddCell(cells, 4, 0, u"title"_s);
    AddCell(cells, 5, 0, QString()); // a cell without text is like no cell
    AddCell(cells, 6, 0, u"Č"_s);
    AddCell(cells, 2, 1, u"Outside"_s);
    cells.BuildTextIndex(1, 0, 6, 0);

    const struct {
        QString text;
        bool found;
        qint32 col, row;
    } cases[] = {
        {u"author"_s, true, 2, 0}, {u"TITLE"_s, true, 4, 0}, {u"č"_s, true, 6, 0},
        {QString(), true, 5, 0},   {u"Outside"_s, false, -7, -7},
    };
    for (const auto& c : cases) {
        qint32 col = -7, row = -7;
        EXPECT_EQ(cells.FindText(c.text, col, row), c.found) << c.text.toStdString();
        EXPECT_EQ(std::pair(col, row), std::pair(c.col, c.row)) << c.text.toStdString();
    }

    // A snapshot: later changes do not show until it is built again.
    cells.GetCell(2, 0)->SetText(u"Writer"_s);
    qint32 col = 0, row = 0;
    EXPECT_TRUE(cells.FindText(u"Author"_s, col, row));
    // The empty name goes to the last position without text, even far from any cell; a range
    // whose every position has text has none.
    cells.BuildTextIndex(1, 0, 2, 1'000'000'000);
    EXPECT_TRUE(cells.FindText(QString(), col, row));
    EXPECT_EQ(std::pair(col, row), std::pair(2, 1'000'000'000));
    cells.BuildTextIndex(1, 0, 2, 0);
    EXPECT_FALSE(cells.FindText(QString(), col, row));
    cells.ClearTextIndex();
    EXPECT_FALSE(cells.FindText(u"Title"_s, col, row));
}
