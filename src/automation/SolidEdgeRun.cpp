#include "automation/SolidEdgeRun.h"

#include <QString>

namespace {

void CloseRun(SolidEdgeSession& session, ProgressSink& log)
{
    log.AddLine(QStringLiteral(" "));
    log.AddLine(QStringLiteral("Try to disconnect from Solid Edge!"));
    session.Disconnect();
    log.AddLine(QStringLiteral("Successfuly disconnected from Solid Edge!"));
    log.Finish();
}

} // namespace

bool RunWithSolidEdge(AutomationServer& server, ProgressSink& log, const std::function<void(SolidEdgeSession&)>& work)
{
    SolidEdgeSession session(server);
    bool connected = false;
    try {
        log.ProcessPendingEvents();
        log.AddLine(QStringLiteral("Try to connect to Solid Edge!"));
        connected = session.Connect();
        if (!connected) {
            log.AddLine(QStringLiteral("Cannot connect to Solid Edge!"));
        } else {
            log.AddLine(QStringLiteral("Successfuly connected to Solid Edge!"));
            session.WorkUnseen();
            work(session);
        }
    } catch (...) {
        CloseRun(session, log);
        throw;
    }
    CloseRun(session, log);
    return connected;
}
