#pragma once
// The custom properties of many documents, read for the property editor's rows. Documents are
// only read: a read-only or write-locked document loads like any other.
//
//     std::stop_source stop;                   // a Cancel button calls stop.request_stop()
//     ReadOptions options;
//     options.stop = stop.get_token();
//     options.progress = [&](qsizetype done, qsizetype total) { bar->setValue(done); pump(); };
//     const QList<DocumentValues> documents = ReadDocumentValues(paths, options);

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <stop_token>

struct DocumentValues {
    enum Status { Loaded, Failed, Cancelled };
    struct Property {
        QString name;
        qint32 type = 0;
        QVariant value; // as TOleCustomProperty::Value
    };
    QString path;
    Status status = Cancelled;
    QString error;              // Failed: why, naming the file
    QList<Property> properties; // Loaded: in the document's order
};

struct ReadOptions {
    // Once requested, documents not read yet come back Cancelled.
    std::stop_token stop;
    // Called on the calling thread after each document with how many are done (the last call
    // has them all); may run the caller's event loop.
    std::function<void(qsizetype done, qsizetype total)> progress;
};

// One result per path, in the order of `paths`; a failing document does not stop the others.
QList<DocumentValues> ReadDocumentValues(const QStringList& paths, const ReadOptions& options = {});
