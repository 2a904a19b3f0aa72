#pragma once
// The file loop every batch run shares (copy, rename, print, update drafts).

#include "batch/BatchSinks.h"

#include <QString>
#include <QStringList>

#include <functional>

// Calls EachFile with the index and path of every file in order. Before each file it lets
// pending events run (a repaint, a Cancel click) and then asks Log whether to stop; a stop
// writes "User cancel operation!" and ends the loop before that file, so Cancel never cuts a
// file's work in half. Returns false when the loop was stopped.
bool ForEachFile(ProgressSink& log, const QStringList& files,
                 const std::function<void(qsizetype index, const QString& file)>& eachFile);

// "3/12 ": the number of the file at Index among Count files and a blank; a file's log line
// starts with it.
QString FileNumber(qsizetype index, qsizetype count);
