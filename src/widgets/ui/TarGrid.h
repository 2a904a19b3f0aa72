#pragma once
// A grid whose cells live in a sparse store (`TarCells`) instead of a text matrix: an item view
// over the store, drawn cell by cell with `TarGridColors`: fixed cells, selected cells, and the
// other cells in two alternating row colours, numbers right-aligned.
//
// Coordinates are the grid's own: column 0 and row 0 are the fixed column and row when there are
// any, and `ColCount`/`RowCount` count them. The fixed row and column are the view's headers, so
// they stay in place while the cells scroll; a grid has at most one of each.
//
// Typical use (the property editor):
//
//     TarGrid* grid = new TarGrid(this);
//     grid->GridColors().backgroundColor2 = QColor(0xF4, 0xFA, 0xFF); // striped rows
//     grid->SetColCount(definitions + 1);
//     grid->SetRowCount(files + 1);
//     grid->Cell(1, 0)->SetText(u"Material"_s);
//     grid->CellsObject().Add(...);            // values; then ClearChanged, OptimalColWidths
//     grid->SetEditing(true);                  // typed text reaches cells through SetEditText
//     connect(grid, &TarGrid::MouseUp, ...);   // popup menus, header clicks
//     const QRect s = grid->Selection();       // left(), top(), right(), bottom() in grid cells
//
// Rows can be shown filtered and sorted (`SetShownRows`): a row keeps its cells, its label and
// its number; only the view's order changes. The view's positions (`Col`, `Row`, `Selection`,
// `SetSelection`, `MouseToCell`) count shown rows, `GridRow` turns one into the grid row, and
// `SelectedArea` gives the selection as grid rows.
//
// Changes of cells made through the grid (typing, `ApplyWrites`, `RecordStep`) are steps of its
// `History`, undone and redone with `Undo` and `Redo`; a changed cell is drawn in bold on
// `TarGridColors::changedBackgroundColor`, and a column grows when a change makes a text wider.
//
// Only the cells on screen are ever read while painting, scrolling or editing: each is a binary
// search in the store.

#include "common/TarCells.h"
#include "widgets/CellHistory.h"
#include "widgets/ui/TarGridColors.h"

#include <QHash>
#include <QRect>
#include <QTableView>

#include <vector>

class QFont;
class QPainter;
class TarGridModel;

class TarGrid : public QTableView {
    Q_OBJECT
public:
    explicit TarGrid(QWidget* parent = nullptr);
    ~TarGrid() override;

    TarGridColors& GridColors() { return m_colors; }
    const TarGridColors& GridColors() const { return m_colors; }
    TarCells& CellsObject() { return m_cells; }
    const TarCells& CellsObject() const { return m_cells; }
    // The cell at the position, created when missing (see TarCells::GetCell).
    TarCell* Cell(qint32 col, qint32 row) { return m_cells.GetCell(col, row); }

    // Sizes of the grid, fixed column and row included. Shrinking keeps the cells of the store.
    int ColCount() const { return m_colCount; }
    void SetColCount(int count);
    int RowCount() const { return m_rowCount; }
    void SetRowCount(int count);
    // 0 or 1 (larger values count as 1); default 1 each.
    int FixedCols() const { return m_fixedCols; }
    void SetFixedCols(int count);
    int FixedRows() const { return m_fixedRows; }
    void SetFixedRows(int count);
    // Width of a column in pixels (the fixed column included); default 64. The user sizes the
    // columns by dragging their right edges in the fixed row, the fixed column by its right
    // edge (in the fixed column, the corner cell or the fixed row).
    int ColWidths(int col) const;
    void SetColWidths(int col, int width);
    // Height of every row in pixels (the fixed row included); default 24.
    int DefaultRowHeight() const { return m_rowHeight; }
    void SetDefaultRowHeight(int height);
    // In-place editing: typing, F2 or a double click opens an editor on the current cell.
    void SetEditing(bool on);

    // The grid rows under the fixed row that the view shows, in the order shown; every one from
    // FixedRows to RowCount-1 in order after ShowAllRows (and at first). Clears the selection.
    void SetShownRows(std::vector<qint32> rows);
    void ShowAllRows();
    bool ShowsAllRows() const { return !m_rowsMapped; }
    std::vector<qint32> ShownRows() const;
    int ShownRowCount() const;
    // The grid row shown at view position `viewRow` (fixed rows count as themselves).
    qint32 GridRow(int viewRow) const;
    // The selection's columns and the grid rows it spans, in the order shown.
    CellArea SelectedArea() const;
    // Marks the column the rows are sorted by in the fixed row (an arrow); -1 for none.
    void SetSortIndicator(int col, Qt::SortOrder order);
    int SortCol() const { return m_sortCol; }
    Qt::SortOrder SortOrder() const { return m_sortOrder; }

    // Undoable changes. `ApplyWrites` performs planned writes as one step; `RecordStep` takes a
    // step the caller made itself (CellStepRecorder, CellRangeRecorder). Both repaint, widen
    // columns that became too narrow and emit CellsEdited. Undo and Redo return false when
    // there is nothing to undo or redo.
    CellHistory& History() { return m_history; }
    void ApplyWrites(const std::vector<CellWrite>& writes);
    void RecordStep(CellStep step);
    bool Undo();
    bool Redo();

    // The current cell; the first non-fixed cell when there is none.
    int Col() const;
    int Row() const;
    // The selected rectangle in grid cells (left, top, right, bottom); it always holds the
    // current cell. Selections of several pieces give the rectangle around them.
    QRect Selection() const;
    void SetSelection(int left, int top, int right, int bottom);
    // The column and row under `pos` (grid widget coordinates); -1 for each that is outside
    // the cells.
    void MouseToCell(const QPoint& pos, int& col, int& row) const;

    // The in-place editor's hooks: the text it starts with (the cell is created, unchanged, when
    // missing) and the text it ends with (set with SetText, so the cell is `changed`).
    QString GetEditText(qint32 col, qint32 row);
    void SetEditText(qint32 col, qint32 row, const QString& value);

    // Whether the mouse moved between the last press and release on the fixed row (sizing a
    // column, not clicking its header).
    bool HeaderDragged() const { return m_headerDragged; }

    // The tooltip of the fixed row's cell of column `col`; empty for none.
    QString ColHint(int col) const { return m_colHints.value(col); }
    void SetColHint(int col, const QString& hint);

    // Ends an in-place edit that is open, keeping its text (SetEditText); nothing otherwise.
    void CommitEdit();

    // Fits a column to the widest of its texts (rows 0 to RowCount-1) plus 15 pixels.
    void AutoSizeColumn(int col);
    // Fits every column, with the wait cursor.
    void OptimalColWidths();
    // Deletes the cells of the range from the store, with the wait cursor, and repaints.
    void DeleteCells(qint32 colFrom, qint32 rowFrom, qint32 colTo, qint32 rowTo);
    // Repaints every visible cell, after the store was changed directly.
    void InvalidateGrid();

signals:
    // A mouse button was released over the grid (cells, fixed row or fixed column); col and row
    // as MouseToCell gives them, globalPos for a popup menu.
    void MouseUp(Qt::MouseButton button, int col, int row, const QPoint& globalPos);
    // The user began an in-place edit (typing, F2, a double click) of a cell that
    // TarCells::ReadOnly refuses: no editor was opened.
    void EditRefused(int col, int row);
    // Cells were changed through the grid, or a change was undone or redone.
    void CellsEdited();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;

private:
    void ResetModel();
    // Repaints and says so after an undo or redo that took place; returns `moved`.
    bool HistoryMoved(bool moved);
    // Widens the columns whose new texts in `step` no longer fit.
    void WidenColumnsFor(const CellStep& step);
    void ApplyFixedSizes();
    void PaintCorner(QPainter& painter, const QRect& rect) const;
    bool OnFixedColEdge(const QWidget* widget, const QPoint& pos) const;
    // Dragging the fixed column's right edge; true when the event was used for it.
    bool SizeFixedCol(QWidget* widget, QEvent* event);

    TarCells m_cells;
    CellHistory m_history;
    std::vector<qint32> m_shownRows; // used while m_rowsMapped
    bool m_rowsMapped = false;
    int m_sortCol = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    TarGridColors m_colors;
    QHash<int, QString> m_colHints;
    TarGridModel* m_model = nullptr;
    QWidget* m_corner = nullptr;
    int m_colCount = 5;
    int m_rowCount = 5;
    int m_fixedCols = 1;
    int m_fixedRows = 1;
    int m_fixedColWidth = 64;
    int m_rowHeight = 24;
    bool m_sizingFixedCol = false;
    QPoint m_headerPressPos;
    bool m_headerDragged = false;
    QWidget* m_edgeCursorOn = nullptr; // the widget showing the sizing cursor, if any
};

// Draws one cell: fills `rect` with `back`, then the text in `textColor` and `font` at 2 pixels
// from the top and from the left (alignment 0) or right (1) edge, or centred (2), clipped to
// `rect`.
void DrawCellText(QPainter& painter, const QRect& rect, int alignment, const QString& text, const QFont& font,
                  const QColor& back, const QColor& textColor);
