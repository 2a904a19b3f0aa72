// Loading custom properties from documents another program wrote; prints one line per figure.
//
//   bench_loading [WORK_DIR]       (default: a folder under the system's temporary folder)
//
// Needs /usr/bin/python3 with python3-olefile and gir1.2-gsf-1 (libgsf writes the documents),
// and strace for the system call and byte counts. Documents: one part-shaped document of 1 MB
// copied 2,000 times, and one of 50 MB (512-byte sectors, a DIFAT chain, the property streams
// in the mini stream at the end of the file), made by tests/data/compound/sources/gsfmake.py.
//
// 1. docprops show over the 2,000 documents against the olefile reader of the tests (one
//    Python process) in the same run, warm cache: documents per second, wall and CPU time.
// 2. System calls per document of docprops show, counted by strace over 2,000 documents less
//    a run over one.
// 3. Bytes read from the 50 MB and the 1 MB document to show all properties, and bytes written
//    to the 50 MB document by a save, counted by strace.
// 4. LoadCustomProperties over the 2,000 documents through a file layer that sleeps 1 ms per
//    read (a network share's latency): one thread against eight.
// 5. What the writers' lock costs: a save of one property as docprops set makes it, and loading
//    the 2,000 documents for reading, which takes no lock at all; for comparison also loading
//    them opened for writing (as the viewer and the editor of the original open them), with the
//    lock and without it. Alternating rounds, medians (a save's time is mostly its flushes,
//    which vary a lot from one to the next).

#include "compound/CustomPropertyCollection.h"
#include "compound/DiskFile.h"
#include "properties/LoadCustomProperties.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace Qt::StringLiterals;

namespace {

const fs::path kSource = KRDL_SOURCE_DIR;

double ChildCpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct Run {
    bool ok = false;
    QByteArray out, err;
    double wall = 0, cpu = 0;
};

Run Execute(const QString& program, const QStringList& args)
{
    Run r;
    QProcess p;
    p.setStandardOutputFile(QProcess::nullDevice());
    const double cpu0 = ChildCpuSeconds();
    QElapsedTimer t;
    t.start();
    p.start(program, args);
    r.ok = p.waitForFinished(600000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    r.wall = t.nsecsElapsed() / 1e9;
    r.cpu = ChildCpuSeconds() - cpu0;
    r.err = p.readAllStandardError();
    return r;
}

QString Str(const fs::path& p) { return QString::fromStdString(p.string()); }

// Makes a part-shaped document of `megabytes` MB with libgsf.
bool MakePart(const fs::path& target, int megabytes)
{
    if (fs::exists(target))
        return true;
    QProcess p;
    p.start(u"/usr/bin/python3"_s, {Str(kSource / "tests/data/compound/sources/gsfmake.py"), u"part"_s, Str(target),
                                     QString::number(megabytes)});
    p.waitForFinished(600000);
    // libgsf's binding may crash at interpreter exit, after the file is complete: check it.
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(target, ec);
    if (!ec && size > std::uint64_t(megabytes) << 20)
        return true;
    std::fprintf(stderr, "%s%s\n", p.readAllStandardError().constData(), qPrintable(p.errorString()));
    return false;
}

// A file that waits 1 ms before every read, like a network share does.
class DelayedFile : public cfb::DiskFile {
public:
    using cfb::DiskFile::DiskFile;
    std::size_t Read(std::uint64_t offset, std::uint8_t* out, std::size_t length) override
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return cfb::DiskFile::Read(offset, out, length);
    }
};

// Sums what strace saw: system calls (strace -c), or bytes read from the file named `doc`.
long long StraceCalls(const QString& docprops, const QStringList& files)
{
    const QString log = Str(fs::temp_directory_path() / "krdl-bench-strace.txt");
    QStringList args = {u"-f"_s, u"-c"_s, u"-o"_s, log, docprops, u"show"_s};
    args += files;
    if (!Execute(u"strace"_s, args).ok)
        return -1;
    QFile f(log);
    f.open(QIODevice::ReadOnly);
    const QStringList lines = QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts);
    for (const QString& line : lines)
        if (line.trimmed().endsWith(u"total"_s))
            return line.simplified().split(u' ').value(3).toLongLong(); // % seconds usecs/call calls [errors] total
    return -1;
}

struct Io {
    long long read = -1, written = 0;
    int reads = 0, writes = 0;
};

// Bytes moved from and to the file `doc` while docprops runs with `args`, as strace saw them.
Io StraceIo(const QString& docprops, const QStringList& args, const QString& doc)
{
    const QString log = Str(fs::temp_directory_path() / "krdl-bench-strace-io.txt");
    QStringList all = {u"-e"_s, u"trace=openat,read,pread64,readv,preadv,write,pwrite64,writev,pwritev,close"_s, u"-o"_s, log,
                       docprops};
    all += args;
    Io io;
    if (!Execute(u"strace"_s, all).ok)
        return io;
    QFile f(log);
    f.open(QIODevice::ReadOnly);
    QString fd;
    io.read = 0;
    const QRegularExpression open(uR"(^openat\(.*")"_s + QRegularExpression::escape(doc) + uR"(".*\) = (\d+)$)"_s);
    static const QRegularExpression transfer(uR"(^(p?read|p?write)v?(?:64)?\((\d+),.*\) = (\d+)$)"_s);
    for (const QString& line : QString::fromUtf8(f.readAll()).split(u'\n')) {
        if (auto m = open.match(line); m.hasMatch()) {
            fd = m.captured(1);
        } else if (auto t = transfer.match(line); t.hasMatch() && t.captured(2) == fd) {
            const bool reading = t.captured(1).endsWith(u"read"_s);
            (reading ? io.read : io.written) += t.captured(3).toLongLong();
            ++(reading ? io.reads : io.writes);
        } else if (line.startsWith(u"close("_s + fd + u')')) {
            fd.clear();
        }
    }
    return io;
}

double LoadSeconds(const QStringList& paths, int threads, int& loaded)
{
    LoadOptions options;
    options.threads = threads;
    options.openFile = [](const QString& path) -> std::unique_ptr<cfb::BlockFile> {
        return std::make_unique<DelayedFile>(path.toStdString(), false);
    };
    QElapsedTimer t;
    t.start();
    const QList<LoadedDocument> docs = LoadCustomProperties(paths, options);
    const double s = t.nsecsElapsed() / 1e9;
    loaded = 0;
    for (const LoadedDocument& d : docs)
        loaded += d.status == LoadedDocument::Loaded && d.properties.size() == 20;
    return s;
}

// Seconds for one save of one changed property, as docprops set makes it.
double SaveSeconds(const fs::path& doc, bool lock, int round)
{
    QElapsedTimer t;
    t.start();
    cfb::DiskFile file(doc, true, lock);
    cfb::CustomPropertyCollection c(file);
    for (std::size_t i = c.Count(); i-- > 0;)
        if (c.Item(i).name == "Material")
            c.Remove(i);
    c.AddText("Material", "S" + std::to_string(round));
    c.Save();
    return t.nsecsElapsed() / 1e9;
}

// Seconds for reading every property of the documents, opened for writing or for reading.
double ReadSeconds(const QStringList& paths, bool writable, bool lock)
{
    QElapsedTimer t;
    t.start();
    std::size_t n = 0;
    for (const QString& p : paths) {
        cfb::DiskFile file(p.toStdString(), writable, lock);
        cfb::CustomPropertyCollection c(file);
        for (std::size_t i = 0; i < c.Count(); ++i)
            n += c.NameAt(i).size();
    }
    return n ? t.nsecsElapsed() / 1e9 : 0;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    const fs::path work = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path() / "krdl-bench-loading";
    const QString docprops = Str(fs::canonical("/proc/self/exe").parent_path() / "docprops");
    const int kDocs = 2000;
    fs::create_directories(work / "docs");
    if (!MakePart(work / "part1.par", 1) || !MakePart(work / "part50.par", 50)) {
        std::fprintf(stderr, "cannot make the documents (python3-olefile, gir1.2-gsf-1?)\n");
        return 1;
    }
    QStringList paths;
    for (int i = 0; i < kDocs; ++i) {
        const fs::path p = work / "docs" / ("part" + std::to_string(i) + ".par");
        if (!fs::exists(p))
            fs::copy_file(work / "part1.par", p);
        paths << Str(p);
    }

    // 1. Throughput, warm cache: one run of each to warm up, then the best of three.
    const QString script = uR"(
import glob, sys, time
sys.path.insert(0, sys.argv[2])
import olefile, olereader
files = sorted(glob.glob(sys.argv[1] + '/*.par'))
n = 0
for f in files:
    ole = olefile.OleFileIO(f)
    data = ole.openstream('\x05DocumentSummaryInformation').read()
    for i in range(int.from_bytes(data[24:28], 'little')):
        if data[28 + 20 * i:44 + 20 * i] == olereader.USER_FMTID:
            off = int.from_bytes(data[44 + 20 * i:48 + 20 * i], 'little')
            size = int.from_bytes(data[off:off + 4], 'little')
            n += len(olereader.parse_section(data[off:off + size])[1])
    ole.close()
assert n == 20 * len(files), n
)"_s;
    const QStringList oleArgs = {u"-c"_s, script, Str(work / "docs"), Str(kSource / "tests/compound/tools")};
    QStringList showArgs = {u"show"_s};
    showArgs += paths;
    Run ours, ole;
    for (int round = 0; round < 4; ++round) {
        const Run a = Execute(docprops, showArgs);
        const Run b = Execute(u"/usr/bin/python3"_s, oleArgs);
        if (!a.ok || !b.ok) {
            std::fprintf(stderr, "a reader failed: %s%s\n", a.err.constData(), b.err.constData());
            return 1;
        }
        if (round > 0 && (ours.wall == 0 || a.wall < ours.wall))
            ours = a;
        if (round > 0 && (ole.wall == 0 || b.wall < ole.wall))
            ole = b;
    }
    std::printf("throughput, %d documents of 1 MB, warm cache: docprops show %.0f documents/s (%.3f s wall, %.3f s CPU), "
                "olefile %.0f documents/s (%.3f s wall, %.3f s CPU): %.1f times faster (CPU %.1f times)\n",
                kDocs, kDocs / ours.wall, ours.wall, ours.cpu, kDocs / ole.wall, ole.wall, ole.cpu, ole.wall / ours.wall,
                ole.cpu / ours.cpu);

    // 2. System calls.
    const long long all = StraceCalls(docprops, paths);
    const long long one = StraceCalls(docprops, {paths.first()});
    if (all < 0 || one < 0)
        std::printf("system calls per document: strace is not available\n");
    else
        std::printf("system calls per document, docprops show over %d documents: %.2f (strace: %lld in all, %lld for one document)\n",
                    kDocs, double(all - one) / (kDocs - 1), all, one);

    // 3. Bytes read, and written by a save.
    const QString big = Str(work / "part50.par");
    const Io bigIo = StraceIo(docprops, {u"show"_s, big}, big);
    const Io smallIo = StraceIo(docprops, {u"show"_s, paths.first()}, paths.first());
    std::printf("bytes read per document (strace): 50 MB part %lld bytes in %d reads, 1 MB part %lld bytes in %d reads\n",
                bigIo.read, bigIo.reads, smallIo.read, smallIo.reads);
    const fs::path copy = work / "part50-save.par";
    fs::copy_file(work / "part50.par", copy, fs::copy_options::overwrite_existing);
    const Io save = StraceIo(docprops, {u"set"_s, Str(copy), u"Material=S355"_s, u"Property A=changed"_s}, Str(copy));
    std::printf("saving two properties into the 50 MB part (docprops set, strace): %lld bytes written in %d writes, "
                "%lld bytes read in %d reads\n",
                save.written, save.writes, save.read, save.reads);

    // 4. Parallel loading with 1 ms per read.
    int loaded1 = 0, loaded8 = 0;
    const double one1 = LoadSeconds(paths, 1, loaded1);
    const double eight = LoadSeconds(paths, 8, loaded8);
    std::printf("parallel loading, %d documents, 1 ms per read: 1 thread %.2f s, 8 threads %.2f s: %.1f times faster "
                "(%d and %d documents loaded)\n",
                kDocs, one1, eight, one1 / eight, loaded1, loaded8);

    // 5. The lock.
    const fs::path saved = work / "part1-save.par";
    fs::copy_file(work / "part1.par", saved, fs::copy_options::overwrite_existing);
    // Pairs of saves right after each other see the same disk; which goes first alternates.
    std::vector<double> locked, unlocked, extra;
    for (int pair = 0; pair < 300; ++pair) {
        const bool lockFirst = pair % 2 != 0;
        const double first = SaveSeconds(saved, lockFirst, 2 * pair);
        const double second = SaveSeconds(saved, !lockFirst, 2 * pair + 1);
        locked.push_back(lockFirst ? first : second);
        unlocked.push_back(lockFirst ? second : first);
        extra.push_back(locked.back() / unlocked.back() - 1);
    }
    std::printf("lock on a save (one property as docprops set saves it, 300 pairs): median with %.3f ms, without %.3f ms; "
                "median difference within a pair %+.1f %%\n",
                Median(locked) * 1e3, Median(unlocked) * 1e3, Median(extra) * 100);
    std::vector<double> reading, openLocked, openUnlocked, openExtra;
    for (int pair = 0; pair < 9; ++pair) {
        reading.push_back(ReadSeconds(paths, false, false));
        const bool lockFirst = pair % 2 != 0;
        const double first = ReadSeconds(paths, true, lockFirst);
        const double second = ReadSeconds(paths, true, !lockFirst);
        openLocked.push_back(lockFirst ? first : second);
        openUnlocked.push_back(lockFirst ? second : first);
        openExtra.push_back(openLocked.back() / openUnlocked.back() - 1);
    }
    std::printf("lock on loading %d documents (9 rounds): for reading %.3f s (median), no lock taken; opened for writing "
                "median with the lock %.3f s, without %.3f s, median difference within a round %+.1f %%\n",
                kDocs, Median(reading), Median(openLocked), Median(openUnlocked), Median(openExtra) * 100);
    return 0;
}
