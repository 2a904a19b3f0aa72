// The property editor on a network share: every read, write and flush of a document waits a few
// milliseconds. Run by bench/slow_share.sh, which preloads the slow file layer
// (bench/slowstorage/SlowStorage.c) into this program; prints one line per figure.
//
//   bench_slowshare WORK_DIR [DOCUMENTS] [SAVES]   (40,000 documents, 1,000 saved)
//
// The documents are written once into WORK_DIR/docs; WORK_DIR/share holds hard links to the same
// files, and only paths under it are slow (KRDL_SLOW_DIR, set here after the documents exist).
// Both folders therefore read the same warm page cache: the only difference is the latency.
// 1. The editor's load of every document from the share into its grid model: the pool adapting
//    its threads (the default), and on a part of the documents with the eight threads it starts
//    with, for comparison.
// 2. The same load from the local folder: adapting against eight fixed threads, alternating
//    rounds, median ratio (the adaptation must cost nothing where reads do not wait).
// 3. One changed cell in SAVES rows saved to the share: in place, durable (flushed), journalled.

#include "GeneratedDocuments.h"

#include "properties/DocumentChanges.h"
#include "properties/PropertyGrid.h"

#include <QDateTime>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace benchdocs;
using namespace Qt::StringLiterals;

namespace {

double CpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct Timing {
    double wall = 0, cpu = 0;
    int rows = 0;
};

// Loads `paths` into a grid model as the editor does.
Timing LoadIntoGrid(const QStringList& paths, int maxThreads)
{
    Timing timing;
    const double cpu = CpuSeconds();
    QElapsedTimer t;
    t.start();
    LoadOptions options;
    options.maxThreads = maxThreads;
    TarCells cells;
    timing.rows = FillPropertyRows(cells, kProperties + 1, LoadCustomProperties(paths, options)).rows;
    timing.wall = double(t.nsecsElapsed()) / 1e9;
    timing.cpu = CpuSeconds() - cpu;
    return timing;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_slowshare WORK_DIR [DOCUMENTS] [SAVES] (run by bench/slow_share.sh)\n");
        return 2;
    }
    const fs::path work = fs::absolute(argv[1]);
    const int documents = argc > 2 ? std::atoi(argv[2]) : 40000;
    const int saves = std::min(documents, argc > 3 ? std::atoi(argv[3]) : 1000);
    const int fixedPart = std::min(documents, 2000);
    const char* delay = std::getenv("KRDL_SLOW_MS");
    qputenv("KRDL_DATA_HOME", QByteArray::fromStdString((work / "data").string()));

    const QStringList local = WriteDocuments(work / "docs", documents, false);
    fs::create_directories(work / "share");
    QStringList share;
    for (int i = 0; i < documents; ++i) {
        const fs::path link = work / "share" / ("doc" + std::to_string(i) + ".par");
        if (!fs::exists(link))
            fs::create_hard_link(local[i].toStdString(), link);
        share << QString::fromStdString(link.string());
    }
    // From here on the slow file layer delays every call on a file under the share.
    setenv("KRDL_SLOW_DIR", (work / "share").c_str(), 1);
    std::printf("%d documents of %d custom properties; the share adds %s ms to every read, write and flush\n",
                documents, kProperties, delay ? delay : "(no slow layer loaded: run bench/slow_share.sh)");

    // Warm cache for both folders.
    LoadIntoGrid(local, 8);

    // 1. The share.
    const Timing adaptive = LoadIntoGrid(share, LoadOptions().maxThreads);
    std::printf("[1] share, adapting threads: %d documents into the grid in %.2f s wall, %.2f s CPU (%.0f documents/s)\n",
                adaptive.rows, adaptive.wall, adaptive.cpu, adaptive.rows / adaptive.wall);
    const Timing fixed = LoadIntoGrid(share.mid(0, fixedPart), 8);
    std::printf("    share, 8 fixed threads: %d documents in %.2f s wall, %.2f s CPU (%.0f documents/s, %.0f s for %d)\n",
                fixed.rows, fixed.wall, fixed.cpu, fixed.rows / fixed.wall, fixed.wall * documents / fixedPart, documents);

    // 2. The local folder, alternating which goes first.
    std::vector<double> ratios, adaptiveWall, fixedWall;
    for (int round = 0; round < 6; ++round) {
        const bool adaptiveFirst = round % 2 == 0;
        const Timing first = LoadIntoGrid(local, adaptiveFirst ? LoadOptions().maxThreads : 8);
        const Timing second = LoadIntoGrid(local, adaptiveFirst ? 8 : LoadOptions().maxThreads);
        adaptiveWall.push_back((adaptiveFirst ? first : second).wall);
        fixedWall.push_back((adaptiveFirst ? second : first).wall);
        ratios.push_back(adaptiveWall.back() / fixedWall.back());
    }
    std::printf("[2] local folder, 6 rounds: adapting %.3f s, 8 fixed threads %.3f s (medians); median ratio %.3f\n",
                Median(adaptiveWall), Median(fixedWall), Median(ratios));

    // 3. Saving to the share.
    TarCells cells;
    const int cols = kProperties + 1;
    FillPropertyHeader(cells, [] {
        PropertyDefinitions definitions;
        for (int i = 0; i < kProperties; ++i)
            definitions.Add()->name = QString::fromStdU16String(PropertyName(i));
        return definitions;
    }());
    FillPropertyRows(cells, cols, LoadCustomProperties(share.mid(0, saves)));
    // A value of this run: a run after another still changes every document.
    const qint64 run = QDateTime::currentMSecsSinceEpoch();
    for (int r = 1; r <= saves; ++r)
        cells.GetCell(1, r)->SetText(u"saved %1 %2"_s.arg(run).arg(r));
    const double cpu = CpuSeconds();
    QElapsedTimer t;
    t.start();
    const ApplyReport report = ApplyDocumentChanges(CollectDocumentChanges(cells, cols, saves + 1), ApplyOptions());
    std::printf("[3] share, %d documents saved (durable, journalled), adapting threads: %.2f s wall, %.2f s CPU, %d failed\n",
                report.written, double(t.nsecsElapsed()) / 1e9, CpuSeconds() - cpu, report.failed);
    return report.written == saves && adaptive.rows == documents ? 0 : 1;
}
