#pragma once
// Undo and redo of changes to `TarCells`. One step holds every cell one user command changed
// (typing, a paste, a replace, a fill, an import), each with its text and `changed` flag before
// and after, so undoing restores the flags too: undoing back to the loaded state leaves no cell
// changed and nothing to save.
//
// Two ways to record a step:
//
//     CellStep step = ApplyCellWrites(cells, plan.writes);   // a planned bulk change
//     history.Push(std::move(step));
//
//     CellStepRecorder recorder(cells);                      // any other change
//     recorder.Touch(col, row);                              // before changing that cell
//     ... change the cells ...
//     history.Push(recorder.Finish());
//
//     CellRangeRecorder range(cells, 1, 1, cols - 1, rows - 1); // a change of unknown cells
//
// The history keeps at most `MaxBytes()` of steps (the newest step always), dropping the
// oldest first.

#include "common/TarCells.h"
#include "widgets/CellEdits.h"

#include <QSet>
#include <QString>

#include <cstddef>
#include <deque>
#include <vector>

// A cell's state before and after: `present` false when the store held no cell there (a
// deleted cell is not an empty one: the property editor saves them differently).
struct CellChange {
    qint32 col = 0;
    qint32 row = 0;
    QString oldText;
    QString newText;
    bool oldChanged = false;
    bool newChanged = false;
    bool oldPresent = true;
    bool newPresent = true;
};

struct CellStep {
    std::vector<CellChange> changes;
    // Memory the step holds: its changes and the characters of their texts (texts shared with
    // the cells are counted as if they were not).
    std::size_t Bytes() const;
    bool Empty() const { return changes.empty(); }
};

// Sets each write's text and marks its cell changed (the cell is created when missing); returns
// the step that undoes it.
CellStep ApplyCellWrites(TarCells& cells, const std::vector<CellWrite>& writes);

// Records the state of the cells a change is about to touch, then their state after it.
class CellStepRecorder {
public:
    explicit CellStepRecorder(TarCells& cells) : m_cells(cells) {}
    // Remembers the cell's text and flag now; a cell touched twice keeps the first state.
    void Touch(qint32 col, qint32 row);
    // The step from the remembered states to the cells' states now; cells whose text and flag
    // did not change are left out.
    CellStep Finish();

private:
    TarCells& m_cells;
    std::vector<CellChange> m_changes;
    QSet<qint64> m_touched;
};

// Records a change that may create, change or delete any cell of a rectangle, made by code that
// does not say which cells it touches (reading a property set, deleting a selection): a copy of
// the rectangle's cells before, compared with them after. The texts are shared, not copied.
class CellRangeRecorder {
public:
    CellRangeRecorder(TarCells& cells, qint32 colFrom, qint32 rowFrom, qint32 colTo, qint32 rowTo);
    CellStep Finish();

private:
    struct Before {
        qint32 col;
        qint32 row;
        QString text;
        bool changed;
    };
    TarCells& m_cells;
    qint32 m_colFrom, m_rowFrom, m_colTo, m_rowTo;
    std::vector<Before> m_before; // in (column, row) order
};

class CellHistory {
public:
    static constexpr std::size_t kDefaultMaxBytes = std::size_t(256) << 20;

    explicit CellHistory(std::size_t maxBytes = kDefaultMaxBytes) : m_maxBytes(maxBytes) {}

    // Adds a step (nothing for an empty one) and forgets every step that could be redone.
    void Push(CellStep step);
    bool CanUndo() const { return m_done > 0; }
    bool CanRedo() const { return m_done < m_steps.size(); }
    // Puts the cells of the newest done step back to their old texts and flags; false when
    // there is nothing to undo.
    bool Undo(TarCells& cells);
    bool Redo(TarCells& cells);
    void Clear();
    std::size_t StepCount() const { return m_steps.size(); }
    std::size_t Bytes() const { return m_bytes; }
    std::size_t MaxBytes() const { return m_maxBytes; }

private:
    void Trim();

    struct Entry {
        CellStep step;
        std::size_t bytes = 0;
    };
    std::deque<Entry> m_steps;
    std::size_t m_done = 0; // steps 0..m_done-1 are done
    std::size_t m_bytes = 0;
    std::size_t m_maxBytes;
};
