#pragma once
// Taking back the last run of a kind: finds the newest run whose undo has not ended, holds its
// lock while the undo works, and records what was put back and what could not be:
//
//   JournalUndo undo(kRenameJournal);
//   if (undo.status() == JournalUndo::Ready) {
//       for each item i still to put back: ... undo.MarkUndone(i) or undo.MarkUnrestored(i, why)
//       undo.End();
//   }
//
// An undo cut short (a crash, a cancel) leaves the run without "undo-end": the next undo takes
// the same run again and skips the items already marked undone.

#include "journal/JournalRun.h"

#include <fstream>
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
    };

    explicit JournalUndo(const QString& kind);
    ~JournalUndo();
    JournalUndo(const JournalUndo&) = delete;
    JournalUndo& operator=(const JournalUndo&) = delete;

    Status status() const { return status_; }
    // The run taken; valid while status() is Ready.
    const JournalRun& Run() const { return run_; }

    void MarkUndone(qsizetype index);
    void MarkUnrestored(qsizetype index, const QString& reason);
    // The undo is over: this run is not offered again. Flushed to the disk.
    void End();

private:
    Status status_ = NothingToUndo;
    JournalRun run_;
    std::unique_ptr<platform::InstanceLock> lock_;
    std::ofstream out_;
};
