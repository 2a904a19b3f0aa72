#pragma once
// The texts of a block of cells, read in one pass over the store, for the planners that look at
// every cell of an area: a lookup per cell in a store of a million cells costs more than the
// rest of their work. A snapshot of pointers: valid until a cell of the store changes.

#include "common/TarCells.h"

#include <QString>

#include <vector>

class CellTextTable {
public:
    // Columns `left`..`right` of the rows from the lowest to the highest of `rows`.
    CellTextTable(const TarCells& cells, qint32 left, qint32 right, const std::vector<qint32>& rows);
    // The cell's text; empty for a position without a cell or outside the block.
    const QString& Text(qint32 col, qint32 row) const;

private:
    qint32 m_left = 0;
    qint32 m_right = -1;
    qint32 m_top = 0;
    qint32 m_bottom = -1;
    std::vector<const QString*> m_texts; // by column, then row
};
