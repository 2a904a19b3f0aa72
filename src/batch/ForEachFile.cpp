#include "batch/ForEachFile.h"

ProgressSink& StartLog(ProgressSinkFactory& progress, const QString& caption, const QString& firstLine)
{
    ProgressSink& log = progress.CreateProgress();
    log.SetCaption(caption);
    log.Show();
    log.AddLine(firstLine);
    return log;
}

bool ForEachFile(ProgressSink& log, const QStringList& files,
                 const std::function<void(qsizetype index, const QString& file)>& eachFile)
{
    const qsizetype count = files.size();
    log.SetProgress(0, count);
    for (qsizetype i = 0; i < count; ++i) {
        log.ProcessPendingEvents();
        if (log.Stopped()) {
            log.AddLine(QStringLiteral("User cancel operation!"));
            return false;
        }
        eachFile(i, files.at(i));
        log.SetProgress(i + 1, count);
    }
    return true;
}

bool RunFileLoop(ProgressSink& log, const QStringList& files, const QString& closingLine,
                 const std::function<void(qsizetype index, const QString& file)>& eachFile)
{
    bool completed = false;
    try {
        completed = ForEachFile(log, files, eachFile);
    } catch (...) {
        log.Finish();
        throw;
    }
    log.AddLine(QStringLiteral(" "));
    log.AddLine(closingLine);
    log.Finish();
    return completed;
}

void LogFileOutcome(ProgressSink& log, bool success, RunResult& result, const QString& reason)
{
    if (success) {
        log.AddLine(QStringLiteral("Success!"));
        ++result.succeeded;
    } else {
        log.AddLine(reason.isEmpty() ? QStringLiteral("Failed!") : QStringLiteral("Failed! ") + reason);
        ++result.failed;
    }
}

QString FileNumber(qsizetype index, qsizetype count)
{
    return QString::number(index + 1) + u'/' + QString::number(count) + u' ';
}
