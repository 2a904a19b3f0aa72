#pragma once
// Writing changed property values into many documents: the one apply step behind "Save custom
// properties" of the property editor and `docprops apply`.
//
//     std::vector<DocumentChanges> changes = CollectDocumentChanges(cells, cols, rows);  // PropertyGrid.h
//     ApplyOptions options;
//     options.deleteOthers = chkDeleteOtherProperties->isChecked();
//     const ApplyReport report = ApplyDocumentChanges(changes, options);
//     if (report.stoppedAt >= 0)          // the editor: no file at that row, the run ended there
//         warn(changes[report.stoppedAt].path);
//     for (std::size_t i = 0; i < report.results.size(); ++i)
//         if (report.results[i].status == ApplyResult::Failed) report(report.results[i].error);
//
// Each document is written by TOleDocPropClassWrapper::ApplyChanges: all or nothing, in place and
// crash-safe. Documents are written on a few threads at once, since every save waits for the
// disk; rows that name one file are written one after the other, in row order.

#include "properties/CustomProperties.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <utility>
#include <vector>

class PropertySaveJournal;

// The changes for one document (one grid row).
struct DocumentChanges {
    QString path;        // empty for a row that has no document
    bool changed = false; // a value of the row was changed: only then is the document written
    // Changed rows: one entry per column, in column order (the left one of two equal names).
    TDocCustomProperties properties;
    // Names of properties to remove from the document, ignoring case, whatever their type
    // (`docprops remove`); removed before `properties` are written.
    QStringList removals;
    // The document's own properties to write (name as cfb::SystemPropertyDefinitions names it,
    // text; a null text removes the property), saved with the custom ones in the same save;
    // "delete other properties" never touches them.
    std::vector<std::pair<QString, QString>> system;
};

// The prefix that names the document's own properties where custom properties are named too
// (property set files, CSV, docprops): "System.Title".
inline const QString kSystemPropertyPrefix = QStringLiteral("System.");

// For `name` of the form "System." and the name of one of the document's own properties (both
// ignoring case), that property's name as the program spells it ("Document Number"); for a
// name with the prefix and no such property an empty QString; otherwise a null QString.
QString SystemPropertyName(const QString& name);

struct ApplyResult {
    enum Status {
        NotWritten, // nothing changed, the row would leave the document as it is, or the run
                    // ended before the row
        Written,
        Failed,     // the document keeps what it had; `error` says why, naming the file
        Missing,    // no file at the path (a folder or other non-file counts as none)
        Cancelled,  // changed, but the run was stopped before it
    };
    Status status = NotWritten;
    QString error;
};

struct ApplyOptions {
    // Remove the documents' custom properties that are not among the changes.
    bool deleteOthers = false;
    // The editor's rule: the first row, changed or not, whose file does not exist ends the run;
    // the rows above it are written, it and the rows below are not. Otherwise a missing file
    // is one failure among others.
    bool stopAtMissing = true;
    // Documents written at once; at least one.
    int threads = 8;
    // Up to this many while the saves mostly wait (flushes, a network share): see
    // `WorkerPoolOptions::maxThreads`.
    int maxThreads = 128;
    // Called on the calling thread while the run works, with how many of the documents to
    // write are done.
    std::function<void(qsizetype done, qsizetype total)> progress;
    // Asked (from any thread) before each document; once it says true, the documents not begun
    // are left as they are. A document being written is finished.
    std::function<bool()> stop;
    // Record the documents' properties in the undo journal before the first one is written
    // (PropertySaveJournal.h), so that "Undo last property save" takes the save back. A
    // document that cannot be read for that is not written (Failed); one that its rows would
    // leave holding what it holds is neither written nor recorded (NotWritten). The write goes
    // to the very file the journal read: a document replaced since (by another file, a link, a
    // folder) or gone fails with that reason.
    bool journal = true;
    // A save written a batch at a time (a long list) records every call in this one run of the
    // undo journal, so that one undo takes the whole save back; the caller ends it
    // (PropertySaveJournal::End). Null: each call records and ends a run of its own.
    PropertySaveJournal* journalRun = nullptr;
    // Called on the worker's thread with the row's index right before its document is opened
    // for writing, after the journal read it: tests change the file there.
    std::function<void(std::size_t row)> beforeWrite;
};

struct ApplyReport {
    std::vector<ApplyResult> results; // one per DocumentChanges, in their order
    int stoppedAt = -1;               // stopAtMissing: the index of the row that ended the run
    int written = 0;
    int failed = 0;                   // Failed and Missing (the row that ended the run included)
    int cancelled = 0;
    // The undo journal could not be written (the save went on): the message, ending with
    // "This save cannot be undone."
    QString journalError;
};

ApplyReport ApplyDocumentChanges(const std::vector<DocumentChanges>& changes, const ApplyOptions& options);

// "File " + DQ + " " + path + DQ + " doesn't exist!", the warning at a row without a file.
QString FileDoesNotExistMessage(const QString& path);
