// Custom property access on generated documents; prints its figures.
//
//   bench_properties [WORK_DIR]      (default: a folder under the system's temporary folder)
//
// 1. Reads every custom property of 1,000 documents of about 200 KB with 20 properties each,
//    through TOleDocumentProperties, and reports documents per second and bytes read per
//    document (counted at the file layer).
// 2. The same for one 50 MB document (the bytes read must not grow with the document).
// 3. Saves one changed property in the 50 MB document and reports the bytes written and the time.
// 4. Times the independent reader (olefile with a section parser, /usr/bin/python3, in one
//    process) on the same 1,000 documents.

#include "../tests/compound/CfbBuilder.h"

#include "compound/DiskFile.h"
#include "compound/CustomPropertyCollection.h"
#include "properties/OleDocumentProperties.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QString>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

using namespace cfbtest;

namespace {

Bytes Document(int seed, std::uint32_t paddingSectors, std::size_t bodyBytes)
{
    std::vector<RawProperty> props = {{1, I2(1252)}};
    std::vector<std::pair<std::uint32_t, std::u16string>> names;
    for (std::uint32_t i = 0; i < 20; ++i) {
        const std::uint32_t id = i + 2;
        names.emplace_back(id, u"Property " + std::u16string(1, static_cast<char16_t>(u'A' + i)));
        if (i % 4 == 3)
            props.push_back({id, I4(static_cast<std::int32_t>(seed * 31 + static_cast<int>(i)))});
        else
            props.push_back({id, Lpstr("Value " + std::to_string(seed) + "/" + std::to_string(i) + " of a document")});
    }
    props.insert(props.begin() + 1, {0, Dictionary(names, false)});
    const Bytes dsi = PropertyStream({{kDocSummaryFmtid, Section({{1, I2(1252)}, {2, Lpstr("Velmar")}})},
                                      {kUserFmtid, Section(props)}});
    BuildOptions o;
    o.paddingSectors = paddingSectors;
    Bytes body(bodyBytes, static_cast<std::uint8_t>(seed));
    return BuildCompound({{u"JSite", body}, {u"Attributes", Bytes(1500, 1)}, {u"Thumbnail", Bytes(3000, 2)},
                          {kDsiName, dsi}, {u"\u0005SummaryInformation", Bytes(400, 3)}},
                         o);
}

void WriteFile(const std::string& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Reads every property through the program's access class; returns the number of values read.
int ReadAll(const QString& path, TOleDocumentProperties& doc)
{
    doc.Open(path);
    TOleCustomProperties& props = doc.CustomProperties();
    int n = 0;
    for (int i = 0; i < props.Count(); ++i) {
        const TOleCustomProperty p = props.Item(i);
        n += !p.Name().isEmpty() + (p.Type() >= 0) + !p.ValueText().isNull();
    }
    doc.Close(false);
    return n;
}

std::uint64_t BytesReadOpening(const std::string& path)
{
    cfb::DiskFile file(path, false);
    cfb::CountingFile counting(file);
    cfb::CustomPropertyCollection c(counting);
    for (std::size_t i = 0; i < c.Count(); ++i)
        (void)c.Item(i);
    return counting.BytesRead();
}

} // namespace

int main(int argc, char** argv)
{
    const std::filesystem::path work = argc > 1 ? std::filesystem::path(argv[1])
                                                : std::filesystem::temp_directory_path() / "krdl-bench-properties";
    std::filesystem::create_directories(work / "docs");
    const int kDocs = 1000;

    std::printf("Generating %d documents of about 200 KB and one of 50 MB in %s ...\n", kDocs, work.string().c_str());
    std::uint64_t total = 0;
    for (int i = 0; i < kDocs; ++i) {
        const Bytes doc = Document(i, 0, 190 * 1024);
        total += doc.size();
        WriteFile((work / "docs" / ("doc" + std::to_string(i) + ".par")).string(), doc);
    }
    const std::string big = (work / "big.asm").string();
    WriteFile(big, Document(7, 50u * 1024 * 1024 / 512, 100 * 1024));
    std::printf("  small documents: %.0f KB on average; big document: %.1f MB\n", total / 1024.0 / kDocs,
                std::filesystem::file_size(big) / 1048576.0);

    TOleDocumentProperties doc;
    QElapsedTimer timer;
    int values = 0;
    timer.start();
    for (int i = 0; i < kDocs; ++i)
        values += ReadAll(QString::fromStdString((work / "docs" / ("doc" + std::to_string(i) + ".par")).string()), doc);
    const double smallSeconds = timer.nsecsElapsed() / 1e9;
    std::uint64_t smallBytes = 0;
    for (int i = 0; i < kDocs; ++i)
        smallBytes += BytesReadOpening((work / "docs" / ("doc" + std::to_string(i) + ".par")).string());
    std::printf("\n[1] read all custom properties of %d documents (%d values): %.3f s, %.0f documents/s, "
                "%.0f bytes read per document\n",
                kDocs, values, smallSeconds, kDocs / smallSeconds, static_cast<double>(smallBytes) / kDocs);

    timer.restart();
    const int rounds = 100;
    for (int i = 0; i < rounds; ++i)
        ReadAll(QString::fromStdString(big), doc);
    const double bigSeconds = timer.nsecsElapsed() / 1e9 / rounds;
    std::printf("[2] 50 MB document: %.3f ms per read of all properties, %llu bytes read\n", bigSeconds * 1000,
                static_cast<unsigned long long>(BytesReadOpening(big)));

    {
        cfb::DiskFile file(big, true);
        cfb::CountingFile counting(file);
        cfb::CustomPropertyCollection c(counting);
        const std::uint64_t readBefore = counting.BytesRead();
        timer.restart();
        c.Remove(0);
        c.AddText("Property A", "changed value");
        c.Save();
        const double saveMs = timer.nsecsElapsed() / 1e6;
        std::printf("[3] save one changed property in the 50 MB document: %llu bytes written in %d writes, "
                    "%.3f ms (reading for the save: %llu bytes)\n",
                    static_cast<unsigned long long>(counting.BytesWritten()), counting.Writes(), saveMs,
                    static_cast<unsigned long long>(counting.BytesRead() - readBefore));
    }
    timer.restart();
    doc.Open(QString::fromStdString(big));
    doc.CustomProperties().Item(0).Remove();
    doc.CustomProperties().Add(QStringLiteral("Property A"), QStringLiteral("changed again"));
    doc.Save();
    doc.Close();
    std::printf("    through TOleDocumentProperties (open, remove, add, save, close): %.3f ms\n", timer.nsecsElapsed() / 1e6);

    const QString script = QStringLiteral(
        "import glob, sys, time\n"
        "sys.path.insert(0, sys.argv[2])\n"
        "import olefile, olereader\n"
        "files = sorted(glob.glob(sys.argv[1] + '/*.par'))\n"
        "t = time.perf_counter(); n = 0\n"
        "for f in files:\n"
        "    ole = olefile.OleFileIO(f)\n"
        "    data = ole.openstream('\\x05DocumentSummaryInformation').read()\n"
        "    off = int.from_bytes(data[64:68], 'little')\n"
        "    size = int.from_bytes(data[off:off + 4], 'little')\n"
        "    cp, props = olereader.parse_section(data[off:off + size])\n"
        "    n += len(props)\n"
        "    ole.close()\n"
        "s = time.perf_counter() - t\n"
        "print('%d %d %.3f' % (len(files), n, s))\n");
    QProcess py;
    // The reader's section parser lives with the tests, beside this program's source folder.
    const std::filesystem::path tools = std::filesystem::path(KRDL_SOURCE_DIR) / "tests" / "compound" / "tools";
    py.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), script, QString::fromStdString((work / "docs").string()),
                                                  QString::fromStdString(tools.string())});
    if (py.waitForFinished(600000) && py.exitCode() == 0) {
        const QStringList parts = QString::fromUtf8(py.readAllStandardOutput()).split(QLatin1Char(' '));
        const double s = parts.value(2).toDouble();
        std::printf("[4] independent reader (olefile + section parser) on the same %s documents (%s properties): "
                    "%.3f s, %.0f documents/s\n",
                    qPrintable(parts.value(0)), qPrintable(parts.value(1)), s, parts.value(0).toDouble() / s);
    } else {
        std::printf("[4] independent reader failed: %s\n", py.readAllStandardError().constData());
    }
    return 0;
}
