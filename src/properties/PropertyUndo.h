#pragma once
// "Undo last property save": puts the custom properties the documents of the last property save
// had (the editor's "Save custom properties" or `docprops apply`) back, from the undo journal,
// with a log like the rename undo's.

#include "batch/BatchSinks.h"
#include "journal/JournalRun.h"

#include <QString>
#include <QStringList>

class PropertyUndo {
public:
    PropertyUndo(ProgressSinkFactory& progress, MessageSink& messages);

    // Takes the newest property save not taken back yet; a message and no log when there is
    // none, or when that save is still going on. Each document the save wrote gets exactly the
    // custom properties it had before (names, types, values), all or nothing, while it is the
    // file the save wrote and holds what the save left there; any other is logged with the
    // reason and left as it is. A save cut short by a crash has its documents looked at too:
    // one it never reached still holds its recorded properties and counts as put back. A
    // cancelled undo can be taken up again; the undo after a finished one takes the save before.
    void Execute();

    // The documents whose properties were put back, in the order done.
    QStringList restored;

    const RunResult& Result() const { return m_result; }

private:
    ProgressSinkFactory& m_progress;
    MessageSink& m_messages;
    RunResult m_result;
};

// What taking back one document of a property save found and did.
struct PropertyRestore {
    enum Outcome {
        Restored,   // the recorded properties are back
        Unchanged,  // the document holds the recorded properties: the save did not change it
        Unrestored, // left as it is for good: Reason says why (changed since, another file, gone)
        Failed,     // left as it is this time: Reason is the error (locked, unreadable, no space)
    };
    Outcome outcome = Unrestored;
    QString reason;
};

// Whether item I of the run may need taking back: a document the save marked done, or one it
// did not mark in a run cut short.
bool PropertyRestoreNeeded(const JournalRun& run, std::size_t i);

// Puts the recorded custom properties of item I back into its document, all or nothing, in
// place and crash-safe, while the document is the file the save wrote and holds what the save
// left there.
PropertyRestore RestoreDocumentProperties(const JournalItem& item);
