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
#include <limits>
#include <vector>

// The store as the view sees it: model rows and columns are the grid's non-fixed ones.
class TarGridModel : public QAbstractTableModel {
public:
    explicit TarGridModel(TarGrid* grid) : QAbstractTableModel(grid), grid_(grid) {}

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : rows_; }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : cols_; }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
            return {};
        return grid_->CellsObject().GetText(index.column() + grid_->FixedCols(), index.row() + grid_->FixedRows());
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (role != Qt::DisplayRole)
            return {};
        if (orientation == Qt::Horizontal)
            return grid_->FixedRows() ? grid_->CellsObject().GetText(section + grid_->FixedCols(), 0) : QString();
        return grid_->FixedCols() ? grid_->CellsObject().GetText(0, section + grid_->FixedRows()) : QString();
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override
    {
        return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable : Qt::NoItemFlags;
    }

    bool setData(const QModelIndex& index, const QVariant& value, int role) override
    {
        if (!index.isValid() || role != Qt::EditRole)
            return false;
        grid_->SetEditText(index.column() + grid_->FixedCols(), index.row() + grid_->FixedRows(), value.toString());
        return true;
    }

    // Growing or shrinking keeps the header's section sizes; a reset starts them afresh.
    void Resize(int rows, int cols)
    {
        rows = std::max(rows, 0);
        cols = std::max(cols, 0);
        if (rows > rows_) {
            beginInsertRows({}, rows_, rows - 1);
            rows_ = rows;
            endInsertRows();
        } else if (rows < rows_) {
            beginRemoveRows({}, rows, rows_ - 1);
            rows_ = rows;
            endRemoveRows();
        }
        if (cols > cols_) {
            beginInsertColumns({}, cols_, cols - 1);
            cols_ = cols;
            endInsertColumns();
        } else if (cols < cols_) {
            beginRemoveColumns({}, cols, cols_ - 1);
            cols_ = cols;
            endRemoveColumns();
        }
    }

    void Reset(int rows, int cols)
    {
        beginResetModel();
        rows_ = std::max(rows, 0);
        cols_ = std::max(cols, 0);
        endResetModel();
    }

    void CellChanged(int col, int row)
    {
        const QModelIndex at = index(row - grid_->FixedRows(), col - grid_->FixedCols());
        if (at.isValid())
            emit dataChanged(at, at);
    }

private:
    TarGrid* grid_;
    int rows_ = 0;
    int cols_ = 0;
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

QColor GridLineColor(const QWidget* widget)
{
    return QColor::fromRgba(static_cast<QRgb>(widget->style()->styleHint(QStyle::SH_Table_GridLineColor, nullptr, widget)));
}

// Draws every non-fixed cell by the grid's rules and routes in-place editing into the store.
class TarGridDelegate : public QStyledItemDelegate {
public:
    explicit TarGridDelegate(TarGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const int row = index.row() + grid_->FixedRows();
        const QString text = grid_->CellsObject().GetText(index.column() + grid_->FixedCols(), row);
        const TarGridColors& colors = grid_->GridColors();
        // The current cell lies in the selection, so it is drawn selected even when the
        // selection model has lost it.
        const bool selected = (option.state & QStyle::State_Selected) || index == grid_->currentIndex();
        const QColor& back = selected ? colors.SelectedBackgroundColor
                                      : (row % 2 == 0 ? colors.BackgroundColor1 : colors.BackgroundColor2);
        const QColor& fore = selected ? colors.SelectedTextColor : colors.TextColor;
        DrawCellText(*painter, option.rect, IsNumberText(text) ? 1 : 0, text, grid_->font(), back, fore);
        if (option.state & QStyle::State_HasFocus) {
            QStyleOptionFocusRect focus;
            focus.QStyleOption::operator=(option);
            focus.backgroundColor = back;
            grid_->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, grid_);
        }
    }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const override
    {
        auto* editor = new QLineEdit(parent);
        editor->setFrame(false);
        editor->setFont(grid_->font());
        return editor;
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override
    {
        auto* line = static_cast<QLineEdit*>(editor);
        line->setText(grid_->GetEditText(index.column() + grid_->FixedCols(), index.row() + grid_->FixedRows()));
        line->selectAll();
    }

    void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const override
    {
        grid_->SetEditText(index.column() + grid_->FixedCols(), index.row() + grid_->FixedRows(),
                           static_cast<QLineEdit*>(editor)->text());
    }

    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option, const QModelIndex&) const override
    {
        editor->setGeometry(option.rect);
    }

private:
    TarGrid* grid_;
};

// The fixed row (horizontal) or fixed column (vertical), drawn like fixed cells.
class TarGridHeader : public QHeaderView {
public:
    TarGridHeader(Qt::Orientation orientation, TarGrid* grid) : QHeaderView(orientation, grid), grid_(grid) {}

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override
    {
        const bool horizontal = orientation() == Qt::Horizontal;
        const int col = horizontal ? logicalIndex + grid_->FixedCols() : 0;
        const int row = horizontal ? 0 : logicalIndex + grid_->FixedRows();
        const TarGridColors& colors = grid_->GridColors();
        DrawCellText(*painter, rect, 0, grid_->CellsObject().GetText(col, row), grid_->font(), colors.FixedBackgroundColor,
                     colors.FixedTextColor);
        DrawFixedEdges(*painter, rect, GridLineColor(grid_));
    }

private:
    TarGrid* grid_;
};

// Widths of cell texts for fitting columns. Measuring a text takes a couple of microseconds,
// too long for every text of a column of 40,000 cells; the sum of the advances of its characters
// is within a pixel or two of it (kerning), so only texts whose sum comes near the widest width
// found so far are measured.
class TextWidths {
public:
    explicit TextWidths(const QFont& font) : exact_(font), advances_(font) {}

    int Exact(const QString& text) const { return exact_.horizontalAdvance(text); }

    // The sum of the characters' advances, or -1 for a text whose characters shaping may join,
    // reorder or stack (combining marks, scripts from Hebrew on, surrogates): those are measured.
    qreal Estimate(const QString& text)
    {
        qreal sum = 0;
        for (const QChar c : text) {
            const char16_t u = c.unicode();
            if ((u >= 0x0300 && u < 0x0370) || u >= kTable)
                return -1;
            qreal& width = table_[u];
            if (width < 0)
                width = advances_.horizontalAdvance(c);
            sum += width;
        }
        return sum;
    }

private:
    static constexpr char16_t kTable = 0x0590;
    QFontMetrics exact_;
    QFontMetricsF advances_;
    std::vector<qreal> table_ = std::vector<qreal>(kTable, -1);
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
    model_ = new TarGridModel(this);
    setHorizontalHeader(new TarGridHeader(Qt::Horizontal, this));
    setVerticalHeader(new TarGridHeader(Qt::Vertical, this));
    setModel(model_);
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
    verticalHeader()->setDefaultSectionSize(rowHeight_);
    viewport()->installEventFilter(this);
    corner_ = findChild<QAbstractButton*>(QString(), Qt::FindDirectChildrenOnly);
    if (corner_) {
        corner_->installEventFilter(this);
        corner_->setMouseTracking(true);
    }
    verticalHeader()->viewport()->setMouseTracking(true);
    horizontalHeader()->viewport()->setMouseTracking(true);

    ApplyFixedSizes();
    ResetModel();
}

TarGrid::~TarGrid() = default;

void TarGrid::ResetModel()
{
    model_->Reset(rowCount_ - fixedRows_, colCount_ - fixedCols_);
}

void TarGrid::ApplyFixedSizes()
{
    horizontalHeader()->setVisible(fixedRows_ > 0);
    horizontalHeader()->setFixedHeight(rowHeight_);
    verticalHeader()->setVisible(fixedCols_ > 0);
    verticalHeader()->setFixedWidth(fixedColWidth_);
    // The cells, the fixed row and the corner move with the fixed column's new edge now, not at
    // the next resize of the grid.
    updateGeometries();
}

void TarGrid::SetColCount(int count)
{
    colCount_ = std::max(count, 0);
    model_->Resize(rowCount_ - fixedRows_, colCount_ - fixedCols_);
}

void TarGrid::SetRowCount(int count)
{
    rowCount_ = std::max(count, 0);
    model_->Resize(rowCount_ - fixedRows_, colCount_ - fixedCols_);
}

void TarGrid::SetFixedCols(int count)
{
    fixedCols_ = std::clamp(count, 0, 1);
    ApplyFixedSizes();
    ResetModel();
}

void TarGrid::SetFixedRows(int count)
{
    fixedRows_ = std::clamp(count, 0, 1);
    ApplyFixedSizes();
    ResetModel();
}

int TarGrid::ColWidths(int col) const
{
    if (col < fixedCols_)
        return fixedColWidth_;
    return horizontalHeader()->sectionSize(col - fixedCols_);
}

void TarGrid::SetColWidths(int col, int width)
{
    width = std::max(width, 0);
    if (col < 0)
        return;
    if (col < fixedCols_) {
        fixedColWidth_ = width;
        ApplyFixedSizes();
        return;
    }
    if (col - fixedCols_ < model_->columnCount())
        horizontalHeader()->resizeSection(col - fixedCols_, width);
}

void TarGrid::SetDefaultRowHeight(int height)
{
    rowHeight_ = std::max(height, 1);
    verticalHeader()->setDefaultSectionSize(rowHeight_);
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
    return (current.isValid() ? current.column() : 0) + fixedCols_;
}

int TarGrid::Row() const
{
    const QModelIndex current = currentIndex();
    return (current.isValid() ? current.row() : 0) + fixedRows_;
}

QRect TarGrid::Selection() const
{
    int left = Col() - fixedCols_;
    int top = Row() - fixedRows_;
    int right = left;
    int bottom = top;
    // Ranges, not indexes: a selected column of 40,000 rows is one range.
    for (const QItemSelectionRange& range : selectionModel()->selection()) {
        left = std::min(left, range.left());
        top = std::min(top, range.top());
        right = std::max(right, range.right());
        bottom = std::max(bottom, range.bottom());
    }
    return QRect(QPoint(left + fixedCols_, top + fixedRows_), QPoint(right + fixedCols_, bottom + fixedRows_));
}

void TarGrid::SetSelection(int left, int top, int right, int bottom)
{
    const QModelIndex topLeft = model_->index(top - fixedRows_, left - fixedCols_);
    const QModelIndex bottomRight = model_->index(bottom - fixedRows_, right - fixedCols_);
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
        col = columnAt(inView.x()) + fixedCols_;
    if (colHeader.isValid() && pos.y() >= colHeader.top() && pos.y() <= colHeader.bottom())
        row = 0;
    else if (pos.y() >= view.top() && pos.y() <= view.bottom() && rowAt(inView.y()) >= 0)
        row = rowAt(inView.y()) + fixedRows_;
}

QString TarGrid::GetEditText(qint32 col, qint32 row)
{
    return cells_.GetCell(col, row)->Text;
}

void TarGrid::SetEditText(qint32 col, qint32 row, const QString& value)
{
    cells_.GetCell(col, row)->SetText(value);
    model_->CellChanged(col, row);
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
    TextWidths widths(font());
    std::vector<std::pair<qreal, const QString*>> texts; // estimate, text; widest first below
    cells_.ForEachInRange(col, 0, col, rowCount_ - 1, [&](const TarCell& cell) {
        if (!cell.Text.isEmpty())
            texts.emplace_back(widths.Estimate(cell.Text), &cell.Text);
    });
    std::sort(texts.begin(), texts.end(), [](const auto& a, const auto& b) {
        return (a.first < 0 ? std::numeric_limits<qreal>::max() : a.first) > (b.first < 0 ? std::numeric_limits<qreal>::max() : b.first);
    });
    int width = 0;
    QSet<QStringView> measured;
    for (const auto& [estimate, text] : texts) {
        if (estimate >= 0 && estimate + 2 + estimate / 50 < width)
            break; // no text from here on can be wider
        if (!measured.contains(*text)) {
            measured.insert(*text);
            width = std::max(width, widths.Exact(*text));
        }
    }
    SetColWidths(col, width + 15);
}

void TarGrid::OptimalColWidths()
{
    {
        const BusyCursor busy;
        for (int col = 0; col < colCount_; ++col)
            AutoSizeColumn(col);
    }
    InvalidateGrid();
}

void TarGrid::DeleteCells(qint32 colFrom, qint32 rowFrom, qint32 colTo, qint32 rowTo)
{
    {
        const BusyCursor busy;
        cells_.DeleteRange(colFrom, rowFrom, colTo, rowTo);
    }
    InvalidateGrid();
}

void TarGrid::InvalidateGrid()
{
    viewport()->update();
    horizontalHeader()->viewport()->update();
    verticalHeader()->viewport()->update();
    if (corner_)
        corner_->update();
}

void TarGrid::PaintCorner(QPainter& painter, const QRect& rect) const
{
    DrawCellText(painter, rect, 0, fixedCols_ && fixedRows_ ? cells_.GetText(0, 0) : QString(), font(),
                 colors_.FixedBackgroundColor, colors_.FixedTextColor);
    DrawFixedEdges(painter, rect, GridLineColor(this));
}

bool TarGrid::OnFixedColEdge(const QWidget* widget, const QPoint& pos) const
{
    // A few pixels on either side of the edge: the end of the fixed column and of the corner,
    // the start of the fixed row beside them.
    constexpr int kGrip = 4;
    if (!fixedCols_)
        return false;
    if (widget == verticalHeader()->viewport() || widget == corner_)
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
    if (sizingFixedCol_) {
        if (type == QEvent::MouseMove) {
            // Never narrower than the grip, so that the edge can still be taken.
            const int right = widget->mapTo(this, pos).x();
            SetColWidths(0, std::max(right - verticalHeader()->x(), 5));
        } else if (type == QEvent::MouseButtonRelease && mouse->button() == Qt::LeftButton) {
            sizingFixedCol_ = false;
        }
        return true;
    }
    const bool onEdge = OnFixedColEdge(widget, pos);
    if (type == QEvent::MouseMove) {
        if (onEdge && edgeCursorOn_ != widget) {
            if (edgeCursorOn_)
                edgeCursorOn_->unsetCursor();
            widget->setCursor(Qt::SplitHCursor);
            edgeCursorOn_ = widget;
        } else if (!onEdge && edgeCursorOn_ == widget) {
            widget->unsetCursor();
            edgeCursorOn_ = nullptr;
        }
        return onEdge;
    }
    if (type == QEvent::MouseButtonRelease || mouse->button() != Qt::LeftButton || !onEdge)
        return false;
    sizingFixedCol_ = true;
    return true;
}

bool TarGrid::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == corner_ && event->type() == QEvent::Paint) {
        QPainter painter(corner_);
        PaintCorner(painter, corner_->rect());
        return true;
    }
    if ((watched == corner_ || watched == verticalHeader()->viewport() || watched == horizontalHeader()->viewport())
        && SizeFixedCol(static_cast<QWidget*>(watched), event))
        return true;
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
