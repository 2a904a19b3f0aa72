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

    QStringList Files;   // full paths, in file-list order; every kind of file is sent
    QString PrinterName; // fixed for the whole run
    bool Landscape = false;
    std::function<PageSettings()> ReadPageSettings; // unset: the defaults above

    void Execute();

    const RunResult& Result() const { return result_; }

private:
    AutomationServer& server_;
    ProgressSinkFactory& progress_;
    RunResult result_;
};
