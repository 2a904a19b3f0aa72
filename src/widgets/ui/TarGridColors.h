#pragma once
// The colours `TarGrid` draws its cells with. Plain values: the grid reads them whenever it
// paints, so a change shows at the next repaint.

#include <QColor>

struct TarGridColors {
    // The defaults are the platform's colours for windows, buttons and highlighted items at the
    // time the set is made. Both row colours start equal: rows are not striped until
    // BackgroundColor2 gets another colour.
    TarGridColors();

    QColor FixedTextColor;          // text of fixed cells
    QColor FixedBackgroundColor;    // background of fixed cells
    QColor SelectedTextColor;       // text of selected cells (the current cell included)
    QColor SelectedBackgroundColor; // background of selected cells
    QColor TextColor;               // text of other cells
    QColor BackgroundColor1;        // background of other cells in even rows (0, 2, 4, ...)
    QColor BackgroundColor2;        // background of other cells in odd rows (1, 3, 5, ...)
};
