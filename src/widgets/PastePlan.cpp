#include "widgets/PastePlan.h"

#include "widgets/CellTextTable.h"

#include <algorithm>

namespace {

void Plan(PastePlan& plan, const CellTextTable& cells, const CellEditable& editable, qint32 col, qint32 row,
          const QString& text)
{
    if (!MayEdit(editable, col, row)) {
        ++plan.refused;
        return;
    }
    if (cells.Text(col, row) == text) {
        ++plan.unchanged;
        return;
    }
    plan.writes.push_back({col, row, text});
}

} // namespace

PastePlan PlanPaste(const TextBlock& block, const TarCells& cells, const PasteTarget& target, const CellEditable& editable)
{
    PastePlan plan;
    const CellArea& selection = target.selection;
    if (block.empty() || selection.rows.empty())
        return plan;
    const qint32 left = std::max(selection.left, target.firstColumn);
    const bool single = block.size() == 1 && block.front().size() == 1;
    const qint64 selectedCells = qint64(selection.rows.size()) * std::max(0, selection.right - left + 1);
    if (single && selectedCells > 1) {
        const QString& value = block.front().front();
        const qint32 right = std::min(selection.right, target.colCount - 1);
        const CellTextTable texts(cells, left, right, selection.rows);
        plan.writes.reserve(selection.rows.size() * std::size_t(std::max(0, right - left + 1)));
        for (const qint32 row : selection.rows)
            for (qint32 col = left; col <= right && row >= target.firstRow; ++col)
                Plan(plan, texts, editable, col, row, value);
        return plan;
    }

    auto current = std::find(target.shownRows.begin(), target.shownRows.end(), selection.rows.front());
    if (selection.rows.front() < target.firstRow)
        current = target.shownRows.begin();
    const std::size_t start = std::size_t(current - target.shownRows.begin());
    qsizetype width = 0;
    for (const QStringList& row : block)
        width = std::max(width, row.size());
    const std::size_t end = std::min(target.shownRows.size(), start + block.size());
    const std::vector<qint32> rows(target.shownRows.begin() + std::ptrdiff_t(start), target.shownRows.begin() + std::ptrdiff_t(end));
    const CellTextTable texts(cells, left, std::min(qint32(left + width - 1), target.colCount - 1), rows);
    plan.writes.reserve(rows.size() * std::size_t(width));
    for (std::size_t r = 0; r < block.size(); ++r) {
        const QStringList& values = block[r];
        const bool rowInside = start + r < target.shownRows.size();
        for (qsizetype c = 0; c < width; ++c) {
            const qint64 col = qint64(left) + c;
            if (!rowInside || col >= target.colCount) {
                ++plan.clipped;
                continue;
            }
            Plan(plan, texts, editable, qint32(col), target.shownRows[start + r], c < values.size() ? values[c] : QString());
        }
    }
    return plan;
}
