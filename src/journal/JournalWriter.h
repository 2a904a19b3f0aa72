#pragma once
// Writes one run of the undo journal while the run changes files:
//
//   JournalWriter journal(kRenameJournal, items); // on the disk before any file changes
//   for each item i: change the file, then journal.MarkDone(i) or journal.MarkFailed(i, why)
//   (a long run: journal.AppendItems(next) before the next batch's files change, and on)
//   journal.End(completed);
//
// A writer destroyed without End (an error went through the run) leaves the run as a crash
// would: without its end line, so that an undo checks each unmarked file itself.

#include "journal/JournalRun.h"

#include <memory>

namespace platform {
class InstanceLock;
}

class JournalWriter {
public:
    // Writes the run's header and items to a new run file (a temporary file flushed to the
    // disk and renamed into place, then the folder flushed), and holds the run's lock until End.
    // Throws KrdlError when the journal cannot be written; nothing is changed then.
    JournalWriter(const QString& kind, const std::vector<JournalItem>& items);
    ~JournalWriter();
    JournalWriter(const JournalWriter&) = delete;
    JournalWriter& operator=(const JournalWriter&) = delete;

    const QString& FileName() const { return m_fileName; }
    // How many items the run holds.
    qsizetype ItemCount() const { return m_itemCount; }

    // A run that changes its files a batch at a time records each batch before changing it:
    // appends `items` after those there are (numbered on from ItemCount()) and flushes them to the
    // disk. Throws KrdlError when they cannot be written; then nothing more is written to the
    // run, which reads as one cut short by a crash before that batch.
    void AppendItems(const std::vector<JournalItem>& items);

    // Appended as they happen; not flushed to the disk one by one (after a power cut the
    // identities tell what happened). After a mark that cannot be written none are: the run
    // then reads as one cut short by a crash.
    void MarkDone(qsizetype index, const QString& note = {});
    void MarkFailed(qsizetype index, const QString& reason = {});

    // Writes the end line and flushes the run to the disk. A run that changed nothing has
    // nothing to undo and is removed. Then old runs of the kind beyond the kept number go.
    void End(bool completed);

private:
    void Append(const QStringList& fields);

    QString m_kind;
    QString m_fileName;
    std::unique_ptr<platform::InstanceLock> m_lock;
    JournalAppender m_out;
    qsizetype m_itemCount = 0;
    bool m_anyDone = false;
    bool m_broken = false;
    bool m_ended = false;
};
