// bench_findfile ROOT MASK [REPEAT]: one recursive TarFindFile search of ROOT for MASK (or
// REPEAT of them), printing the number of files found and the time each search took. Time it
// from outside against `find ROOT -type f -iname MASK` on the same tree.
#include "filelist/TarFindFile.h"

#include <QDir>

#include <chrono>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s ROOT MASK [REPEAT]\n", argv[0]);
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    const QString mask = QString::fromLocal8Bit(argv[2]);
    const int repeat = argc > 3 ? std::max(1, std::atoi(argv[3])) : 1;
    if (!QDir(root).exists()) {
        std::fprintf(stderr, "%s: not a folder\n", argv[1]);
        return 2;
    }
    for (int i = 0; i < repeat; ++i) {
        TarFindFile finder;
        finder.SetRecursive(true);
        finder.SetAttributes({faAnyFile});
        finder.SetDirectory(root);
        finder.SetMask(mask);
        const auto t0 = std::chrono::steady_clock::now();
        const qsizetype found = finder.Search().size();
        const auto t1 = std::chrono::steady_clock::now();
        std::printf("%lld files found in %.1f ms\n", static_cast<long long>(found),
                    std::chrono::duration<double, std::milli>(t1 - t0).count());
    }
    return 0;
}
