#include "batch/ForEachFile.h"

bool ForEachFile(ProgressSink& log, const QStringList& files,
                 const std::function<void(qsizetype index, const QString& file)>& eachFile)
{
    for (qsizetype i = 0; i < files.size(); ++i) {
        log.ProcessPendingEvents();
        if (log.Stopped()) {
            log.AddLine(QStringLiteral("User cancel operation!"));
            return false;
        }
        eachFile(i, files.at(i));
    }
    return true;
}

QString FileNumber(qsizetype index, qsizetype count)
{
    return QString::number(index + 1) + u'/' + QString::number(count) + u' ';
}
