#pragma once
// The update-drafts run: every draft opened in Solid Edge, the views of each of its model links
// updated (an assembly model refreshed and saved first), then the draft saved and closed.

#include "automation/dispatch/AutomationServer.h"
#include "batch/BatchSinks.h"

#include <QString>
#include <QStringList>

class UpdateDrafts {
public:
    UpdateDrafts(AutomationServer& server, ProgressSinkFactory& progress);

    QStringList files; // full paths, in file-list order; only drafts are handled

    void Execute();

    const RunResult& Result() const { return m_result; }

    // The drafts among `paths`, in their order: the extension of the file name, from its last ".",
    // is exactly ".dft" (".DFT" is not).
    static QStringList DraftsOnly(const QStringList& paths);
    // The name of a link's `modelType` in the log: part, assembly, weldment, or empty.
    static QString ModelLinkTypeName(int modelType);

private:
    AutomationServer& m_server;
    ProgressSinkFactory& m_progress;
    RunResult m_result;
};
