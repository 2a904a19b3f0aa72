// A property save and its undo on generated documents; prints both times.
//
//   bench_propundo [WORK_DIR] [DOCUMENTS] [ROUNDS]   (default: a folder under the system's
//                                                    temporary folder, 100 documents, 5 rounds)
//
// Each round changes one property of every document through the apply step (as "Save custom
// properties" does: the undo journal written and flushed first, then each document written in
// place, durable and crash-safe) and then takes the save back with "Undo last property save"
// (each document checked against what the save left there and given its recorded properties
// back, in place). The undo journal lives in WORK_DIR.

#include "../tests/compound/CfbBuilder.h"

#include "batch/PropertyUndo.h"
#include "properties/DocumentChanges.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

using namespace cfbtest;
using namespace Qt::StringLiterals;

namespace {

constexpr int kProperties = 20;

Bytes Document(int seed)
{
    std::vector<RawProperty> props = {{1, I2(1252)}};
    std::vector<std::pair<std::uint32_t, std::u16string>> names;
    for (int i = 0; i < kProperties; ++i) {
        const std::uint32_t id = static_cast<std::uint32_t>(i) + 2;
        names.emplace_back(id, u"Property " + std::u16string(1, static_cast<char16_t>(u'A' + i)));
        if (i % 5 == 4)
            props.push_back({id, I4(seed * 31 + i)});
        else
            props.push_back({id, Lpstr("Value " + std::to_string(seed) + "/" + std::to_string(i))});
    }
    props.insert(props.begin() + 1, {0, Dictionary(names, false)});
    const Bytes dsi = PropertyStream({{kDocSummaryFmtid, Section({{1, I2(1252)}})}, {kUserFmtid, Section(props)}});
    return BuildCompound({{u"JSite", Bytes(6000, static_cast<std::uint8_t>(seed))}, {kDsiName, dsi},
                          {u"\u0005SummaryInformation", Bytes(400, 3)}});
}

class QuietLog : public ProgressSink, public ProgressSinkFactory, public MessageSink {
public:
    ProgressSink& CreateProgress() override { return *this; }
    void SetCaption(const QString&) override {}
    void Show() override {}
    void AddLine(const QString&) override {}
    void ProcessPendingEvents() override {}
    bool Stopped() const override { return false; }
    void Finish() override {}
    void Information(const QString&, const QString& text) override { std::printf("%s\n", qPrintable(text)); }
};

double Ms(const QElapsedTimer& t)
{
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const std::filesystem::path work = argc > 1 ? std::filesystem::path(argv[1])
                                                : std::filesystem::temp_directory_path() / "krdl-bench-propundo";
    const int documents = argc > 2 ? std::atoi(argv[2]) : 100;
    const int rounds = argc > 3 ? std::atoi(argv[3]) : 5;
    std::filesystem::create_directories(work / "docs");
    qputenv("KRDL_DATA_HOME", QByteArray::fromStdString((work / "data").string()));

    QStringList paths;
    for (int i = 0; i < documents; ++i) {
        const std::filesystem::path p = work / "docs" / ("doc" + std::to_string(i) + ".par");
        paths << QString::fromStdString(p.string());
        const Bytes doc = Document(i);
        std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(doc.data()),
                                                 static_cast<std::streamsize>(doc.size()));
    }
    std::printf("%d documents of %d custom properties in %s\n", documents, kProperties, work.string().c_str());

    for (int round = 1; round <= rounds; ++round) {
        std::vector<DocumentChanges> changes(static_cast<std::size_t>(documents));
        for (int i = 0; i < documents; ++i) {
            DocumentChanges& d = changes[static_cast<std::size_t>(i)];
            d.path = paths[i];
            d.changed = true;
            d.properties.Add(u"Property A"_s, u"Round %1"_s.arg(round), 1, 0);
        }
        QElapsedTimer t;
        t.start();
        const ApplyReport report = ApplyDocumentChanges(changes, {});
        const double saved = Ms(t);

        QuietLog log;
        t.start();
        PropertyUndo undo(log, log);
        undo.Execute();
        const double undone = Ms(t);
        std::printf("round %d: save %.1f ms (%d written, %d failed); undo %.1f ms (%d put back, %d failed)\n", round,
                    saved, report.written, report.failed, undone, undo.Result().succeeded, undo.Result().failed);
    }
    return 0;
}
