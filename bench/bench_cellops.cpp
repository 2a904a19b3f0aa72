// Times the grid's bulk cell operations over 40,000 rows and 20 columns (800,000 cells) in the
// cell store alone: a paste of a 40,000-row block (reading the text, planning, writing), replace
// all with a regular expression, fill by pattern, the undo of each, a filter over every column
// and a sort by a column of mixed numbers, dates and texts. Prints one line per step and the
// undo history's bytes for each operation. Then the same through the grid control the editor
// shows (offscreen): writes and undo with the column widths fitted and the changed cells
// counted, a delete recorded by comparing the cells before and after, and the view's rows set
// to a filter, a sort and all rows again.
//
//   bench_cellops [ROWS] [COLS]
#include "widgets/CellHistory.h"
#include "widgets/CellReplace.h"
#include "widgets/FillPattern.h"
#include "widgets/PastePlan.h"
#include "widgets/RowOrder.h"
#include "widgets/TabText.h"
#include "widgets/ui/TarGrid.h"

#include "TitleBlockText.h"

#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>

using benchtext::CellText;
using namespace Qt::StringLiterals;

namespace {

template <class F> void Report(const char* label, F&& f)
{
    QElapsedTimer timer;
    timer.start();
    const std::clock_t cpu = std::clock();
    f();
    std::printf("%-40s %.3f s cpu, %.3f s wall\n", label, double(std::clock() - cpu) / CLOCKS_PER_SEC,
                double(timer.nsecsElapsed()) / 1e9);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const qint32 rows = argc > 1 ? std::atoi(argv[1]) : 40000;
    const qint32 cols = argc > 2 ? std::atoi(argv[2]) : 20;
    std::printf("%d rows x %d columns\n", rows, cols);

    // Column 0 the row labels, row 0 the headers, cells 1..cols x 1..rows loaded.
    TarCells cells;
    std::mt19937 rng(42);
    QStringList headers{QString()};
    for (qint32 col = 1; col <= cols; ++col) {
        headers.append(u"Prop%1"_s.arg(col));
        cells.GetCell(col, 0)->text = headers.back();
    }
    std::vector<qint32> allRows;
    for (qint32 row = 1; row <= rows; ++row) {
        allRows.push_back(row);
        auto label = std::make_unique<TarCell>(0, row);
        label->text = QString::number(row);
        label->data = u"/work/Frames/part%1.par"_s.arg(row);
        cells.Add(std::move(label));
        for (qint32 col = 1; col <= cols; ++col) {
            auto cell = std::make_unique<TarCell>(col, row);
            cell->text = CellText(rng);
            cells.Add(std::move(cell));
        }
    }
    cells.GetText(0, 0); // the first lookup sorts
    const CellArea all{1, cols, allRows};
    const CellEditable editable = [](qint32, qint32) { return true; };
    CellHistory history;

    const auto undo = [&](const char* label) {
        std::printf("  undo history: %.1f MB for that step\n", double(history.Bytes()) / 1048576.0);
        Report(label, [&] { history.Undo(cells); });
        history.Clear();
    };

    // Paste: a block of other texts, as a spreadsheet would put it on the clipboard.
    TextBlock block;
    for (qint32 row = 0; row < rows; ++row) {
        QStringList line;
        for (qint32 col = 0; col < cols; ++col)
            line.append(CellText(rng));
        block.push_back(line);
    }
    const QString clipboard = FormatTabText(block);
    TextBlock parsed;
    PastePlan pastePlan;
    Report("paste: read the text", [&] { parsed = ParseTabText(clipboard); });
    Report("paste: plan", [&] { pastePlan = PlanPaste(parsed, cells, {{1, 1, {1}}, allRows, 1, cols + 1}, editable); });
    Report("paste: write", [&] { history.Push(ApplyCellWrites(cells, pastePlan.writes)); });
    std::printf("  %zu cells written\n", pastePlan.writes.size());
    undo("paste: undo");

    ReplacePlan replacePlan;
    Report("replace all: plan", [&] {
        replacePlan = PlanReplace(cells, all, {u"Part (\\d+) rev"_s, u"P-\\1 rev."_s, true}, editable);
    });
    Report("replace all: write", [&] { history.Push(ApplyCellWrites(cells, replacePlan.writes)); });
    std::printf("  %zu cells written\n", replacePlan.writes.size());
    undo("replace all: undo");

    FillPattern pattern;
    QString error;
    if (!pattern.Parse(u"{base}-{col:Prop1}-{#:5}"_s, headers, error)) {
        std::printf("%s\n", qPrintable(error));
        return 1;
    }
    FillPlan fillPlan;
    const RowFilePath filePath = [&](qint32 row) { return cells.GetData(0, row); };
    Report("fill: plan", [&] { fillPlan = PlanFill(pattern, cells, {2, cols, allRows}, filePath, editable); });
    Report("fill: write", [&] { history.Push(ApplyCellWrites(cells, fillPlan.writes)); });
    std::printf("  %zu cells written\n", fillPlan.writes.size());
    undo("fill: undo");

    std::vector<qint32> shown;
    Report("filter: every column", [&] { shown = FilterRows(cells, allRows, 1, cols, u"galv"_s); });
    std::printf("  %s\n", qPrintable(ShowingText(qsizetype(shown.size()), qsizetype(allRows.size()))));
    std::vector<qint32> sorted;
    Report("sort: one column, ascending", [&] { sorted = SortRows(cells, allRows, 1, Qt::AscendingOrder); });
    Report("sort: again, descending", [&] { sorted = SortRows(cells, sorted, 1, Qt::DescendingOrder); });

    std::printf("through the grid control:\n");
    TarGrid grid;
    grid.resize(1200, 800);
    grid.SetColCount(cols + 1);
    grid.SetRowCount(rows + 1);
    for (qint32 row = 0; row <= rows; ++row)
        for (qint32 col = 0; col <= cols; ++col) {
            auto cell = std::make_unique<TarCell>(col, row);
            cell->text = cells.GetText(col, row);
            cell->data = cells.GetData(col, row);
            grid.CellsObject().Add(std::move(cell));
        }
    grid.CellsObject().ClearChanged();
    grid.OptimalColWidths(); // as the editor fits them when it loads
    grid.show();
    QApplication::processEvents();
    const auto countChanged = [&] {
        int changed = 0;
        grid.CellsObject().ForEachInRange(1, 1, cols, rows, [&](const TarCell& c) { changed += c.changed ? 1 : 0; });
        return changed;
    };
    const auto painted = [&] { QApplication::processEvents(); };
    Report("paste: write, fit, count, paint", [&] {
        grid.ApplyWrites(pastePlan.writes);
        std::printf("  %d cells changed\n", countChanged());
        painted();
    });
    std::printf("  undo history: %.1f MB for that step\n", double(grid.History().Bytes()) / 1048576.0);
    Report("paste: undo, count, paint", [&] {
        grid.Undo();
        std::printf("  %d cells changed\n", countChanged());
        painted();
    });
    // The common paste: one column of 40,000 values, from the text to the painted grid.
    TextBlock columnBlock;
    for (qint32 row = 0; row < rows; ++row)
        columnBlock.push_back({CellText(rng)});
    const QString columnText = FormatTabText(columnBlock);
    Report("paste one column: read, plan, write, paint", [&] {
        const PastePlan plan = PlanPaste(ParseTabText(columnText), grid.CellsObject(), {{2, 2, {1}}, allRows, 1, cols + 1}, editable);
        grid.ApplyWrites(plan.writes);
        std::printf("  %zu cells written\n", plan.writes.size());
        painted();
    });
    std::printf("  undo history: %.1f MB in all\n", double(grid.History().Bytes()) / 1048576.0);
    Report("paste one column: undo", [&] {
        grid.Undo();
        painted();
    });
    Report("delete a column: record, delete, compare", [&] {
        CellRangeRecorder recorder(grid.CellsObject(), 3, 1, 3, rows); // the editor records what a delete reaches
        std::vector<std::pair<qint32, qint32>> gone;
        for (qint32 row = 1; row <= rows; ++row)
            gone.emplace_back(3, row);
        grid.CellsObject().DeleteAt(std::move(gone));
        grid.RecordStep(recorder.Finish());
        painted();
    });
    Report("delete a column: undo", [&] {
        grid.Undo();
        painted();
    });
    Report("view: filtered rows", [&] {
        grid.SetShownRows(FilterRows(grid.CellsObject(), allRows, 0, cols, u"galv"_s));
        painted();
    });
    Report("view: sorted rows", [&] {
        grid.SetShownRows(SortRows(grid.CellsObject(), allRows, 1, Qt::AscendingOrder));
        painted();
    });
    Report("view: all rows again", [&] {
        grid.ShowAllRows();
        painted();
    });
    return 0;
}
