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

#include "GeneratedDocuments.h"

#include "properties/PropertyUndo.h"
#include "properties/DocumentChanges.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

using namespace benchdocs;
using namespace Qt::StringLiterals;

namespace {

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
    qputenv("KRDL_DATA_HOME", QByteArray::fromStdString((work / "data").string()));

    const QStringList paths = WriteDocuments(work / "docs", documents, true);
    std::printf("%d documents of %d custom properties in %s\n", documents, kProperties, work.string().c_str());

    for (int round = 1; round <= rounds; ++round) {
        std::vector<DocumentChanges> changes(static_cast<std::size_t>(documents));
        for (int i = 0; i < documents; ++i) {
            DocumentChanges& d = changes[static_cast<std::size_t>(i)];
            d.path = paths[i];
            d.changed = true;
            d.properties.Add(u"Property A"_s, u"Round %1"_s.arg(round));
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
