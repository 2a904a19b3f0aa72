#pragma once
// "Undo last rename": puts the files of the last rename run (a batch run or a single "Rename
// file") back under their old names, from the undo journal, with a log like the rename run's.

#include "batch/BatchSinks.h"

#include <QString>

#include <utility>
#include <vector>

class FileList;

class RenameUndo {
public:
    RenameUndo(ProgressSinkFactory& progress, MessageSink& messages);

    // Takes the newest rename run not taken back yet; a message and no log when there is none,
    // or when that run is still going on. Its files go back last renamed first, each one only
    // while the file at its new path is still the one renamed and its old name is free; any
    // other is logged with the reason and left as it is. Files the run never renamed are left
    // alone without a line. A run cut short by a crash counts a file it did not mark as renamed
    // when the renamed file stands at the new path. A cancelled undo can be taken up again.
    void Execute();

    // Each file put back: its new path and the old path it has again, in the order done.
    std::vector<std::pair<QString, QString>> restored;

    // Each entry of a file put back takes its old path again (by the directory rule), in its
    // place and with its check mark.
    void UpdateFileList(FileList& list) const;

    const RunResult& Result() const { return m_result; }

private:
    ProgressSinkFactory& m_progress;
    MessageSink& m_messages;
    RunResult m_result;
};
