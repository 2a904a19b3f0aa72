#pragma once
// The colours `TarGrid` draws its cells with. Plain values: the grid reads them whenever it
// paints, so a change shows at the next repaint.

#include <QColor>

struct TarGridColors {
    // The defaults are the platform's colours for windows, buttons and highlighted items at the
    // time the set is made. Both row colours start equal: rows are not striped until
    // `backgroundColor2` gets another colour.
    TarGridColors();

    QColor fixedTextColor;          // text of fixed cells
    QColor fixedBackgroundColor;    // background of fixed cells
    QColor selectedTextColor;       // text of selected cells (the current cell included)
    QColor selectedBackgroundColor; // background of selected cells
    QColor textColor;               // text of other cells
    QColor backgroundColor1;        // background of other cells in even rows (0, 2, 4, ...)
    QColor backgroundColor2;        // background of other cells in odd rows (1, 3, 5, ...)
    QColor readOnlyTextColor;       // text of cells the user may not change (TarCells::ReadOnly)
    QColor readOnlyBackgroundColor; // their background, in every row
    QColor changedBackgroundColor;  // background of cells changed since loading (their text is bold)
};
