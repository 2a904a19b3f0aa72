#pragma once
// The copy run: every source file into one destination folder, keeping its name, with one log
// entry per file.

#include "batch/BatchSinks.h"

#include <QString>
#include <QStringList>

class TarCopyFiles {
public:
    TarCopyFiles(ProgressSinkFactory& progress, MessageSink& messages);

    QStringList SourceFiles;      // full paths, in file-list order
    QString DestinationDir;       // as the user gave it
    bool Overwrite = false;       // replace files that exist at the destination
    QStringList DestinationFiles; // built by Execute: the target of each file handled

    // Checks the destination (a message and no log when it is not set or cannot be created),
    // then copies file by file into a log, until the end or a cancel.
    void Execute();

    const RunResult& Result() const { return result_; }

private:
    ProgressSinkFactory& progress_;
    MessageSink& messages_;
    RunResult result_;
};
