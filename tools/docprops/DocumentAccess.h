#pragma once
// What several docprops commands do with documents.

#include "properties/DocumentChanges.h"
#include "properties/LoadCustomProperties.h"

#include <QList>
#include <QString>
#include <QStringList>

// `path` in double quotes, as messages name files.
QString Quoted(const QString& path);

// Loads the documents' custom properties on the loader's threads; Ctrl+C or SIGTERM stops the
// load, and the documents not reached come back as cancelled (export, apply --csv).
// With `system`, the document's own properties of those names too.
QList<LoadedDocument> LoadUntilInterrupted(const QStringList& paths, const QStringList& system = {});

// Writes one document's changes through the apply step of `docprops apply` and of the editor's
// save, so that the undo journal records the document's properties first and `docprops undo`
// takes the change back (set, remove). Returns the exit code: 0 also when the document holds
// the values already ("<path>: Nothing to change." on standard output, nothing written).
int WriteOneDocument(DocumentChanges change);
