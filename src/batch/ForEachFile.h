#pragma once
// The file loop every batch run shares (copy, rename, print, update drafts).

#include "batch/BatchSinks.h"

#include <QString>
#include <QStringList>

#include <functional>

// A run's log: a new sink from `progress` with `caption`, shown, `firstLine` its first line.
ProgressSink& StartLog(ProgressSinkFactory& progress, const QString& caption, const QString& firstLine);

// Calls `eachFile` with the index and path of every file in order. Before each file it lets
// pending events run (a repaint, a Cancel click) and then asks `log` whether to stop; a stop
// writes "User cancel operation!" and ends the loop before that file, so Cancel never cuts a
// file's work in half. `log` hears how many files are done (SetProgress) before the first file
// and after each one. Returns false when the loop was stopped.
bool ForEachFile(ProgressSink& log, const QStringList& files,
                 const std::function<void(qsizetype index, const QString& file)>& eachFile);

// The loop of a copy or rename run: ForEachFile, then the closing lines " " and `closingLine` and
// the log's Finish. An error that `eachFile` lets through finishes the log and goes on to the
// caller. Returns false when the loop was stopped.
bool RunFileLoop(ProgressSink& log, const QStringList& files, const QString& closingLine,
                 const std::function<void(qsizetype index, const QString& file)>& eachFile);

// Writes "Success!" or "Failed!" for one file and counts it in `result`; a failure's `reason`, when
// there is one, follows on the same line ("Failed! The disk is full.").
void LogFileOutcome(ProgressSink& log, bool success, RunResult& result, const QString& reason = {});

// "3/12 ": the number of the file at `index` among `count` files and a blank; a file's log line
// starts with it.
QString FileNumber(qsizetype index, qsizetype count);
