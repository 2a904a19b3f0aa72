#pragma once
// The pieces every bulk change of the grid's cells shares: the write it plans, the one question
// whether a cell may be changed, and the area it runs over. The planners (`PlanPaste`,
// `PlanReplace`, `PlanFill`) only read `TarCells`; `ApplyCellWrites` (CellHistory.h) performs
// a plan and returns the undo step for it.

#include <QString>

#include <functional>
#include <vector>

// One planned cell text. Planners leave out writes that would not change the text, so a
// write always marks its cell changed.
struct CellWrite {
    qint32 col = 0;
    qint32 row = 0;
    QString text;
};

// Whether the cell at (col, row) may be changed by the user. Planners ask it for every cell they
// would write and count the refusals; an empty function allows every cell.
using CellEditable = std::function<bool(qint32 col, qint32 row)>;

// Columns `left`..`right` (inclusive) of the grid rows in `rows`, in the order the grid shows
// them: a filtered or sorted view passes the rows it shows, so hidden rows are never written.
struct CellArea {
    qint32 left = 0;
    qint32 right = -1;
    std::vector<qint32> rows;
};

inline bool MayEdit(const CellEditable& editable, qint32 col, qint32 row)
{
    return !editable || editable(col, row);
}
