#pragma once
// "Undo last property save": puts the custom properties the documents of the last property save
// had (the editor's "Save custom properties" or `docprops apply`) back, from the undo journal,
// with a log like the rename undo's.

#include "batch/BatchSinks.h"

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
    QStringList Restored;

    const RunResult& Result() const { return result_; }

private:
    ProgressSinkFactory& progress_;
    MessageSink& messages_;
    RunResult result_;
};
