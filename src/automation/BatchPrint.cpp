#include "automation/BatchPrint.h"

#include "automation/SolidEdgeRun.h"
#include "batch/ForEachFile.h"

#include <algorithm>

BatchPrint::BatchPrint(AutomationServer& server, ProgressSinkFactory& progress)
    : server_(server), progress_(progress)
{
}

void BatchPrint::Execute()
{
    result_ = {};
    result_.started = true;
    ProgressSink& log = progress_.CreateProgress();
    log.SetCaption(QStringLiteral("Print files"));
    log.Show();

    const std::string printer = PrinterName.toStdString();
    const std::int32_t orientation = Landscape ? 2 : 1;
    const QStringList files = Files;

    RunWithSolidEdge(server_, log, [&](SolidEdgeSession& session) {
        log.AddLine(QStringLiteral(" "));
        log.AddLine(QStringLiteral("Start printing documents..."));
        result_.cancelled = !ForEachFile(log, files, [&](qsizetype i, const QString& path) {
            log.AddLine(QStringLiteral(" "));
            log.AddLine(FileNumber(i, files.size()) + path);
            try {
                const AutomationRef document = OpenSolidEdgeDocument(session.App(), path.toStdString());
                const PageSettings page = ReadPageSettings ? ReadPageSettings() : PageSettings{};
                const auto copies = std::int16_t(std::clamp(page.copies, 0, 1000));
                document->call("PrintOut", PrintOutArguments(printer, copies, orientation, page.printAsBlack, page.collate));
                document->call("Close");
                ++result_.succeeded;
            } catch (const std::exception&) {
                log.AddLine(QStringLiteral("Error when trying opening file \"") + path + QStringLiteral("\"!"));
                ++result_.failed;
            }
        });
    });
}
