// bench_gentree ROOT [FOLDERS] [FILES_PER_FOLDER]: makes a tree for the folder search benchmark.
// The default is 10,000 folders in three levels (10 x 10 x 100) holding 10 files each, so
// 100,000 files in all, of the five document types plus a few others, in both letter cases.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s ROOT [FOLDERS] [FILES_PER_FOLDER]\n", argv[0]);
        return 2;
    }
    const fs::path root = argv[1];
    const int folders = argc > 2 ? std::atoi(argv[2]) : 10000;
    const int perFolder = argc > 3 ? std::atoi(argv[3]) : 10;
    static const char* const kExt[] = {".dft", ".par", ".asm", ".psm", ".pwd", ".DFT", ".txt", ".dft", ".PAR", ""};
    std::error_code ec;
    int files = 0;
    for (int f = 0; f < folders; ++f) {
        // Three levels: 10 top folders, 10 below each, the rest spread below those.
        const fs::path dir = root / ("top" + std::to_string(f % 10)) / ("mid" + std::to_string((f / 10) % 10)) /
                             ("leaf" + std::to_string(f / 100));
        fs::create_directories(dir, ec);
        if (ec) {
            std::fprintf(stderr, "cannot create %s: %s\n", dir.string().c_str(), ec.message().c_str());
            return 1;
        }
        for (int i = 0; i < perFolder; ++i) {
            const std::string name = "doc" + std::to_string(f) + "_" + std::to_string(i) + kExt[i % 10];
            std::ofstream(dir / name).put('x');
            ++files;
        }
    }
    std::printf("%d files in %d folders under %s\n", files, folders, root.string().c_str());
    return 0;
}
