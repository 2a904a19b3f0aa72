#include "widgets/CellHistory.h"

#include <QSet>

#include <utility>

namespace {

void Restore(TarCells& cells, qint32 col, qint32 row, const QString& text, bool changed)
{
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
        TarCell* cell = cells.GetCell(write.col, write.row);
        step.changes.push_back({write.col, write.row, cell->text, write.text, cell->changed, true});
        cell->SetText(write.text);
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
        m_changes.push_back({col, row, cell->text, QString(), cell->changed, false});
    else
        m_changes.push_back({col, row, QString(), QString(), false, false});
}

CellStep CellStepRecorder::Finish()
{
    CellStep step;
    for (CellChange& change : m_changes) {
        TarCell* cell = nullptr;
        if (m_cells.Find(change.col, change.row, cell)) {
            change.newText = cell->text;
            change.newChanged = cell->changed;
        }
        if (change.newText != change.oldText || change.newChanged != change.oldChanged)
            step.changes.push_back(std::move(change));
    }
    m_changes.clear();
    m_touched.clear();
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
    // Backwards, so that a cell listed twice ends with its oldest state.
    for (auto it = step.changes.rbegin(); it != step.changes.rend(); ++it)
        Restore(cells, it->col, it->row, it->oldText, it->oldChanged);
    return true;
}

bool CellHistory::Redo(TarCells& cells)
{
    if (!CanRedo())
        return false;
    for (const CellChange& change : m_steps[m_done++].step.changes)
        Restore(cells, change.col, change.row, change.newText, change.newChanged);
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
