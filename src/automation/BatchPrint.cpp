#include "automation/BatchPrint.h"

#include "automation/SolidEdgeRun.h"
#include "batch/ForEachFile.h"

#include <algorithm>

BatchPrint::BatchPrint(AutomationServer& server, ProgressSinkFactory& progress)
    : m_server(server), m_progress(progress)
{
}

void BatchPrint::Execute()
{
    m_result = {};
    m_result.started = true;
    ProgressSink& log = m_progress.CreateProgress();
    log.SetCaption(QStringLiteral("Print files"));
    log.Show();

    const std::string printer = printerName.toStdString();
    const std::int32_t orientation = landscape ? 2 : 1;
    const QStringList paths = files;

    RunWithSolidEdge(m_server, log, [&](SolidEdgeSession& session) {
        log.AddLine(QStringLiteral(" "));
        log.AddLine(QStringLiteral("Start printing documents..."));
        m_result.cancelled = !ForEachFile(log, paths, [&](qsizetype i, const QString& path) {
            log.AddLine(QStringLiteral(" "));
            log.AddLine(FileNumber(i, paths.size()) + path);
            try {
                const AutomationRef document = OpenSolidEdgeDocument(session.App(), path.toStdString());
                const PageSettings page = readPageSettings ? readPageSettings() : PageSettings{};
                const auto copies = std::int16_t(std::clamp(page.copies, 0, 1000));
                document->Call("PrintOut", PrintOutArguments(printer, copies, orientation, page.printAsBlack, page.collate));
                document->Call("Close");
                ++m_result.succeeded;
            } catch (const std::exception&) {
                log.AddLine(QStringLiteral("Error when trying opening file \"") + path + QStringLiteral("\"!"));
                ++m_result.failed;
            }
        });
    });
}
