#pragma once
// The print run: every file opened in Solid Edge, printed with one set of settings and closed
// without saving, with a log of the documents that failed.

#include "automation/dispatch/AutomationServer.h"
#include "batch/BatchSinks.h"

#include <QString>
#include <QStringList>

#include <functional>

class BatchPrint {
public:
    // The settings the page may change while the run goes on; read again for every document.
    struct PageSettings {
        int copies = 1; // 0 to 1000
        bool collate = false;
        bool printAsBlack = true;
    };

    BatchPrint(AutomationServer& server, ProgressSinkFactory& progress);

    QStringList files;   // full paths, in file-list order; every kind of file is sent
    QString printerName; // fixed for the whole run
    bool landscape = false;
    std::function<PageSettings()> readPageSettings; // unset: the defaults above

    void Execute();

    const RunResult& Result() const { return m_result; }

private:
    AutomationServer& m_server;
    ProgressSinkFactory& m_progress;
    RunResult m_result;
};
