#include "widgets/ui/TarGrid.h"

#include "widgets/NumberText.h"
#include "widgets/ui/BusyCursor.h"

#include <QAbstractButton>
#include <QAbstractTableModel>
#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QSet>
#include <QStyledItemDelegate>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

// The store as the view sees it: model rows and columns are the grid's non-fixed ones.
class TarGridModel : public QAbstractTableModel {
public:
    explicit TarGridModel(TarGrid* grid) : QAbstractTableModel(grid), m_grid(grid) {}

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : m_rows; }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : m_cols; }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
            return {};
        return m_grid->CellsObject().GetText(index.column() + m_grid->FixedCols(), m_grid->GridRow(index.row() + m_grid->FixedRows()));
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (role == Qt::ToolTipRole && orientation == Qt::Horizontal && m_grid->FixedRows()) {
            const QString hint = m_grid->ColHint(section + m_grid->FixedCols());
            return hint.isEmpty() ? QVariant() : QVariant(hint);
        }
        if (role != Qt::DisplayRole)
            return {};
        if (orientation == Qt::Horizontal)
            return m_grid->FixedRows() ? m_grid->CellsObject().GetText(section + m_grid->FixedCols(), 0) : QString();
        return m_grid->FixedCols() ? m_grid->CellsObject().GetText(0, m_grid->GridRow(section + m_grid->FixedRows())) : QString();
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override
    {
        if (!index.isValid())
            return Qt::NoItemFlags;
        const bool readOnly = m_grid->CellsObject().ReadOnly(index.column() + m_grid->FixedCols(),
                                                             m_grid->GridRow(index.row() + m_grid->FixedRows()));
        return Qt::ItemIsEnabled | Qt::ItemIsSelectable | (readOnly ? Qt::NoItemFlags : Qt::ItemIsEditable);
    }

    bool setData(const QModelIndex& index, const QVariant& value, int role) override
    {
        if (!index.isValid() || role != Qt::EditRole)
            return false;
        m_grid->SetEditText(index.column() + m_grid->FixedCols(), m_grid->GridRow(index.row() + m_grid->FixedRows()),
                            value.toString());
        return true;
    }

    // Growing or shrinking keeps the header's section sizes; a reset starts them afresh.
    void Resize(int rows, int cols)
    {
        rows = std::max(rows, 0);
        cols = std::max(cols, 0);
        if (rows > m_rows) {
            beginInsertRows({}, m_rows, rows - 1);
            m_rows = rows;
            endInsertRows();
        } else if (rows < m_rows) {
            beginRemoveRows({}, rows, m_rows - 1);
            m_rows = rows;
            endRemoveRows();
        }
        if (cols > m_cols) {
            beginInsertColumns({}, m_cols, cols - 1);
            m_cols = cols;
            endInsertColumns();
        } else if (cols < m_cols) {
            beginRemoveColumns({}, cols, m_cols - 1);
            m_cols = cols;
            endRemoveColumns();
        }
    }

    void Reset(int rows, int cols)
    {
        beginResetModel();
        m_rows = std::max(rows, 0);
        m_cols = std::max(cols, 0);
        endResetModel();
    }

    void CellChanged(int col, int row)
    {
        if (!m_grid->ShowsAllRows()) {
            m_grid->viewport()->update();
            return;
        }
        const QModelIndex at = index(row - m_grid->FixedRows(), col - m_grid->FixedCols());
        if (at.isValid())
            emit dataChanged(at, at);
    }

    // Every cell may show another row now; the view keeps its columns and their widths.
    void RowsRemapped(int rows)
    {
        Resize(rows, m_cols);
        if (m_rows > 0 && m_cols > 0)
            emit dataChanged(index(0, 0), index(m_rows - 1, m_cols - 1));
        emit headerDataChanged(Qt::Vertical, 0, std::max(m_rows - 1, 0));
    }

private:
    TarGrid* m_grid;
    int m_rows = 0;
    int m_cols = 0;
};

namespace {

void DrawFixedEdges(QPainter& painter, const QRect& rect, const QColor& line)
{
    painter.save();
    painter.setPen(QApplication::palette().color(QPalette::Light));
    painter.drawLine(rect.topLeft(), rect.topRight());
    painter.drawLine(rect.topLeft(), rect.bottomLeft());
    painter.setPen(line);
    painter.drawLine(rect.topRight(), rect.bottomRight());
    painter.drawLine(rect.bottomLeft(), rect.bottomRight());
    painter.restore();
}

// A small triangle at the right end of a header cell: pointing up for ascending order.
void DrawSortArrow(QPainter& painter, const QRect& rect, Qt::SortOrder order, const QColor& color)
{
    const int size = std::max(3, rect.height() / 4);
    const QPoint centre(rect.right() - size - 3, rect.center().y());
    const int tip = order == Qt::AscendingOrder ? -size / 2 : size / 2;
    const QPoint points[] = {{centre.x() - size, centre.y() - tip}, {centre.x() + size, centre.y() - tip},
                             {centre.x(), centre.y() + tip}};
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawPolygon(points, 3);
    painter.restore();
}

QColor GridLineColor(const QWidget* widget)
{
    return QColor::fromRgba(static_cast<QRgb>(widget->style()->styleHint(QStyle::SH_Table_GridLineColor, nullptr, widget)));
}

// Draws every non-fixed cell by the grid's rules and routes in-place editing into the store.
class TarGridDelegate : public QStyledItemDelegate {
public:
    explicit TarGridDelegate(TarGrid* grid) : QStyledItemDelegate(grid), m_grid(grid) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const int viewRow = index.row() + m_grid->FixedRows();
        const int row = m_grid->GridRow(viewRow);
        const int col = index.column() + m_grid->FixedCols();
        TarCell* cell = nullptr;
        const bool found = m_grid->CellsObject().Find(col, row, cell);
        const QString text = found ? cell->text : QString();
        const bool changed = found && cell->changed;
        const TarGridColors& colors = m_grid->GridColors();
        // The current cell lies in the selection, so it is drawn selected even when the
        // selection model has lost it.
        const bool selected = (option.state & QStyle::State_Selected) || index == m_grid->currentIndex();
        const bool readOnly = !selected && m_grid->CellsObject().ReadOnly(col, row);
        // Stripes follow the rows as shown, so that a filtered or sorted view stays striped.
        const QColor& back = selected   ? colors.selectedBackgroundColor
                             : readOnly ? colors.readOnlyBackgroundColor
                             : changed  ? colors.changedBackgroundColor
                                        : (viewRow % 2 == 0 ? colors.backgroundColor1 : colors.backgroundColor2);
        const QColor& fore = selected ? colors.selectedTextColor : readOnly ? colors.readOnlyTextColor : colors.textColor;
        QFont font = m_grid->font();
        // Bold stays when the cell is selected, where the tint does not show.
        font.setBold(changed);
        DrawCellText(*painter, option.rect, IsNumberText(text) ? 1 : 0, text, font, back, fore);
        if (option.state & QStyle::State_HasFocus) {
            QStyleOptionFocusRect focus;
            focus.QStyleOption::operator=(option);
            focus.backgroundColor = back;
            m_grid->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, m_grid);
        }
    }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const override
    {
        auto* editor = new QLineEdit(parent);
        editor->setFrame(false);
        editor->setFont(m_grid->font());
        return editor;
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override
    {
        auto* line = static_cast<QLineEdit*>(editor);
        line->setText(
            m_grid->GetEditText(index.column() + m_grid->FixedCols(), m_grid->GridRow(index.row() + m_grid->FixedRows())));
        line->selectAll();
    }

    void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const override
    {
        m_grid->SetEditText(index.column() + m_grid->FixedCols(), m_grid->GridRow(index.row() + m_grid->FixedRows()),
                            static_cast<QLineEdit*>(editor)->text());
    }

    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option, const QModelIndex&) const override
    {
        editor->setGeometry(option.rect);
    }

private:
    TarGrid* m_grid;
};

// The fixed row (horizontal) or fixed column (vertical), drawn like fixed cells.
class TarGridHeader : public QHeaderView {
public:
    TarGridHeader(Qt::Orientation orientation, TarGrid* grid) : QHeaderView(orientation, grid), m_grid(grid) {}

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override
    {
        const bool horizontal = orientation() == Qt::Horizontal;
        const int col = horizontal ? logicalIndex + m_grid->FixedCols() : 0;
        const int row = horizontal ? 0 : m_grid->GridRow(logicalIndex + m_grid->FixedRows());
        const TarGridColors& colors = m_grid->GridColors();
        DrawCellText(*painter, rect, 0, m_grid->CellsObject().GetText(col, row), m_grid->font(), colors.fixedBackgroundColor,
                     colors.fixedTextColor);
        if (horizontal && col == m_grid->SortCol())
            DrawSortArrow(*painter, rect, m_grid->SortOrder(), colors.fixedTextColor);
        DrawFixedEdges(*painter, rect, GridLineColor(m_grid));
    }

private:
    TarGrid* m_grid;
};

// Widths of cell texts for fitting columns. Measuring a text takes a couple of microseconds,
// too long for every text of a column of 40,000 cells; the sum of the advances of its characters
// is within a pixel or two of it (kerning), so only texts whose sum comes near the widest width
// found so far are measured.
class TextWidths {
public:
    explicit TextWidths(const QFont& font) : m_exact(font), m_advances(font) {}

    int Exact(const QString& text) const { return m_exact.horizontalAdvance(text); }

    // The sum of the characters' advances, or -1 for a text whose characters shaping may join,
    // reorder or stack (combining marks, scripts from Hebrew on, surrogates): those are measured.
    qreal Estimate(const QString& text)
    {
        qreal sum = 0;
        for (const QChar c : text) {
            const char16_t u = c.unicode();
            if ((u >= 0x0300 && u < 0x0370) || u >= kTable)
                return -1;
            qreal& width = m_table[u];
            if (width < 0)
                width = m_advances.horizontalAdvance(c);
            sum += width;
        }
        return sum;
    }

private:
    static constexpr char16_t kTable = 0x0590;
    QFontMetrics m_exact;
    QFontMetricsF m_advances;
    std::vector<qreal> m_table = std::vector<qreal>(kTable, -1);
};

} // namespace

void DrawCellText(QPainter& painter, const QRect& rect, int alignment, const QString& text, const QFont& font,
                  const QColor& back, const QColor& textColor)
{
    painter.save();
    painter.setClipRect(rect, Qt::IntersectClip);
    painter.fillRect(rect, back);
    if (!text.isEmpty()) {
        painter.setFont(font);
        painter.setPen(textColor);
        const QFontMetrics metrics = painter.fontMetrics();
        const int width = metrics.horizontalAdvance(text);
        int x = rect.left() + 2;
        if (alignment == 1)
            x = rect.left() + rect.width() - 2 - width;
        else if (alignment == 2)
            x = rect.left() + (rect.width() - width) / 2;
        painter.drawText(QPoint(x, rect.top() + 2 + metrics.ascent()), text);
    }
    painter.restore();
}

TarGrid::TarGrid(QWidget* parent) : QTableView(parent)
{
    m_model = new TarGridModel(this);
    setHorizontalHeader(new TarGridHeader(Qt::Horizontal, this));
    setVerticalHeader(new TarGridHeader(Qt::Vertical, this));
    setModel(m_model);
    setItemDelegate(new TarGridDelegate(this));
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setCornerButtonEnabled(false);

    for (QHeaderView* header : {horizontalHeader(), verticalHeader()}) {
        header->setSectionsClickable(false);
        header->setHighlightSections(false);
        header->setMinimumSectionSize(0);
        header->viewport()->installEventFilter(this);
    }
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setDefaultSectionSize(64);
    // Rows all have one height: the view then never measures rows one by one.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(m_rowHeight);
    viewport()->installEventFilter(this);
    m_corner = findChild<QAbstractButton*>(QString(), Qt::FindDirectChildrenOnly);
    if (m_corner) {
        m_corner->installEventFilter(this);
        m_corner->setMouseTracking(true);
    }
    verticalHeader()->viewport()->setMouseTracking(true);
    horizontalHeader()->viewport()->setMouseTracking(true);

    ApplyFixedSizes();
    ResetModel();
}

TarGrid::~TarGrid() = default;

void TarGrid::ResetModel()
{
    m_model->Reset(m_rowCount - m_fixedRows, m_colCount - m_fixedCols);
}

void TarGrid::ApplyFixedSizes()
{
    horizontalHeader()->setVisible(m_fixedRows > 0);
    horizontalHeader()->setFixedHeight(m_rowHeight);
    verticalHeader()->setVisible(m_fixedCols > 0);
    verticalHeader()->setFixedWidth(m_fixedColWidth);
    // The cells, the fixed row and the corner move with the fixed column's new edge now, not at
    // the next resize of the grid.
    updateGeometries();
}

void TarGrid::SetColCount(int count)
{
    m_colCount = std::max(count, 0);
    m_model->Resize(m_rowCount - m_fixedRows, m_colCount - m_fixedCols);
}

void TarGrid::SetRowCount(int count)
{
    m_rowCount = std::max(count, 0);
    if (m_rowsMapped) {
        ShowAllRows();
        return;
    }
    m_model->Resize(m_rowCount - m_fixedRows, m_colCount - m_fixedCols);
}

void TarGrid::SetShownRows(std::vector<qint32> rows)
{
    CommitEdit();
    std::erase_if(rows, [this](qint32 row) { return row < m_fixedRows || row >= m_rowCount; });
    m_shownRows = std::move(rows);
    m_rowsMapped = true;
    m_model->RowsRemapped(static_cast<int>(m_shownRows.size()));
    selectionModel()->clear();
    InvalidateGrid();
}

void TarGrid::ShowAllRows()
{
    CommitEdit();
    m_shownRows = {};
    m_rowsMapped = false;
    m_model->RowsRemapped(m_rowCount - m_fixedRows);
    selectionModel()->clear();
    InvalidateGrid();
}

std::vector<qint32> TarGrid::ShownRows() const
{
    if (m_rowsMapped)
        return m_shownRows;
    std::vector<qint32> rows;
    rows.reserve(static_cast<std::size_t>(std::max(m_rowCount - m_fixedRows, 0)));
    for (qint32 row = m_fixedRows; row < m_rowCount; ++row)
        rows.push_back(row);
    return rows;
}

int TarGrid::ShownRowCount() const
{
    return m_rowsMapped ? static_cast<int>(m_shownRows.size()) : std::max(m_rowCount - m_fixedRows, 0);
}

qint32 TarGrid::GridRow(int viewRow) const
{
    if (!m_rowsMapped || viewRow < m_fixedRows)
        return viewRow;
    const auto at = static_cast<std::size_t>(viewRow - m_fixedRows);
    return at < m_shownRows.size() ? m_shownRows[at] : -1;
}

CellArea TarGrid::SelectedArea() const
{
    const QRect s = Selection();
    CellArea area{s.left(), s.right(), {}};
    area.rows.reserve(static_cast<std::size_t>(s.height()));
    for (int viewRow = s.top(); viewRow <= s.bottom(); ++viewRow)
        if (const qint32 row = GridRow(viewRow); row >= 0)
            area.rows.push_back(row);
    return area;
}

void TarGrid::SetSortIndicator(int col, Qt::SortOrder order)
{
    m_sortCol = col;
    m_sortOrder = order;
    horizontalHeader()->viewport()->update();
}

void TarGrid::ApplyWrites(const std::vector<CellWrite>& writes)
{
    RecordStep(ApplyCellWrites(m_cells, writes));
}

void TarGrid::RecordStep(CellStep step)
{
    if (step.Empty())
        return;
    WidenColumnsFor(step);
    m_history.Push(std::move(step));
    InvalidateGrid();
    emit CellsEdited();
}

bool TarGrid::Undo()
{
    CommitEdit();
    return HistoryMoved(m_history.Undo(m_cells));
}

bool TarGrid::Redo()
{
    CommitEdit();
    return HistoryMoved(m_history.Redo(m_cells));
}

bool TarGrid::HistoryMoved(bool moved)
{
    if (moved) {
        InvalidateGrid();
        emit CellsEdited();
    }
    return moved;
}

void TarGrid::WidenColumnsFor(const CellStep& step)
{
    // Only the new texts are measured, and only those whose estimate comes near the column's
    // width: a paste of 40,000 cells measures a handful. No text is wider than its length times
    // the widest character, which skips most without looking at their characters.
    TextWidths widths(font());
    const int widest = std::max(QFontMetrics(font()).maxWidth(), 1);
    std::vector<int> need(static_cast<std::size_t>(std::max(m_colCount, 0)), -1); // -1: not looked at yet
    std::vector<bool> grown(need.size());
    for (const CellChange& change : step.changes) {
        if (change.col < m_fixedCols || change.col >= m_colCount || change.newText.isEmpty())
            continue;
        int& have = need[static_cast<std::size_t>(change.col)];
        if (have < 0)
            have = ColWidths(change.col) - 15;
        if (change.newText.size() * widest < have)
            continue;
        const qreal estimate = widths.Estimate(change.newText);
        if (estimate >= 0 && estimate + 2 + estimate / 50 < have)
            continue;
        if (const int exact = widths.Exact(change.newText); exact > have) {
            have = exact;
            grown[static_cast<std::size_t>(change.col)] = true;
        }
    }
    for (std::size_t col = 0; col < need.size(); ++col)
        if (grown[col])
            SetColWidths(static_cast<int>(col), need[col] + 15);
}

void TarGrid::SetFixedCols(int count)
{
    m_fixedCols = std::clamp(count, 0, 1);
    ApplyFixedSizes();
    ResetModel();
}

void TarGrid::SetFixedRows(int count)
{
    m_fixedRows = std::clamp(count, 0, 1);
    ApplyFixedSizes();
    ResetModel();
}

int TarGrid::ColWidths(int col) const
{
    if (col < m_fixedCols)
        return m_fixedColWidth;
    return horizontalHeader()->sectionSize(col - m_fixedCols);
}

void TarGrid::SetColWidths(int col, int width)
{
    width = std::max(width, 0);
    if (col < 0)
        return;
    if (col < m_fixedCols) {
        m_fixedColWidth = width;
        ApplyFixedSizes();
        return;
    }
    if (col - m_fixedCols < m_model->columnCount())
        horizontalHeader()->resizeSection(col - m_fixedCols, width);
}

void TarGrid::SetDefaultRowHeight(int height)
{
    m_rowHeight = std::max(height, 1);
    verticalHeader()->setDefaultSectionSize(m_rowHeight);
    ApplyFixedSizes();
}

void TarGrid::SetEditing(bool on)
{
    setEditTriggers(on ? QAbstractItemView::AnyKeyPressed | QAbstractItemView::EditKeyPressed | QAbstractItemView::DoubleClicked
                       : QAbstractItemView::NoEditTriggers);
}

int TarGrid::Col() const
{
    const QModelIndex current = currentIndex();
    return (current.isValid() ? current.column() : 0) + m_fixedCols;
}

int TarGrid::Row() const
{
    const QModelIndex current = currentIndex();
    return (current.isValid() ? current.row() : 0) + m_fixedRows;
}

QRect TarGrid::Selection() const
{
    int left = Col() - m_fixedCols;
    int top = Row() - m_fixedRows;
    int right = left;
    int bottom = top;
    // Ranges, not indexes: a selected column of 40,000 rows is one range.
    for (const QItemSelectionRange& range : selectionModel()->selection()) {
        left = std::min(left, range.left());
        top = std::min(top, range.top());
        right = std::max(right, range.right());
        bottom = std::max(bottom, range.bottom());
    }
    return QRect(QPoint(left + m_fixedCols, top + m_fixedRows), QPoint(right + m_fixedCols, bottom + m_fixedRows));
}

void TarGrid::SetSelection(int left, int top, int right, int bottom)
{
    const QModelIndex topLeft = m_model->index(top - m_fixedRows, left - m_fixedCols);
    const QModelIndex bottomRight = m_model->index(bottom - m_fixedRows, right - m_fixedCols);
    if (!topLeft.isValid() || !bottomRight.isValid())
        return;
    selectionModel()->setCurrentIndex(topLeft, QItemSelectionModel::NoUpdate);
    selectionModel()->select(QItemSelection(topLeft, bottomRight), QItemSelectionModel::ClearAndSelect);
}

void TarGrid::MouseToCell(const QPoint& pos, int& col, int& row) const
{
    col = -1;
    row = -1;
    const QPoint inView = viewport()->mapFrom(this, pos);
    const QRect view = viewport()->geometry();
    const QRect colHeader = horizontalHeader()->isVisible() ? horizontalHeader()->geometry() : QRect();
    const QRect rowHeader = verticalHeader()->isVisible() ? verticalHeader()->geometry() : QRect();
    if (rowHeader.isValid() && pos.x() >= rowHeader.left() && pos.x() <= rowHeader.right())
        col = 0;
    else if (pos.x() >= view.left() && pos.x() <= view.right() && columnAt(inView.x()) >= 0)
        col = columnAt(inView.x()) + m_fixedCols;
    if (colHeader.isValid() && pos.y() >= colHeader.top() && pos.y() <= colHeader.bottom())
        row = 0;
    else if (pos.y() >= view.top() && pos.y() <= view.bottom() && rowAt(inView.y()) >= 0)
        row = rowAt(inView.y()) + m_fixedRows;
}

QString TarGrid::GetEditText(qint32 col, qint32 row)
{
    return m_cells.GetCell(col, row)->text;
}

void TarGrid::SetEditText(qint32 col, qint32 row, const QString& value)
{
    CellStepRecorder recorder(m_cells);
    recorder.Touch(col, row);
    m_cells.GetCell(col, row)->SetText(value);
    m_model->CellChanged(col, row);
    RecordStep(recorder.Finish());
}

void TarGrid::SetColHint(int col, const QString& hint)
{
    if (hint.isEmpty())
        m_colHints.remove(col);
    else
        m_colHints.insert(col, hint);
}

void TarGrid::CommitEdit()
{
    if (state() != QAbstractItemView::EditingState)
        return;
    if (QWidget* editor = indexWidget(currentIndex())) {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

void TarGrid::AutoSizeColumn(int col)
{
    // Measuring every text of a column of 100,000 cells takes seconds when their estimates lie
    // close together (numbers, codes of one length). Only the widest estimates are measured; a
    // text not measured is taken as its estimate plus the largest amount by which a measured
    // text exceeded its own (kerning), which no text of its size goes beyond by more than a
    // pixel. Texts that cannot be estimated are always measured.
    constexpr std::size_t kMeasured = 32;
    TextWidths widths(font());
    std::vector<std::pair<qreal, const QString*>> texts; // estimate, text
    int width = 0;
    QSet<QStringView> measured;
    const auto measure = [&](const QString& text) {
        if (measured.contains(text))
            return -1;
        measured.insert(text);
        const int exact = widths.Exact(text);
        width = std::max(width, exact);
        return exact;
    };
    m_cells.ForEachInRange(col, 0, col, m_rowCount - 1, [&](const TarCell& cell) {
        if (cell.text.isEmpty())
            return;
        const qreal estimate = widths.Estimate(cell.text);
        if (estimate < 0)
            measure(cell.text);
        else
            texts.emplace_back(estimate, &cell.text);
    });
    const auto wider = [](const auto& a, const auto& b) { return a.first > b.first; };
    const std::size_t top = std::min(texts.size(), kMeasured);
    std::nth_element(texts.begin(), texts.begin() + std::ptrdiff_t(top == 0 ? 0 : top - 1), texts.end(), wider);
    qreal excess = 0;
    for (std::size_t i = 0; i < top; ++i)
        if (const int exact = measure(*texts[i].second); exact >= 0)
            excess = std::max(excess, exact - texts[i].first);
    if (texts.size() > top) {
        const qreal rest = std::max_element(texts.begin() + std::ptrdiff_t(top), texts.end(),
                                            [](const auto& a, const auto& b) { return a.first < b.first; })
                               ->first;
        width = std::max(width, int(std::ceil(rest + excess)) + 1);
    }
    SetColWidths(col, width + 15);
}

void TarGrid::OptimalColWidths()
{
    {
        const BusyCursor busy;
        for (int col = 0; col < m_colCount; ++col)
            AutoSizeColumn(col);
    }
    InvalidateGrid();
}

void TarGrid::DeleteCells(qint32 colFrom, qint32 rowFrom, qint32 colTo, qint32 rowTo)
{
    {
        const BusyCursor busy;
        m_cells.DeleteRange(colFrom, rowFrom, colTo, rowTo);
    }
    InvalidateGrid();
}

void TarGrid::InvalidateGrid()
{
    viewport()->update();
    horizontalHeader()->viewport()->update();
    verticalHeader()->viewport()->update();
    if (m_corner)
        m_corner->update();
}

void TarGrid::PaintCorner(QPainter& painter, const QRect& rect) const
{
    DrawCellText(painter, rect, 0, m_fixedCols && m_fixedRows ? m_cells.GetText(0, 0) : QString(), font(),
                 m_colors.fixedBackgroundColor, m_colors.fixedTextColor);
    DrawFixedEdges(painter, rect, GridLineColor(this));
}

bool TarGrid::OnFixedColEdge(const QWidget* widget, const QPoint& pos) const
{
    // A few pixels on either side of the edge: the end of the fixed column and of the corner,
    // the start of the fixed row beside them.
    constexpr int kGrip = 4;
    if (!m_fixedCols)
        return false;
    if (widget == verticalHeader()->viewport() || widget == m_corner)
        return pos.x() >= widget->width() - kGrip;
    if (widget == horizontalHeader()->viewport())
        return pos.x() < kGrip;
    return false;
}

bool TarGrid::SizeFixedCol(QWidget* widget, QEvent* event)
{
    const auto type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick && type != QEvent::MouseMove
        && type != QEvent::MouseButtonRelease)
        return false;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    const QPoint pos = mouse->position().toPoint();
    if (m_sizingFixedCol) {
        if (type == QEvent::MouseMove) {
            // Never narrower than the grip, so that the edge can still be taken.
            const int right = widget->mapTo(this, pos).x();
            SetColWidths(0, std::max(right - verticalHeader()->x(), 5));
        } else if (type == QEvent::MouseButtonRelease && mouse->button() == Qt::LeftButton) {
            m_sizingFixedCol = false;
        }
        return true;
    }
    const bool onEdge = OnFixedColEdge(widget, pos);
    if (type == QEvent::MouseMove) {
        if (onEdge && m_edgeCursorOn != widget) {
            if (m_edgeCursorOn)
                m_edgeCursorOn->unsetCursor();
            widget->setCursor(Qt::SplitHCursor);
            m_edgeCursorOn = widget;
        } else if (!onEdge && m_edgeCursorOn == widget) {
            widget->unsetCursor();
            m_edgeCursorOn = nullptr;
        }
        return onEdge;
    }
    if (type == QEvent::MouseButtonRelease || mouse->button() != Qt::LeftButton || !onEdge)
        return false;
    m_sizingFixedCol = true;
    return true;
}

bool TarGrid::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_corner && event->type() == QEvent::Paint) {
        QPainter painter(m_corner);
        PaintCorner(painter, m_corner->rect());
        return true;
    }
    if ((watched == m_corner || watched == verticalHeader()->viewport() || watched == horizontalHeader()->viewport())
        && SizeFixedCol(static_cast<QWidget*>(watched), event))
        return true;
    if (watched == horizontalHeader()->viewport()
        && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease)) {
        const QPoint pos = static_cast<QMouseEvent*>(event)->position().toPoint();
        if (event->type() == QEvent::MouseButtonPress)
            m_headerPressPos = pos;
        else
            m_headerDragged = (pos - m_headerPressPos).manhattanLength() >= QApplication::startDragDistance();
    }
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const QPoint pos = static_cast<QWidget*>(watched)->mapTo(this, mouse->position().toPoint());
        int col = -1;
        int row = -1;
        MouseToCell(pos, col, row);
        emit MouseUp(mouse->button(), col, row, mouse->globalPosition().toPoint());
    }
    return QTableView::eventFilter(watched, event);
}

void TarGrid::mousePressEvent(QMouseEvent* event)
{
    // A right click leaves the selection and the current cell where they are (a popup menu
    // then works on them).
    if (event->button() == Qt::RightButton) {
        event->accept();
        return;
    }
    QTableView::mousePressEvent(event);
}

bool TarGrid::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event)
{
    // Only the user's own ways into an editor are refused aloud; the view also calls this on
    // every click and current-cell change, which never opens one here.
    const bool asked = trigger == AllEditTriggers || (editTriggers() & trigger);
    const int col = index.column() + m_fixedCols;
    const int row = GridRow(index.row() + m_fixedRows);
    if (index.isValid() && asked && state() != EditingState && m_cells.ReadOnly(col, row)) {
        emit EditRefused(col, row);
        // Handled: a refused key must not go on to the view's search, which moves the current cell.
        return true;
    }
    return QTableView::edit(index, trigger, event);
}
