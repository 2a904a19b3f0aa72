// Times the file list with 100,000 entries in the real list view: add, sort by each column,
// collect the checked paths and refresh the status line. Prints one line per step.
//
//   bench_filelist [COUNT]        (runs on the offscreen platform unless QT_QPA_PLATFORM is set)
#include "app/ui/FileListPanel.h"
#include "app/ui/TfrmMain.h"
#include "filelist/ui/FileListModel.h"
#include "settings/ui/SystemDesktop.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTableView>

#include <cstdio>
#include <ctime>
#include <random>

using namespace Qt::StringLiterals;

namespace {

// CPU seconds of this process for one step (wall time is printed too): on a busy machine the
// CPU time is the figure that compares.
double lastWall = 0;
template <class F> double seconds(F&& f)
{
    QElapsedTimer t;
    t.start();
    const std::clock_t c0 = std::clock();
    f();
    QApplication::processEvents();
    lastWall = double(t.nsecsElapsed()) / 1e9;
    return double(std::clock() - c0) / CLOCKS_PER_SEC;
}

template <class F> void report(const char* label, F&& f)
{
    const double cpu = seconds(std::forward<F>(f));
    std::printf("%s%.3f s cpu, %.3f s wall\n", label, cpu, lastWall);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 100000;
    SystemDesktop desktop;
    TfrmMain window(desktop);
    window.show();
    QApplication::processEvents();
    FileListPanel& list = *window.findChild<FileListPanel*>();

    std::mt19937 rng(42);
    std::uniform_int_distribution<int> pick(0, 999999);
    std::vector<FileEntry> entries;
    entries.reserve(size_t(count));
    for (int i = 0; i < count; ++i) {
        const QString dirName = QStringLiteral("/srv/cad/projekt-%1/sklop-%2").arg(pick(rng) % 500).arg(pick(rng) % 40);
        const QString name = QStringLiteral("del-%1-%2.dft").arg(pick(rng)).arg(i);
        entries.push_back(EntryByPathRule(dirName + u'/' + name, i % 3 != 0));
    }

    std::printf("entries: %d\n", count);
    report("add:            ", [&] { window.FileList()->AppendEntries(entries); });
    report("sort File name: ", [&] { list.lvFilesColumnClick(0); });
    report("sort Dir:       ", [&] { list.lvFilesColumnClick(1); });
    {
        FileList copy = window.FileList()->List();
        copy.SetSortColumn(FileList::FileNameColumn);
        report("engine sort File name (no view): ", [&] { copy.Sort(); });
        copy.SetSortColumn(FileList::DirColumn);
        report("engine sort Dir (no view):       ", [&] { copy.Sort(); });
    }
    QStringList paths;
    const double collect = seconds([&] { window.CollectCheckedFiles(paths); });
    std::printf("collect:        %.3f s cpu, %.3f s wall (%lld paths)\n", collect, lastWall,
                static_cast<long long>(paths.size()));
    report("status:         ", [&] { list.UpdateFileListStatus(); });
    report("enabling rules: ", [&] { window.ActionManagerUpdate(); });
    report("select all:     ", [&] { list.actSelectAllFilesExecute(); });
    return 0;
}
