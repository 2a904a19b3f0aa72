#include "filelist/FileNameReport.h"

#include "common/PathText.h"

using namespace Qt::StringLiterals;

QStringList FileNameReportLines(const QStringList& paths, bool withPath)
{
    QStringList lines;
    lines.reserve(paths.size());
    for (qsizetype i = 0; i < paths.size(); ++i) {
        const QString& path = paths.at(i);
        QString shown = path;
        if (!withPath) {
            // Only folder separators cut the name: a drive colon stays part of it.
            const PathStyle style = GuessPathStyle(path);
            qsizetype sep = path.size() - 1;
            while (sep >= 0 && !IsPathSeparator(path.at(sep), style))
                --sep;
            shown = path.mid(sep + 1);
        }
        lines.append(QString::number(i + 1) + u". "_s + shown);
    }
    return lines;
}
