#pragma once
// Which rows the grid shows and in what order. Both work on row numbers only: a row keeps its
// cells, its document and its label; the view shows `rows` in the order these give.

#include "common/TarCells.h"

#include <QLocale>
#include <QString>

#include <vector>

// The rows of `rows` (in their order) with a cell in columns `left`..`right` containing `text`,
// ignoring case; all of them for an empty text.
std::vector<qint32> FilterRows(const TarCells& cells, const std::vector<qint32>& rows, qint32 left, qint32 right,
                               const QString& text);

// "showing N of M"
QString ShowingText(qsizetype shown, qsizetype total);

enum class SortKind { Number, Date, Text, Empty };

// How a cell text sorts: a number (with `locale`'s decimal point or a dot), a date (ISO
// yyyy-MM-dd or `locale`'s short date format, a two-digit year taken as 1950..2049), any other
// text, or empty. `value` orders numbers and dates (dates by Julian day).
struct SortKey {
    SortKind kind = SortKind::Empty;
    double value = 0;
};
SortKey MakeSortKey(const QString& text, const QLocale& locale);

// `rows` sorted by the texts of column `col`: numbers before dates before texts, numbers and
// dates by value, texts in the locale's order ignoring case; empty cells last in either order.
// Stable: rows with equal keys keep their order.
std::vector<qint32> SortRows(const TarCells& cells, const std::vector<qint32>& rows, qint32 col,
                             Qt::SortOrder order, const QLocale& locale = QLocale());

// The order a click on the header of `clicked` sorts by: the reverse when `clicked` is the
// column sorted by now (`sortedCol`), ascending otherwise.
Qt::SortOrder NextSortOrder(qint32 sortedCol, Qt::SortOrder sortedOrder, qint32 clicked);
