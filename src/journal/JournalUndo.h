#pragma once
// Taking back the last run of a kind: finds the newest run not taken back yet, holds its lock
// while the undo works, and records what was put back and what could not be:
//
//   JournalUndo undo(kRenameJournal);
//   if (undo.UndoStatus() == JournalUndo::Ready) {
//       for each item i still to put back:
//           ... undo.MarkUndone(i), undo.MarkLeftAlone(i, why) or undo.MarkFailed(i, why);
//           a false return: the journal cannot be written, stop (Problem() says why)
//       undo.End();
//   }
//
// An undo cut short (a crash, a cancel) leaves the run without "undo-end": the next undo takes
// the same run again and skips the items already marked undone or left alone. An undo that
// came to its end with items failed (a locked document) leaves the run the next one to take
// back too: the next undo tries exactly those items again.

#include "journal/JournalRun.h"

#include <memory>

namespace platform {
class InstanceLock;
}

class JournalUndo {
public:
    enum Status {
        Ready,         // Run() is the run to take back
        NothingToUndo, // no run of the kind, or every one taken back already
        Busy,          // the newest run is still being written, or another undo works on it
        Unusable,      // the run to take back cannot be read or is damaged: nothing of it is
                       // used, and no older run is taken in its place (RunFile, Problem)
        CannotRecord,  // the run's file cannot be written, so the undo could not record what it
                       // does and would do it again next time: nothing is done (RunFile, Problem)
    };

    explicit JournalUndo(const QString& kind);
    ~JournalUndo();
    JournalUndo(const JournalUndo&) = delete;
    JournalUndo& operator=(const JournalUndo&) = delete;

    Status UndoStatus() const { return m_status; }
    // The run taken; valid while UndoStatus() is Ready.
    const JournalRun& Run() const { return m_run; }
    // The file of the run taken, or of the run that is Unusable or CannotRecord.
    const QString& RunFile() const { return m_runFile; }
    // Unusable: what is wrong with the run ("it is damaged (...)"). CannotRecord, or after a
    // mark that returned false: why the journal cannot be written (a sentence).
    const QString& Problem() const { return m_problem; }

    // Each returns false, with Problem() set, when the mark cannot be written.
    bool MarkUndone(qsizetype index);
    bool MarkLeftAlone(qsizetype index, const QString& reason);
    bool MarkFailed(qsizetype index, const QString& reason);
    // The undo is over: this run is not offered again unless an item failed. Flushed to the disk.
    bool End();

private:
    bool Append(const QStringList& fields);

    Status m_status = NothingToUndo;
    JournalRun m_run;
    QString m_runFile;
    QString m_problem;
    std::unique_ptr<platform::InstanceLock> m_lock;
    JournalAppender m_out;
};
