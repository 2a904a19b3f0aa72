#include "DocumentAccess.h"

#include "console/ConsoleOutput.h"
#include "platform/Interrupt.h"

#include <stop_token>
#include <vector>

using namespace Qt::StringLiterals;

QString Quoted(const QString& path)
{
    return u'"' + path + u'"';
}

QList<LoadedDocument> LoadUntilInterrupted(const QStringList& paths, const QStringList& system)
{
    std::stop_source stop;
    LoadOptions options;
    options.system = system;
    options.stop = stop.get_token();
    options.progress = [&stop](qsizetype, qsizetype) {
        if (platform::InterruptRequested())
            stop.request_stop();
    };
    return LoadCustomProperties(paths, options);
}

int WriteOneDocument(DocumentChanges change)
{
    const QString path = change.path;
    change.changed = true;
    std::vector<DocumentChanges> changes;
    changes.push_back(std::move(change));
    ApplyOptions options;
    options.threads = 1;
    options.stopAtMissing = false;
    // Ctrl+C or SIGTERM before the write: the document is left as it is.
    options.stop = [] { return platform::InterruptRequested(); };
    const ApplyReport report = ApplyDocumentChanges(changes, options);
    if (!report.journalError.isEmpty())
        console::Error(report.journalError);
    const ApplyResult& result = report.results.front();
    switch (result.status) {
    case ApplyResult::Written:
        return 0;
    case ApplyResult::NotWritten:
        // The document holds that already: it is left as it is, and there is nothing to undo.
        console::Print(stdout, path + u": Nothing to change.\n"_s);
        return 0;
    case ApplyResult::Cancelled:
        console::Error(u"Interrupted before "_s + Quoted(path));
        return 1;
    default:
        console::Error(result.error);
        return 1;
    }
}
