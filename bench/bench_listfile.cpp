// bench_listfile [LINES]: writes a list file of LINES entries (1,000,000 by default) into a
// temporary folder, loads it back, and prints the time of each step.
#include "filelist/ListFile.h"

#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

double msSince(std::chrono::steady_clock::time_point t0)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

} // namespace

int main(int argc, char** argv)
{
    const int lines = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000000;
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }
    const QString fileName = dir.filePath(QStringLiteral("list.txt"));

    std::vector<FileEntry> entries;
    entries.reserve(size_t(lines));
    for (int i = 0; i < lines; ++i) {
        FileEntry e;
        e.checked = i % 3 != 0;
        e.directory = QStringLiteral("C:\\Work\\Projekt %1\\Sestav\u010Dki").arg(i % 1000);
        e.fileName = QStringLiteral("del_%1.par").arg(i);
        entries.push_back(std::move(e));
    }

    auto t0 = std::chrono::steady_clock::now();
    WriteListFile(fileName, entries);
    std::printf("write %d lines: %.0f ms\n", lines, msSince(t0));

    t0 = std::chrono::steady_clock::now();
    const std::vector<FileEntry> loaded = ReadListFile(fileName);
    std::printf("load %zu lines: %.0f ms\n", loaded.size(), msSince(t0));

    if (loaded.size() != entries.size() || loaded.back().FullPath() != entries.back().FullPath()) {
        std::fprintf(stderr, "loaded list differs from the written one\n");
        return 1;
    }
    return 0;
}
