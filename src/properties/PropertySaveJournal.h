#pragma once
// The undo journal of a property save (kind "properties", journal/Journal.h); PropertyUndo.h
// takes such a run back.
//
// Before the save writes its first document, every document it is going to write is opened
// and recorded in one journal item, on the disk before any document changes (a save written a
// batch at a time records each batch so, in one run, before the batch's first document):
//
//   item  <path>  (no new path)  <identity>        platform::FileIdentity of the document
//   prop  <name>  <type>  <stored value>           each custom property it had, in its order:
//                                                  the type's name (PropertyTypeName) and the
//                                                  value as stored (StoredValue) in hexadecimal,
//                                                  so that every type comes back exactly
//   attr  codepage  <n>                            what the stored text values mean
//   attr  system:<name>  <stored value>            each of the document's own properties its
//                                                  rows set (cfb::SystemPropertyDefinitions
//                                                  names), stored value in hexadecimal, empty
//                                                  for one the document did not have; older
//                                                  versions pass these over
//   attr  after  <fingerprint>                     what the document will hold after each of
//                                                  its rows, in row order (a look ahead made by
//                                                  applying the rows to the open document
//                                                  without saving it)
//
// A document that every row would leave holding the custom properties it has (in any order) is
// not recorded and not written (Unchanged): a save that changes no document leaves no run.
//
// The save then marks each document done (a row of it was written) or failed. An undo puts a
// document back only while it holds what the save left there (its fingerprint is one of the
// "after" ones) and is the same file; one that holds its recorded properties already was not
// changed by the save (a run killed before it) and is left as it is.

#include "journal/JournalRun.h"
#include "properties/DocumentChanges.h"
#include "properties/OleDocumentProperties.h"

#include <QString>

#include <memory>
#include <mutex>
#include <vector>

class JournalWriter;
class TOleCustomProperties;

// A document's custom properties as the journal records them.
struct StoredProperties {
    quint16 codePage = 0;
    std::vector<JournalProperty> properties; // name, type name, stored value in hexadecimal
    // The document's own properties a save sets: name and stored value in hexadecimal (empty
    // when the document has no such property), in the order of the save's names.
    std::vector<std::pair<QString, QString>> system;
};

StoredProperties ReadStoredProperties(TOleCustomProperties& custom);
// The custom properties and the document's own properties named `systemNames`.
StoredProperties ReadStoredProperties(TOleDocumentProperties& document, const QStringList& systemNames);

// The attributes of a document's journal item beside its properties: the code page of the
// stored text values, and each fingerprint the document holds after one of its rows.
inline const QString kCodePageAttribute = QStringLiteral("codepage");
inline const QString kAfterAttribute = QStringLiteral("after");
// The key prefix of the attributes that record the document's own properties.
inline const QString kSystemAttributePrefix = QStringLiteral("system:");

// The file identity a journal item records (platform::FileIdentity: the path's own file, a link
// not followed), which the undo compares with the file it opens.
QString JournalFileIdentity(const QString& path);

// A digest of the names and values of the properties, in their order, and of the code page:
// equal for two documents that hold the same custom properties, whatever their ids or the
// padding of their values.
QString PropertyFingerprint(const StoredProperties& stored);

// True when A and B hold the same custom properties, in whatever order: equal fingerprints
// once sorted by name and value.
bool SameProperties(const StoredProperties& a, const StoredProperties& b);

class PropertySaveJournal {
public:
    // Reads each document of the save: `documents` holds, per document, the indexes of the rows
    // of `changes` that write it, in order. A document that cannot be opened for writing is not
    // recorded (ReadError); the save must leave it alone. When the journal cannot be written,
    // WriteError says so and the marks go nowhere.
    PropertySaveJournal(const std::vector<DocumentChanges>& changes,
                        const std::vector<std::vector<std::size_t>>& documents, bool deleteOthers);
    // A save written a batch at a time (ApplyOptions::journalRun) is one run: Record reads and
    // records each batch before it is written, and End ends the run once, after the last batch.
    // ReadError, Unchanged, File, SaveReached, Written and Failed then count the documents of
    // the batch recorded last.
    PropertySaveJournal();
    void Record(const std::vector<DocumentChanges>& changes, const std::vector<std::vector<std::size_t>>& documents,
                bool deleteOthers);
    ~PropertySaveJournal();
    PropertySaveJournal(const PropertySaveJournal&) = delete;
    PropertySaveJournal& operator=(const PropertySaveJournal&) = delete;

    const QString& ReadError(std::size_t document) const { return m_readErrors[document]; }
    // The rows of the document would leave it as it is: it is not recorded, and the save must
    // not write it.
    bool Unchanged(std::size_t document) const { return m_unchanged[document]; }
    const QString& WriteError() const { return m_writeError; }
    // The file the document was read from, which the save must write and no other; null for a
    // document not recorded (ReadError).
    const DocumentFile* File(std::size_t document) const;
    // Whether the document, the very file read, holds now what one of its rows leaves there
    // rather than what it held when read: a save that failed after it reached the document.
    bool SaveReached(std::size_t document) const;

    // A row of the document was written / failed; called from any thread.
    void Written(std::size_t document);
    void Failed(std::size_t document, const QString& reason);
    void End(bool completed);

private:
    // What was read of a recorded document, in memory only.
    struct Read {
        QString path;
        DocumentFile file;
        QString before;      // PropertyFingerprint when read
        QStringList after;   // PropertyFingerprint after each of its rows
        QStringList systemNames; // the document's own properties its rows set
    };
    // Per document of the batch recorded last:
    std::vector<Read> m_read;
    std::vector<qsizetype> m_itemOf; // its journal item or -1
    std::vector<bool> m_done;        // a row of it was written
    std::vector<bool> m_unchanged;   // Unchanged
    std::vector<QString> m_readErrors;
    QString m_writeError;
    std::unique_ptr<JournalWriter> m_writer;
    std::mutex m_mutex;
};
