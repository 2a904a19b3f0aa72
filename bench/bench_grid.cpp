// Times the property grid with 40,000 rows and 30 columns (1.2 million cells): adding the cells
// in random order, the first lookup (which sorts), 1.2 million lookups, the header text index,
// painting one screen scrolled to the middle, editing one empty cell, deleting a selection and
// fitting every column. Prints one line per step and the peak resident size.
//
//   bench_grid [ROWS] [COLS]      (runs on the offscreen platform unless QT_QPA_PLATFORM is set;
//                                 the peak resident size as the system counts it)
#include "platform/ProcessMemory.h"
#include "widgets/ui/TarGrid.h"

#include <QApplication>
#include "TitleBlockText.h"

#include <QElapsedTimer>
#include <QPixmap>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <random>

using benchtext::CellText;
using namespace Qt::StringLiterals;

namespace {

double lastWall = 0;
template <class F> double seconds(F&& f)
{
    QElapsedTimer t;
    t.start();
    const std::clock_t c0 = std::clock();
    f();
    lastWall = double(t.nsecsElapsed()) / 1e9;
    return double(std::clock() - c0) / CLOCKS_PER_SEC;
}

template <class F> void report(const char* label, F&& f)
{
    const double cpu = seconds(std::forward<F>(f));
    std::printf("%-44s %.3f s cpu, %.3f s wall\n", label, cpu, lastWall);
    std::fflush(stdout);
}

long peakKb()
{
    return long(platform::PeakResidentBytes() / 1024);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rows = argc > 1 ? std::atoi(argv[1]) : 40000;
    const int cols = argc > 2 ? std::atoi(argv[2]) : 30;

    TarGrid grid;
    grid.resize(1280, 900);
    grid.GridColors().backgroundColor2 = QColor(0xF4, 0xFA, 0xFF);
    grid.SetColCount(cols + 1);
    grid.SetRowCount(rows + 1);
    grid.show();
    QApplication::processEvents();
    const long baseKb = peakKb();

    std::mt19937 rng(42);
    std::vector<std::pair<int, int>> positions;
    positions.reserve(std::size_t(rows) * std::size_t(cols));
    for (int c = 1; c <= cols; ++c)
        for (int r = 1; r <= rows; ++r)
            positions.emplace_back(c, r);
    std::shuffle(positions.begin(), positions.end(), rng);
    std::vector<QString> texts;
    texts.reserve(positions.size());
    for (std::size_t i = 0; i < positions.size(); ++i)
        texts.push_back(CellText(rng));

    TarCells& cells = grid.CellsObject();
    std::printf("%d rows x %d columns = %zu cells\n", rows, cols, positions.size());
    report("add cells in random order", [&] {
        for (std::size_t i = 0; i < positions.size(); ++i) {
            auto cell = std::make_unique<TarCell>(positions[i].first, positions[i].second);
            cell->SetText(texts[i]);
            cells.Add(std::move(cell));
        }
    });
    texts = {};
    TarCell* found = nullptr;
    report("first Find (sorts)", [&] { cells.Find(cols / 2, rows / 2, found); });
    for (int c = 1; c <= cols; ++c)
        cells.GetCell(c, 0)->SetText(u"Property %1"_s.arg(c));
    std::size_t hits = 0;
    report("1,200,000 lookups (Find)", [&] {
        for (int i = 0; i < 1200000; ++i) {
            const auto& [c, r] = positions[std::size_t(i) % positions.size()];
            hits += cells.Find(c, r, found) ? 1 : 0;
        }
    });
    report("BuildTextIndex over the header row", [&] { cells.BuildTextIndex(1, 0, cols, 0); });
    qint32 col = 0, row = 0;
    report("1,000 FindText", [&] {
        for (int i = 0; i < 1000; ++i)
            hits += cells.FindText(u"property %1"_s.arg(i % cols + 1), col, row) ? 1 : 0;
    });
    cells.ClearTextIndex();
    cells.ClearChanged();

    grid.scrollTo(grid.model()->index(rows / 2, cols / 2), QAbstractItemView::PositionAtCenter);
    QApplication::processEvents();
    report("paint one screen scrolled to the middle", [&] { (void)grid.grab(); });
    report("edit an empty cell, then paint", [&] {
        cells.DeleteRange(cols / 2, rows / 2, cols / 2, rows / 2);
        grid.SetEditText(cols / 2, rows / 2, u"12.5"_s);
        (void)grid.grab();
    });
    report("fill an empty column of 40,000 cells", [&] {
        cells.DeleteRange(3, 1, 3, rows);
        for (int r = 1; r <= rows; ++r)
            grid.Cell(3, r)->SetText(u"S355J2"_s);
    });
    report("delete a 100 x 5 selection", [&] { grid.DeleteCells(5, 100, 9, 199); });
    report("OptimalColWidths over every cell", [&] { grid.OptimalColWidths(); });

    const long peak = peakKb();
    std::printf("lookups found %zu\n", hits);
    std::printf("peak resident size %.1f MB (%.1f MB before the cells were added)\n", double(peak) / 1024.0,
                double(baseKb) / 1024.0);
    return 0;
}
