// Batch copy against cp: the copy run (TarCopyFiles, no log window) and `cp` copy the same
// files into empty folders on the same disk, in turns, several times; prints every time and
// the best and median of each. Goal: the copy run takes at most 1.1 times as long as cp.
//
//   bench_copy [--files N] [--mb SIZE] [--reps R] [--dir FOLDER]
//
// Defaults: 20 files of 50 MB, 3 rounds, the system's temporary folder. Each round is measured
// twice: with the sources evicted from the page cache (written back, then dropped with
// POSIX_FADV_DONTNEED) and with the sources cached. Targets are removed and written back to
// disk between runs, outside the timed part. Both tools keep permissions and modification
// times (cp with --preserve=mode,timestamps), so both do the same work.

#include "batch/TarCopyFiles.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

class SilentLog : public ProgressSink, public ProgressSinkFactory, public MessageSink {
public:
    ProgressSink& CreateProgress() override { return *this; }
    void SetCaption(const QString&) override {}
    void Show() override {}
    void AddLine(const QString&) override {}
    void ProcessPendingEvents() override {}
    bool Stopped() const override { return false; }
    void Finish() override {}
    void Information(const QString&, const QString& text) override
    {
        std::fprintf(stderr, "%s\n", qPrintable(text));
    }
};

bool writeSource(const QString& path, qint64 bytes, unsigned seed)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    std::vector<quint32> block(256 * 1024);
    quint32 x = seed * 2654435761u + 7;
    for (qint64 done = 0; done < bytes;) {
        for (auto& v : block) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            v = x;
        }
        const qint64 n = std::min<qint64>(bytes - done, qint64(block.size() * sizeof(quint32)));
        if (f.write(reinterpret_cast<const char*>(block.data()), n) != n)
            return false;
        done += n;
    }
    return true;
}

void dropFromCache(const QStringList& files)
{
    ::sync();
    for (const QString& p : files) {
        const int fd = ::open(QFile::encodeName(p).constData(), O_RDONLY | O_CLOEXEC);
        if (fd >= 0) {
            ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
            ::close(fd);
        }
    }
}

// Reads every source once so that the warm runs find them all in the page cache.
void readIntoCache(const QStringList& files)
{
    std::vector<char> buffer(1 << 20);
    for (const QString& p : files) {
        QFile f(p);
        if (f.open(QIODevice::ReadOnly))
            while (f.read(buffer.data(), qint64(buffer.size())) > 0) {
            }
    }
}

bool freshFolder(const QString& path)
{
    QDir(path).removeRecursively();
    ::sync();
    return QDir().mkpath(path);
}

bool checkCopies(const QString& folder, const QStringList& sources, qint64 bytes)
{
    for (const QString& s : sources) {
        const QFileInfo target(QDir(folder).filePath(QFileInfo(s).fileName()));
        if (!target.exists() || target.size() != bytes)
            return false;
    }
    return true;
}

double runEngine(const QStringList& sources, const QString& dest)
{
    SilentLog log;
    TarCopyFiles copy(log, log);
    copy.sourceFiles = sources;
    copy.destinationDir = dest;
    QElapsedTimer t;
    t.start();
    copy.Execute();
    const double s = double(t.nsecsElapsed()) / 1e9;
    if (copy.Result().failed != 0 || copy.Result().succeeded != sources.size()) {
        std::fprintf(stderr, "copy run failed\n");
        std::exit(1);
    }
    return s;
}

double runCp(const QStringList& sources, const QString& dest)
{
    QStringList args {QStringLiteral("--preserve=mode,timestamps")};
    args << sources << dest + u'/';
    QElapsedTimer t;
    t.start();
    const int rc = QProcess::execute(QStringLiteral("cp"), args);
    const double s = double(t.nsecsElapsed()) / 1e9;
    if (rc != 0) {
        std::fprintf(stderr, "cp failed with %d\n", rc);
        std::exit(1);
    }
    return s;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

} // namespace

int main(int argc, char** argv)
{
    int files = 20, mb = 50, reps = 3;
    QString base = QDir::tempPath();
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--files"))
            files = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--mb"))
            mb = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--reps"))
            reps = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--dir"))
            base = QString::fromLocal8Bit(argv[i + 1]);
    }
    if (files <= 0 || mb <= 0 || reps <= 0) {
        std::fprintf(stderr, "usage: bench_copy [--files N] [--mb SIZE] [--reps R] [--dir FOLDER]\n");
        return 1;
    }
    QTemporaryDir tmp(QDir(base).filePath(QStringLiteral("krdl-bench-copy-XXXXXX")));
    if (!tmp.isValid()) {
        std::fprintf(stderr, "cannot create a folder under %s\n", qPrintable(base));
        return 1;
    }
    const qint64 bytes = qint64(mb) * 1000 * 1000;
    QStringList sources;
    QDir().mkpath(tmp.filePath(u"src"_s));
    for (int i = 0; i < files; ++i) {
        sources << tmp.filePath(QStringLiteral("src/part%1.par").arg(i, 2, 10, QLatin1Char('0')));
        if (!writeSource(sources.back(), bytes, unsigned(i + 1))) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(sources.back()));
            return 1;
        }
    }
    std::printf("bench_copy: %d files of %d MB in %s\n", files, mb, qPrintable(tmp.path()));

    const QString dest = tmp.filePath(u"dest"_s);
    for (bool cold : {true, false}) {
        std::vector<double> engine, cp;
        for (int r = 0; r < reps; ++r) {
            // Alternate which tool goes first, so that neither always finds the disk busier.
            for (int turn = 0; turn < 2; ++turn) {
                const bool engineTurn = (turn == 0) == (r % 2 == 0);
                if (!freshFolder(dest))
                    return 1;
                if (cold)
                    dropFromCache(sources);
                else
                    readIntoCache(sources);
                const double s = engineTurn ? runEngine(sources, dest) : runCp(sources, dest);
                if (!checkCopies(dest, sources, bytes)) {
                    std::fprintf(stderr, "copies are incomplete\n");
                    return 1;
                }
                (engineTurn ? engine : cp).push_back(s);
                std::printf("  %s round %d  %-6s %7.3f s  (%6.0f MB/s)\n", cold ? "cold" : "warm", r + 1,
                            engineTurn ? "engine" : "cp", s, double(files) * mb / s);
                std::fflush(stdout);
            }
        }
        const double me = median(engine), mc = median(cp);
        std::printf("%s cache: engine best %.3f s median %.3f s | cp best %.3f s median %.3f s | ratio (median) %.3f\n",
                    cold ? "cold" : "warm", *std::min_element(engine.begin(), engine.end()), me,
                    *std::min_element(cp.begin(), cp.end()), mc, me / mc);
    }
    QDir(dest).removeRecursively();
    return 0;
}
