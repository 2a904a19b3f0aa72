// Undo and redo of cell changes.

#include "widgets/CellHistory.h"

#include <gtest/gtest.h>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

// Texts and changed flags of a 3 x 3 block, row by row: "text*" for a changed cell, "-" where
// the store has no cell (a deleted cell is saved differently from an empty one).
QStringList State(const TarCells& cells)
{
    QStringList state;
    for (qint32 row = 1; row <= 3; ++row)
        for (qint32 col = 1; col <= 3; ++col) {
            TarCell* cell = nullptr;
            const bool found = cells.Find(col, row, cell);
            state.append(found ? cell->text + (cell->changed ? u"*"_s : u""_s) : u"-"_s);
        }
    return state;
}

void Load(TarCells& cells)
{
    for (qint32 row = 1; row <= 3; ++row)
        for (qint32 col = 1; col <= 2; ++col) // column 3 has no cells
            cells.GetCell(col, row)->text = u"r%1c%2"_s.arg(row).arg(col);
}

} // namespace

TEST(CellHistory, UndoingEveryKindOfStepLeavesNothingChangedAndRedoRepeatsIt)
{
    using Step = std::function<CellStep(TarCells&)>;
    const Step steps[] = {
        // A planned bulk change (paste, replace, fill), writing one cell twice and a missing one.
        [](TarCells& cells) {
            return ApplyCellWrites(cells, {{1, 1, u"x"_s}, {3, 2, u"new"_s}, {1, 1, u"y"_s}});
        },
        // Typing into a cell changed by the step before.
        [](TarCells& cells) {
            CellStepRecorder recorder(cells);
            recorder.Touch(1, 1);
            cells.GetCell(1, 1)->SetText(u"typed"_s);
            return recorder.Finish();
        },
        // Deleting cells, and touching one that stays as it was.
        [](TarCells& cells) {
            CellStepRecorder recorder(cells);
            for (qint32 row = 1; row <= 3; ++row)
                recorder.Touch(2, row);
            recorder.Touch(1, 3);
            cells.DeleteRange(2, 1, 2, 3);
            return recorder.Finish();
        },
        // A change of unknown cells (a property set read in): one cell goes, one comes, one
        // changes, one is set to its own text.
        [](TarCells& cells) {
            CellRangeRecorder recorder(cells, 1, 1, 3, 3);
            cells.DeleteAt({{1, 2}});
            cells.GetCell(3, 3)->SetText(u"came"_s);
            cells.GetCell(1, 3)->SetText(u"r3c1"_s);
            cells.GetCell(1, 1)->text = u"typed again"_s;
            return recorder.Finish();
        },
    };
    TarCells cells;
    Load(cells);
    const QStringList loaded = State(cells);
    CellHistory history;
    std::vector<QStringList> after;
    for (const Step& step : steps) {
        CellStep recorded = step(cells);
        EXPECT_GT(recorded.Bytes(), recorded.changes.size() * sizeof(CellChange));
        history.Push(std::move(recorded));
        after.push_back(State(cells));
    }
    EXPECT_EQ(after[0][0], u"y*"_s);
    EXPECT_EQ(after[2][1], u"-"_s); // deleted
    EXPECT_EQ(after[3], (QStringList{u"typed again*"_s, u"-"_s, u"-"_s, u"-"_s, u"-"_s, u"new*"_s, u"r3c1*"_s, u"-"_s,
                                     u"came*"_s}));
    for (std::size_t i = std::size(steps); i-- > 0;) {
        EXPECT_EQ(State(cells), after[i]);
        ASSERT_TRUE(history.Undo(cells));
    }
    EXPECT_EQ(State(cells), loaded);
    EXPECT_FALSE(history.Undo(cells));
    for (const QStringList& state : after) {
        ASSERT_TRUE(history.Redo(cells));
        EXPECT_EQ(State(cells), state);
    }
    EXPECT_FALSE(history.Redo(cells));
}

TEST(CellHistory, NewStepDropsRedoAndOldestStepsGoPastTheLimit)
{
    TarCells cells;
    CellHistory history(1);                          // every step is over the limit
    history.Push(ApplyCellWrites(cells, {}));        // empty: not kept
    EXPECT_FALSE(history.CanUndo());
    history.Push(ApplyCellWrites(cells, {{1, 1, u"a"_s}}));
    history.Push(ApplyCellWrites(cells, {{1, 1, u"b"_s}}));
    EXPECT_EQ(history.StepCount(), 1u);              // the newest one stays
    EXPECT_TRUE(history.Undo(cells));
    EXPECT_EQ(cells.GetText(1, 1), u"a"_s);
    EXPECT_FALSE(history.CanUndo());

    CellHistory unlimited;
    unlimited.Push(ApplyCellWrites(cells, {{1, 1, u"c"_s}}));
    unlimited.Push(ApplyCellWrites(cells, {{1, 1, u"d"_s}}));
    unlimited.Undo(cells);
    const std::size_t bytes = unlimited.Bytes();
    unlimited.Push(ApplyCellWrites(cells, {{1, 1, u"e"_s}}));
    EXPECT_FALSE(unlimited.CanRedo());
    EXPECT_EQ(unlimited.StepCount(), 2u);
    EXPECT_EQ(unlimited.Bytes(), bytes);              // "d" replaced by a step of the same size
}
