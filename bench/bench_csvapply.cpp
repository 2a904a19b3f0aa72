// `docprops apply --csv` over a long CSV: prints the tool's wall time and peak memory, and checks
// that every document holds the value of its last row.
//
//   bench_csvapply DOCPROPS [WORK_DIR] [ROWS] [DOCUMENTS] [--missing]
//
// DOCPROPS is the built tool (build/bin/docprops); WORK_DIR a folder for the documents, the CSV
// and the undo journal (default: one under the system's temporary folder); ROWS defaults to
// 1,000,000 and DOCUMENTS to 10,000. Row r names document r % DOCUMENTS (so every document has
// ROWS / DOCUMENTS rows, spread over the whole file, and the last of them wins) and gives it four
// text values, one of them unique to the row. With --missing every row names a document of its
// own that does not exist: the whole file is read, checked and planned, and every row fails
// without a document being opened, which shows what the rows alone cost.
//
// The figures are the tool's own: its wall time, and its processor time and peak resident memory
// from getrusage(RUSAGE_CHILDREN) once it has ended (on a busy machine the processor time says
// more than the wall time).

#include "GeneratedDocuments.h"

#include "properties/OleDocumentProperties.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#ifndef _WIN32
#include <sys/resource.h>
#endif

using namespace Qt::StringLiterals;

namespace {

std::string RowValue(long long row)
{
    return "Row " + std::to_string(row);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const bool missing = args.removeAll(u"--missing"_s) > 0;
    if (args.isEmpty()) {
        std::fprintf(stderr, "usage: bench_csvapply DOCPROPS [WORK_DIR] [ROWS] [DOCUMENTS] [--missing]\n");
        return 1;
    }
    const QString tool = args[0];
    const std::filesystem::path work = args.size() > 1 ? std::filesystem::path(args[1].toStdString())
                                                       : std::filesystem::temp_directory_path() / "krdl-bench-csvapply";
    const long long rows = args.size() > 2 ? args[2].toLongLong() : 1000000;
    const int documents = missing ? 0 : (args.size() > 3 ? args[3].toInt() : 10000);
    if (rows <= 0 || (!missing && documents <= 0)) {
        std::fprintf(stderr, "ROWS and DOCUMENTS must be positive\n");
        return 1;
    }
    std::filesystem::create_directories(work);
    std::filesystem::remove_all(work / "data");
    const QStringList paths = missing ? QStringList() : benchdocs::WriteDocuments(work / "docs", documents, true);

    const std::filesystem::path csv = work / "values.csv";
    {
        std::ofstream out(csv, std::ios::binary);
        out << "\xEF\xBB\xBFPath,Property A,Property B,Property C,Note\r\n";
        const std::string gone = (work / "gone").string() + "/doc";
        for (long long r = 0; r < rows; ++r) {
            const std::string path = missing ? gone + std::to_string(r) + ".par"
                                             : paths[static_cast<qsizetype>(r % documents)].toStdString();
            out << path << ',' << RowValue(r) << ",\xC5\xBD" "aga " << r % 7 << ",\"S235, EN\"," << (r % 3 ? "" : "kept")
                << "\r\n";
        }
    }
    const auto csvBytes = std::filesystem::file_size(csv);
    std::printf("%lld rows over %s, CSV of %.1f MB\n", rows,
                missing ? "as many documents that do not exist" : (std::to_string(documents) + " documents").c_str(),
                static_cast<double>(csvBytes) / 1e6);

    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"KRDL_DATA_HOME"_s, QString::fromStdString((work / "data").string()));
    process.setProcessEnvironment(env);
    process.setStandardOutputFile(QString::fromStdString((work / "apply.out").string()));
    process.setStandardErrorFile(QString::fromStdString((work / "apply.err").string()));
    QElapsedTimer timer;
    timer.start();
    process.start(tool, {u"apply"_s, u"--csv"_s, QString::fromStdString(csv.string())});
    if (!process.waitForFinished(-1)) {
        std::fprintf(stderr, "%s did not run: %s\n", qPrintable(tool), qPrintable(process.errorString()));
        return 1;
    }
    const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    std::printf("docprops apply --csv: exit %d, %.2f s", process.exitCode(), seconds);
#ifndef _WIN32
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    const auto cpu = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
    std::printf(" (CPU %.2f s user, %.2f s system), peak resident memory %.1f MB", cpu(usage.ru_utime),
                cpu(usage.ru_stime), static_cast<double>(usage.ru_maxrss) / 1024.0);
#endif
    std::printf("\n");

    // Every document must hold its last row's value; with --missing every row must have failed.
    if (missing)
        return process.exitCode() == 2 ? 0 : 1;
    int wrong = 0;
    TOleDocumentProperties doc;
    for (int d = 0; d < documents; ++d) {
        const long long last = (rows - 1) - ((rows - 1 - d) % documents + documents) % documents;
        QString value;
        if (last >= 0) {
            doc.Open(paths[d], true);
            TOleCustomProperties& props = doc.CustomProperties();
            for (qint32 k = 0; k < props.Count(); ++k)
                if (props.Item(k).Name() == u"Property A"_s)
                    value = props.Item(k).ValueText();
            doc.Close(false);
        }
        if (last >= 0 && value != QString::fromStdString(RowValue(last)))
            ++wrong;
    }
    std::printf("documents holding their last row's value: %d of %d\n", documents - wrong, documents);
    return process.exitCode() == 0 && wrong == 0 ? 0 : 1;
}
