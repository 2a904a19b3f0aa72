#pragma once
// The custom properties of many documents at once, for the property editor. A small pool of
// threads reads them: on a network share every read is a round trip, and the round trips of
// different documents overlap. Documents are only read (never locked, never changed).
//
//     std::stop_source stop;                 // a Cancel button calls stop.request_stop()
//     LoadOptions options;
//     options.stop = stop.get_token();
//     options.progress = [&](qsizetype done, qsizetype total) { bar->setValue(done); pump(); };
//     const QList<LoadedDocument> documents = LoadCustomProperties(paths, options);
//     for (const LoadedDocument& d : documents)   // one per path, in the order of `paths`
//         if (d.status == LoadedDocument::Loaded) ... else if (d.status == LoadedDocument::Failed) log(d.error);

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>
#include <stop_token>

namespace cfb {
class BlockFile;
}

// One custom property as TOleCustomProperty gives it.
struct LoadedProperty {
    QString name;
    qint32 type = 0;  // the type code: 1 text, 2 integer, 3 floating point, 4 Yes/No, 5 date, 0 other
    QVariant value;   // as TOleCustomProperty::Value; PropertyValueText gives its text
};

struct LoadedDocument {
    // Missing: no regular file at the path (with LoadOptions::stopAtMissing only).
    enum Status { Loaded, Failed, Missing, Cancelled };
    QString path;
    Status status = Cancelled;
    QString error;                     // Failed, Missing: why, naming the file (as TOleDocumentProperties says it)
    QList<LoadedProperty> properties;  // Loaded: in the document's order
    // Loaded: those of LoadOptions::system the document has, in that order.
    QList<LoadedProperty> system;
    // Loaded: those of LoadOptions::system that cannot be written into the document (shown only,
    // or their set is missing and never created).
    QStringList systemReadOnly;
};

struct LoadOptions {
    // Threads reading at once; never more than there are documents, at least one.
    int threads = 8;
    // Up to this many while the reads mostly wait (a network share): see `WorkerPoolOptions::maxThreads`.
    int maxThreads = 128;
    // Once stop is requested, documents not begun yet come back Cancelled; those being read
    // are finished. It may be requested from any thread, also from `progress`.
    std::stop_token stop;
    // Called on the calling thread whenever documents have finished, with how many are
    // finished so far (calls for several at once are merged); the last call has every document
    // that was read. May run the caller's event loop.
    std::function<void(qsizetype done, qsizetype total)> progress;
    // Stops at the first path without a regular file, as the property editor does: every path
    // is checked before its document is opened, and a document is opened only when every path
    // before it holds a file. That path comes back Missing; no document after it is opened
    // (they come back Cancelled); those before it are read as usual.
    bool stopAtMissing = false;
    // The document's own properties to read as well (cfb::SystemPropertyDefinitions names).
    QStringList system;
    // Opens a document for reading; by default the file on disk. Tests and benchmarks put a
    // slower or failing file in its place. A throw counts as the document's failure.
    std::function<std::unique_ptr<cfb::BlockFile>(const QString& path)> openFile;
};

// Reads the custom properties of every path; one result per path, in the order of `paths`
// (a path given twice is read twice). A failing document does not stop the others. Returns
// when every thread has finished.
QList<LoadedDocument> LoadCustomProperties(const QStringList& paths, const LoadOptions& options = {});
