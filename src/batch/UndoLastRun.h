#pragma once
// The run "Undo last rename" and "Undo last property save" share: take the newest journal run
// of a kind that is not taken back yet, put its items back one by one into a log, and mark in
// the journal what came back and what could not.

#include "batch/BatchSinks.h"
#include "journal/JournalRun.h"

#include <QString>

#include <cstddef>
#include <functional>
#include <vector>

struct UndoTexts {
    QString caption; // of the log and of the message when there is nothing to do
    QString busy;    // the message while the newest run is still going on
    QString nothing; // the message when there is no run left to take back
    QString start;   // the log's first line, followed by the run's local time and "..."
    QString end;     // the log's closing line
    QString what;    // the run in messages about its journal: "rename", "property save"
};

// What putting one item back came to. Undone: the log says "Success!", followed by Note when
// there is one. Otherwise the log says "Failed! " and Note, the reason, which the journal keeps:
// LeftAlone for good (the file is not what the run left there), Failed for this time only
// (the next undo tries the item again).
struct UndoStep {
    enum Outcome { Undone, LeftAlone, Failed };
    Outcome outcome = Failed;
    QString note;
};

// A message and no log when there is no run of `kind` to take back, when it is still going on,
// when it cannot be read or is damaged (and then no older run is taken instead), or when its
// journal cannot be written. Otherwise a log in which `pick` chooses the items the run changed,
// in the order to put them back; of those, the ones not put back or left alone by an earlier
// undo are taken (after an undo that came to its end: the ones that failed there). Each gets
// the line `describe` gives it after its number, and `undoItem` puts it back. A cancel, or a mark
// the journal cannot take (the undo then stops), leaves the undo open, to be taken up again; a
// finished one is not offered again unless an item failed.
RunResult UndoLastRun(const QString& kind, ProgressSinkFactory& progress, MessageSink& messages, const UndoTexts& texts,
                      const std::function<std::vector<std::size_t>(const JournalRun&)>& pick,
                      const std::function<QString(const JournalItem&)>& describe,
                      const std::function<UndoStep(const JournalRun&, std::size_t)>& undoItem);
