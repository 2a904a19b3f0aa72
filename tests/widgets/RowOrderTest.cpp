// Filtering and sorting the grid's rows.

#include "widgets/RowOrder.h"

#include <QDate>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// Rows 1..n: column 0 the row label, column 1 the text, `data` of column 0 the row's document.
void AddRows(TarCells& cells, const QStringList& texts)
{
    for (qint32 row = 1; row <= texts.size(); ++row) {
        TarCell* label = cells.GetCell(0, row);
        label->text = QString::number(row);
        label->data = u"doc%1.par"_s.arg(row);
        cells.GetCell(1, row)->text = texts[row - 1];
    }
}

std::vector<qint32> AllRows(qsizetype count)
{
    std::vector<qint32> rows;
    for (qint32 row = 1; row <= count; ++row)
        rows.push_back(row);
    return rows;
}

} // namespace

TEST(RowOrder, SortsNumbersAndDatesByValueKeepingEachRowsDocument)
{
    const QLocale german(QLocale::German, QLocale::Germany);
    const QString shortDate = german.toString(QDate(2024, 2, 1), QLocale::ShortFormat);
    const QStringList texts{u"beta"_s, u"10"_s, u""_s, u"2024-03-01"_s, u"9,5"_s, u"Alpha"_s,
                            shortDate,  u"1e3"_s, u"alpha"_s, u"2023-12-31"_s};
    TarCells cells;
    AddRows(cells, texts);
    const struct {
        Qt::SortOrder order;
        QStringList sorted;
    } cases[] = {
        {Qt::AscendingOrder, {u"9,5"_s, u"10"_s, u"1e3"_s, u"2023-12-31"_s, shortDate, u"2024-03-01"_s, u"Alpha"_s,
                              u"alpha"_s, u"beta"_s, u""_s}},
        {Qt::DescendingOrder, {u"beta"_s, u"Alpha"_s, u"alpha"_s, u"2024-03-01"_s, shortDate, u"2023-12-31"_s,
                               u"1e3"_s, u"10"_s, u"9,5"_s, u""_s}},
    };
    for (const auto& c : cases) {
        const std::vector<qint32> order = SortRows(cells, AllRows(texts.size()), 1, c.order, german);
        QStringList sorted;
        for (const qint32 row : order) {
            sorted.append(cells.GetText(1, row));
            // The row still carries its own label and document.
            EXPECT_EQ(cells.GetText(0, row), QString::number(row));
            EXPECT_EQ(cells.GetData(0, row), u"doc%1.par"_s.arg(row));
        }
        EXPECT_EQ(sorted, c.sorted) << int(c.order);
    }
    EXPECT_EQ(NextSortOrder(1, Qt::AscendingOrder, 1), Qt::DescendingOrder);
    EXPECT_EQ(NextSortOrder(1, Qt::DescendingOrder, 1), Qt::AscendingOrder);
    EXPECT_EQ(NextSortOrder(1, Qt::DescendingOrder, 2), Qt::AscendingOrder);
}

TEST(RowOrder, FilterKeepsRowsContainingTheTextIgnoringCase)
{
    TarCells cells;
    AddRows(cells, {u"Flange"_s, u"rib"_s, u"FLANGE 2"_s, u""_s});
    cells.GetCell(2, 2)->text = u"flat flange"_s;
    const std::vector<qint32> rows{4, 3, 2, 1}; // shown sorted: the filter keeps that order
    const struct {
        qint32 left, right;
        QString text;
        std::vector<qint32> shown;
    } cases[] = {
        {1, 2, u"flange"_s, {3, 2, 1}},
        {1, 1, u"flange"_s, {3, 1}},
        {1, 2, u""_s, {4, 3, 2, 1}},
        {1, 2, u"bolt"_s, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FilterRows(cells, rows, c.left, c.right, c.text), c.shown) << c.text.toStdString();
    EXPECT_EQ(ShowingText(3, 4), u"showing 3 of 4"_s);
}
