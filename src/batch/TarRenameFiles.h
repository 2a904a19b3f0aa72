#pragma once
// The batch rename run: in every source file's name the first OldText is replaced by NewText;
// files whose names lack OldText are left alone without a log entry.

#include "batch/BatchSinks.h"

#include <QString>
#include <QStringList>

class TarRenameFiles {
public:
    explicit TarRenameFiles(TarProgressSinkFactory& progress);

    QStringList SourceFiles;  // full paths, in file-list order
    QString OldText;
    QString NewText;
    bool CaseSensitive = true;
    QStringList RenamedFiles; // built by Execute: new full path of each file renamed, in run order

    void Execute();

    const TarRunResult& Result() const { return result_; }

private:
    TarProgressSinkFactory& progress_;
    TarRunResult result_;
};
