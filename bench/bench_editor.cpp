// The property editor's data path on generated documents; prints its figures.
//
//   bench_editor [WORK_DIR] [DOCUMENTS] [window]   (default: a folder under the system's temporary
//                                                   folder, 40,000 documents)
//
// With `window`, only the editor window's load is timed, in a process that holds nothing else,
// so that its peak resident memory is the window's own.
//
// 1. Fills the editor's grid for every document (20 custom properties each, 20 columns), warm
//    cache: reading the documents, filling the cell store and sorting it for the first lookup.
//    Then the same through the editor window (offscreen), which also fits the column widths.
// 2. Changes one cell in 1,000 rows and saves: each document written in place, durable and
//    crash-safe, by the apply step on its default number of threads and on one thread.
// 3. Saves a property set of 1,000 rows x 20 columns into a new file and again into that file,
//    then reads it and puts it into the grid.
// 4. Documents that also carry the summary information and project information sets (in a
//    folder of their own): the grid filled with the 20 custom columns alone and with four
//    columns of the documents' own properties after them, alternating rounds, medians; their
//    ratio, and the bytes read per document (the OS's count of the process, Linux only).

#include "GeneratedDocuments.h"

#include "properties/DocumentChanges.h"
#include "properties/PropertyGrid.h"
#include "properties/PropertySetFile.h"
#include "properties/ui/TfrmChangeCustomProp.h"
#include "platform/ProcessMemory.h"
#include "settings/ui/SystemDesktop.h"
#include "widgets/ui/TarGrid.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using namespace benchdocs;
using namespace Qt::StringLiterals;

namespace {

double Seconds(const QElapsedTimer& t)
{
    return static_cast<double>(t.nsecsElapsed()) / 1e9;
}

// Bytes this process has read through system calls so far, as /proc/self/io counts them (its
// threads, finished ones too); -1 where there is no such count.
long long BytesRead()
{
    std::ifstream io("/proc/self/io");
    for (std::string key; io >> key;) {
        long long value = 0;
        io >> value;
        if (key == "rchar:")
            return value;
    }
    return -1;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Processor seconds of this process: on a machine shared with other work, the figure that compares.
double CpuSeconds()
{
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::filesystem::path work = argc > 1 ? std::filesystem::path(argv[1])
                                                : std::filesystem::temp_directory_path() / "krdl-bench-editor";
    const int documents = argc > 2 ? std::atoi(argv[2]) : 40000;
    // The saves are recorded in an undo journal, as in the program: its own, not the user's.
    qputenv("KRDL_DATA_HOME", QByteArray::fromStdString((work / "data").string()));

    const QStringList paths = WriteDocuments(work / "docs", documents, false);
    PropertyDefinitions definitions;
    for (int i = 0; i < kProperties; ++i)
        definitions.Add()->name = QString::fromStdU16String(PropertyName(i));
    if (argc > 3 && std::string(argv[3]) == "window") {
        // The editor window alone, as the program loads it: the page cache warmed by reading
        // every file's bytes, so that the process's peak is the window's own.
        std::vector<char> buffer(1 << 16);
        for (const QString& path : paths) {
            std::ifstream file(path.toStdString(), std::ios::binary);
            while (file.read(buffer.data(), std::streamsize(buffer.size())))
                ;
        }
        const double before = double(platform::PeakResidentBytes()) / (1 << 20);
        QElapsedTimer t;
        t.start();
        const double cpu = CpuSeconds();
        SystemDesktop desktop;
        TfrmChangeCustomProp form(desktop);
        form.Load(paths, definitions);
        std::printf("editor window loaded %d documents (column widths fitted): %.3f s wall, %.3f s CPU, peak resident "
                    "%.0f MB (%.0f MB before loading)\n",
                    documents, Seconds(t), CpuSeconds() - cpu, double(platform::PeakResidentBytes()) / (1 << 20), before);
        return 0;
    }
    const int cols = kProperties + 1;
    const int rows = documents + 1;
    std::printf("%d documents of %d custom properties in %s\n", documents, kProperties, work.string().c_str());

    // 1. Loading, warm cache: a first pass reads every document once.
    LoadCustomProperties(paths);
    QElapsedTimer t;
    double cpu = CpuSeconds();
    t.start();
    TarCells cells;
    FillPropertyHeader(cells, definitions);
    const RowsFilled filled = FillPropertyRows(cells, cols, LoadCustomProperties(paths));
    TarCell* probe = nullptr;
    cells.Find(1, 1, probe);
    std::printf("[1] grid model filled: %.3f s wall, %.3f s CPU (%d rows, %d cells), peak resident %.0f MB\n", Seconds(t),
                CpuSeconds() - cpu, filled.rows, cells.Count(), double(platform::PeakResidentBytes()) / (1 << 20));
    {
        t.restart();
        cpu = CpuSeconds();
        SystemDesktop desktop;
        TfrmChangeCustomProp form(desktop);
        form.Load(paths, definitions);
        std::printf("    editor window loaded (column widths fitted): %.3f s wall, %.3f s CPU, peak resident %.0f MB "
                    "(with the grid model above still held)\n",
                    Seconds(t), CpuSeconds() - cpu, double(platform::PeakResidentBytes()) / (1 << 20));
    }

    // 2. Saving one changed cell in 1,000 rows.
    for (const int threads : {8, 1}) {
        const int step = std::max(documents / 1000, 1);
        int changed = 0;
        for (int r = 1; r < rows && changed < 1000; r += step, ++changed)
            cells.GetCell(1, r)->SetText(u"changed %1 %2"_s.arg(threads).arg(r));
        t.restart();
        const std::vector<DocumentChanges> changes = CollectDocumentChanges(cells, cols, rows);
        const double collect = Seconds(t);
        ApplyOptions options;
        options.threads = threads;
        const ApplyReport report = ApplyDocumentChanges(changes, options);
        std::printf("[2] %d documents saved on %d thread(s): %.3f s (collecting the changes %.3f s), %d failed\n",
                    report.written, threads, Seconds(t), collect, report.failed);
        cells.ClearChanged();
    }

    // 3. Property set of 1,000 rows x 20 columns.
    const int setRows = std::min(1000, documents);
    const QList<PropertySetRow> setData = PropertySetRowsFromCells(cells, cols, setRows + 1);
    const QString setFile = QString::fromStdString((work / "bench.props").string());
    std::filesystem::remove(work / "bench.props");
    t.restart();
    SavePropertySet(setFile, setData);
    std::printf("[3] property set of %d x %d saved into a new file: %.3f s (%lld bytes)\n", setRows, kProperties,
                Seconds(t), static_cast<long long>(std::filesystem::file_size(work / "bench.props")));
    t.restart();
    SavePropertySet(setFile, setData);
    std::printf("    saved again into that file: %.3f s\n", Seconds(t));
    t.restart();
    QList<PropertySetRow> loaded;
    ReadPropertySet(setFile, loaded);
    const int set = PutPropertySet(cells, cols, rows, loaded);
    std::printf("    read and put into the grid of %d rows: %.3f s (%d cells set)\n", documents, Seconds(t), set);

    // 4. The documents' own properties: four columns more, on the same documents.
    const QStringList ownPaths = WriteDocuments(work / "docs-own", documents, false, true);
    PropertyDefinitions own;
    for (const QString& name : {u"Title"_s, u"Author"_s, u"Document Number"_s, u"Revision"_s})
        own.Add()->name = name;
    LoadCustomProperties(ownPaths); // warm cache
    std::vector<double> times[2];
    std::vector<double> reading[2]; // of `times`, LoadCustomProperties alone
    std::vector<double> processor[2]; // processor seconds of all threads, for a machine shared with other work
    long long bytes[2] = {0, 0};
    int filledCells[2] = {0, 0};
    for (int round = 0; round < 5; ++round)
        for (int withOwn = 0; withOwn < 2; ++withOwn) {
            TarCells grid;
            const long long before = BytesRead();
            t.restart();
            const double cpuBefore = CpuSeconds();
            const int columns = FillPropertyHeader(grid, definitions, withOwn ? &own : nullptr);
            LoadOptions options;
            options.system = SystemColumnNames(grid, columns);
            QElapsedTimer read;
            read.start();
            const QList<LoadedDocument> loaded = LoadCustomProperties(ownPaths, options);
            reading[withOwn].push_back(Seconds(read));
            FillPropertyRows(grid, columns, loaded);
            grid.Find(1, 1, probe);
            times[withOwn].push_back(Seconds(t));
            processor[withOwn].push_back(CpuSeconds() - cpuBefore);
            bytes[withOwn] = before < 0 ? -1 : BytesRead() - before;
            filledCells[withOwn] = grid.Count();
        }
    const double customOnly = Median(times[0]);
    const double withOwn = Median(times[1]);
    std::printf("[4] grid filled, %d documents with their own sets, medians of 5 alternating rounds:\n", documents);
    std::printf("    20 custom columns: %.3f s (%d cells); with 4 own columns: %.3f s (%d cells); ratio %.2f\n",
                customOnly, filledCells[0], withOwn, filledCells[1], withOwn / customOnly);
    std::printf("    of which reading the documents: %.3f s and %.3f s\n", Median(reading[0]), Median(reading[1]));
    std::printf("    processor time: %.3f s and %.3f s; ratio %.2f\n", Median(processor[0]), Median(processor[1]),
                Median(processor[1]) / Median(processor[0]));
    if (bytes[0] >= 0)
        std::printf("    bytes read per document: %.0f custom only, %.0f with the own columns\n",
                    static_cast<double>(bytes[0]) / documents, static_cast<double>(bytes[1]) / documents);
    else
        std::printf("    bytes read per document: not counted on this system\n");
    return 0;
}
