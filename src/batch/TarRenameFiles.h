#pragma once
// The batch rename run: in every source file's name the first `oldText` is replaced by `newText`;
// files whose names lack `oldText` are left alone without a log entry.

#include "batch/BatchSinks.h"

#include <QString>
#include <QStringList>

class FileList;

// The path a file gets when it is renamed to `newName` in its own folder: the folder part of
// `source` (up to its last separator or drive colon, with a separator added when it lacks one)
// followed by `newName`. A bare `source` gives a bare name: a file in the current folder.
QString SiblingPath(const QString& source, const QString& newName);

// Renames the file `source` to `newName` in its own folder and never replaces an existing file.
// A `newName` that is not a plain file name (empty, "." or "..", or with a separator or drive
// colon in it) is refused like a rename the system refuses, so a rename never moves a file
// elsewhere. The batch run and the single "Rename file" both rename through it. On failure
// `reason`, when given, gets why, as a sentence for the log or a message ("The new name is
// longer than 255 bytes.").
bool RenameInPlace(const QString& source, const QString& newName, QString* reason = nullptr);

// "Rename file": RenameInPlace recorded in the undo journal first, so that "Undo last rename"
// takes it back. A journal that cannot be written does not keep the file from being renamed.
bool RenameSingleFile(const QString& source, const QString& newName, QString* reason = nullptr);

// Every rename run is recorded in the undo journal (journal/Journal.h, kind "rename") before
// its first file is renamed, with each file's old and new path and its identity; each file is
// marked renamed or failed as the run goes. When the journal cannot be written the run still
// goes, and its log says that it cannot be undone.
class TarRenameFiles {
public:
    explicit TarRenameFiles(ProgressSinkFactory& progress);

    QStringList sourceFiles;  // full paths, in file-list order
    QString oldText;
    QString newText;
    bool caseSensitive = true;
    QStringList renamedFiles; // built by Execute: new full path of each file renamed, in run order

    void Execute();

    // Brings a file list up to date after Execute: every entry whose file no longer exists
    // leaves it (the renamed ones, and any other whose file has gone, checked or not), then
    // each of `renamedFiles` is appended at the end, unchecked, by the directory rule, unsorted.
    void UpdateFileList(FileList& list) const;

    const RunResult& Result() const { return m_result; }

private:
    ProgressSinkFactory& m_progress;
    RunResult m_result;
};
