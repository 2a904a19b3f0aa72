#pragma once
// The copy run: every source file into one destination folder, keeping its name, with one log
// entry per file.

#include "batch/BatchSinks.h"

#include <QString>
#include <QStringList>

#include <chrono>

// Before the first file, the run removes from the destination the temporaries of earlier copies
// that died there (platform::RemoveLeftoverCopies), with one log line for each.
class TarCopyFiles {
public:
    TarCopyFiles(ProgressSinkFactory& progress, MessageSink& messages);

    QStringList sourceFiles;      // full paths, in file-list order
    QString destinationDir;       // as the user gave it
    bool overwrite = false;       // replace files that exist at the destination
    QStringList destinationFiles; // built by Execute: the target of each file handled
    // A temporary left in the destination counts as left over once it has not changed for this
    // long and no copy holds it.
    std::chrono::seconds leftoverAge = std::chrono::hours(24);

    // Checks the destination (a message and no log when it is not set or cannot be created),
    // then copies file by file into a log, until the end or a cancel.
    void Execute();

    const RunResult& Result() const { return m_result; }

private:
    ProgressSinkFactory& m_progress;
    MessageSink& m_messages;
    RunResult m_result;
};
