#pragma once
// Writes the changes for one document: the write behind "Save custom properties", `docprops
// apply`, `set` and `remove`.

#include "properties/CustomProperties.h"
#include "properties/OleDocumentProperties.h"

#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

class TOleDocPropClassWrapper {
public:
    // Writes `properties` into the document at `path`, each as a text property (empty text as a
    // single blank " "). First removes every custom property when `deleteAll` is true, otherwise
    // those whose names match an entry of `properties` ignoring case. An entry marked `untouched`
    // whose name the document holds with another type than text leaves that property alone
    // (also under `deleteAll`). Saves once, then closes.
    // Before all that, the properties named in `removals` (ignoring case) are removed whatever
    // their type.
    // With `file`, only the file read earlier is written (TOleDocumentProperties::OpenSameFile).
    // A path where no document can be opened (gone, a folder, a FIFO, another file than `file`)
    // fails like any other error: on any error the document is closed without saving (it keeps
    // what it had) and the KrdlError propagates.
    // `system` gives the document's own properties new text in the same save (see
    // TOleDocumentProperties::SetSystemValue).
    void ApplyChanges(const QString& path, const TDocCustomProperties& properties, bool deleteAll,
                      const QStringList& removals = {}, const DocumentFile* file = nullptr,
                      const std::vector<std::pair<QString, QString>>& system = {});

    // The changes of ApplyChanges made to the open document's properties, not saved: the save
    // itself, and the undo journal's look ahead at what a save will leave in a document.
    static void ChangeProperties(TOleCustomProperties& custom, const TDocCustomProperties& properties, bool deleteAll,
                                 const QStringList& removals = {});
    // The document's own properties of ApplyChanges set in the open document, not saved.
    static void ChangeSystemProperties(TOleDocumentProperties& document,
                                       const std::vector<std::pair<QString, QString>>& system);

    // True while a document is open; never after ApplyChanges has returned or thrown.
    bool IsOpen() const { return m_component.IsOpen(); }

private:
    TOleDocumentProperties m_component;
};
