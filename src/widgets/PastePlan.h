#pragma once
// Where a block of pasted text goes in the grid. The block starts at the current cell: its
// first column there, its rows down the rows the grid shows (`CellArea::rows` from the current
// row on). A single value pasted into a selection of several cells goes into every selected
// cell. Cells past the grid's last column or shown row are clipped, cells `editable` refuses
// are left alone, and a value equal to the cell's text is no write, so it does not mark the
// cell changed. Rows missing cells (ragged text) paste empty text there.

#include "common/TarCells.h"
#include "widgets/CellEdits.h"
#include "widgets/TabText.h"

#include <vector>

struct PasteTarget {
    // The selected cells; the current cell is its `left` column and first row.
    CellArea selection;
    // Every row the grid shows, in the order shown, the fixed header row not among them.
    std::vector<qint32> shownRows;
    // The first column after the fixed column, and the grid's column count.
    qint32 firstColumn = 1;
    qint32 colCount = 0;
    // The first row under the fixed header row: rows above it are never written, and a block
    // pasted with the current cell up there starts at the first shown row.
    qint32 firstRow = 1;
};

struct PastePlan {
    std::vector<CellWrite> writes;
    int clipped = 0;   // cells of the block past the grid's edge
    int refused = 0;   // cells `editable` refused
    int unchanged = 0; // cells that already held the value
};

PastePlan PlanPaste(const TextBlock& block, const TarCells& cells, const PasteTarget& target,
                    const CellEditable& editable = {});
