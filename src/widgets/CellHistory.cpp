#include "widgets/CellHistory.h"

#include <QSet>

#include <algorithm>

#include <utility>

namespace {

// Puts one cell into a state; a cell that must not be there is added to `deleted` instead, so
// that a step deletes all of its cells in one pass over the store.
void Restore(TarCells& cells, qint32 col, qint32 row, const QString& text, bool changed, bool present,
             std::vector<std::pair<qint32, qint32>>& deleted)
{
    if (!present) {
        deleted.emplace_back(col, row);
        return;
    }
    TarCell* cell = nullptr;
    if (!cells.Find(col, row, cell)) {
        // A cell that did not exist reads as empty and unchanged; nothing to create for that.
        if (text.isEmpty() && !changed)
            return;
        cell = cells.GetCell(col, row);
    }
    cell->text = text;
    cell->changed = changed;
}

qint64 PositionKey(qint32 col, qint32 row)
{
    return (qint64(col) << 32) | quint32(row);
}

} // namespace

std::size_t CellStep::Bytes() const
{
    std::size_t bytes = sizeof(CellStep) + changes.capacity() * sizeof(CellChange);
    for (const CellChange& change : changes)
        bytes += std::size_t(change.oldText.size() + change.newText.size()) * sizeof(QChar);
    return bytes;
}

CellStep ApplyCellWrites(TarCells& cells, const std::vector<CellWrite>& writes)
{
    CellStep step;
    step.changes.reserve(writes.size());
    // A cell written twice gets two changes, each from the state just before it: undo walks
    // them backwards and redo forwards, so both end right without looking for repeats.
    for (const CellWrite& write : writes) {
        TarCell* cell = nullptr;
        const bool present = cells.Find(write.col, write.row, cell);
        if (!present)
            cell = cells.GetCell(write.col, write.row);
        // The old text moves into the step and the cell shares the new one: no text is copied.
        CellChange& change = step.changes.emplace_back(
            CellChange{write.col, write.row, std::move(cell->text), write.text, cell->changed, true, present, true});
        cell->text = change.newText;
        cell->changed = true;
    }
    return step;
}

void CellStepRecorder::Touch(qint32 col, qint32 row)
{
    const qint64 key = PositionKey(col, row);
    if (m_touched.contains(key))
        return;
    m_touched.insert(key);
    TarCell* cell = nullptr;
    if (m_cells.Find(col, row, cell))
        m_changes.push_back({col, row, cell->text, QString(), cell->changed, false, true, false});
    else
        m_changes.push_back({col, row, QString(), QString(), false, false, false, false});
}

CellStep CellStepRecorder::Finish()
{
    CellStep step;
    for (CellChange& change : m_changes) {
        TarCell* cell = nullptr;
        if (m_cells.Find(change.col, change.row, cell)) {
            change.newText = cell->text;
            change.newChanged = cell->changed;
            change.newPresent = true;
        }
        if (change.newText != change.oldText || change.newChanged != change.oldChanged
            || change.newPresent != change.oldPresent)
            step.changes.push_back(std::move(change));
    }
    m_changes.clear();
    m_touched.clear();
    return step;
}

CellRangeRecorder::CellRangeRecorder(TarCells& cells, qint32 colFrom, qint32 rowFrom, qint32 colTo, qint32 rowTo)
    : m_cells(cells), m_colFrom(colFrom), m_rowFrom(rowFrom), m_colTo(colTo), m_rowTo(rowTo)
{
    const qint64 area = (qint64(colTo) - colFrom + 1) * (qint64(rowTo) - rowFrom + 1);
    if (area > 0)
        m_before.reserve(static_cast<std::size_t>(std::min<qint64>(area, m_cells.Count())));
    m_cells.ForEachInRange(colFrom, rowFrom, colTo, rowTo, [this](const TarCell& cell) {
        m_before.push_back({cell.col, cell.row, cell.text, cell.changed});
    });
}

CellStep CellRangeRecorder::Finish()
{
    // Both lists are in (column, row) order: one merge finds the cells that went, came or
    // changed.
    CellStep step;
    auto before = m_before.begin();
    const auto differs = [](const Before& b, const TarCell& c) { return b.changed != c.changed || b.text != c.text; };
    const auto gone = [&step](const Before& b) {
        step.changes.push_back({b.col, b.row, b.text, QString(), b.changed, false, true, false});
    };
    m_cells.ForEachInRange(m_colFrom, m_rowFrom, m_colTo, m_rowTo, [&](const TarCell& cell) {
        const auto at = [&cell](const Before& b) { return std::pair(b.col, b.row) < std::pair(cell.col, cell.row); };
        for (; before != m_before.end() && at(*before); ++before)
            gone(*before);
        if (before != m_before.end() && before->col == cell.col && before->row == cell.row) {
            if (differs(*before, cell))
                step.changes.push_back({cell.col, cell.row, before->text, cell.text, before->changed, cell.changed});
            ++before;
        } else {
            step.changes.push_back({cell.col, cell.row, QString(), cell.text, false, cell.changed, false, true});
        }
    });
    for (; before != m_before.end(); ++before)
        gone(*before);
    m_before.clear();
    return step;
}

void CellHistory::Push(CellStep step)
{
    if (step.Empty())
        return;
    while (m_steps.size() > m_done) {
        m_bytes -= m_steps.back().bytes;
        m_steps.pop_back();
    }
    const std::size_t bytes = step.Bytes();
    m_steps.push_back({std::move(step), bytes});
    m_bytes += bytes;
    ++m_done;
    Trim();
}

bool CellHistory::Undo(TarCells& cells)
{
    if (!CanUndo())
        return false;
    const CellStep& step = m_steps[--m_done].step;
    std::vector<std::pair<qint32, qint32>> deleted;
    // Backwards, so that a cell listed twice ends with its oldest state.
    for (auto it = step.changes.rbegin(); it != step.changes.rend(); ++it)
        Restore(cells, it->col, it->row, it->oldText, it->oldChanged, it->oldPresent, deleted);
    cells.DeleteAt(std::move(deleted));
    return true;
}

bool CellHistory::Redo(TarCells& cells)
{
    if (!CanRedo())
        return false;
    std::vector<std::pair<qint32, qint32>> deleted;
    for (const CellChange& change : m_steps[m_done++].step.changes)
        Restore(cells, change.col, change.row, change.newText, change.newChanged, change.newPresent, deleted);
    cells.DeleteAt(std::move(deleted));
    return true;
}

void CellHistory::Clear()
{
    m_steps.clear();
    m_done = 0;
    m_bytes = 0;
}

void CellHistory::Trim()
{
    while (m_bytes > m_maxBytes && m_steps.size() > 1) {
        m_bytes -= m_steps.front().bytes;
        m_steps.pop_front();
        if (m_done > 0)
            --m_done;
    }
}
