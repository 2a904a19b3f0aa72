#pragma once
// docprops export --csv OUT.csv [--force] FILE...
//
// Writes the custom properties of the documents as a property CSV (properties/PropertyCsv.h),
// the file "Export CSV" of the property editor writes: one row per document in the order given,
// its absolute path first, one column per property name found in any of them (names equal
// ignoring case are one column, spelled as first seen, in first-seen order), each value as the
// editor shows it. A document that cannot be read is reported on standard error and left out;
// the others are still written, and the exit code is then 1. After Ctrl+C or SIGTERM nothing is
// written. OUT.csv is refused (exit code 1, nothing written) when it is one of the documents or
// another compound document, and when it is named like a document unless --force is given.

#include "properties/LoadCustomProperties.h"

#include <QStringList>

// The arguments after "export".
int ExportCommand(const QStringList& args);

// The usage line and the help paragraph of the command, for the tool's own.
QString ExportUsage();
QString ExportHelp();

// Loads the documents' custom properties on the loader's threads; Ctrl+C or SIGTERM stops the
// load, and the documents not reached come back as cancelled. Shared with "apply --csv".
QList<LoadedDocument> LoadUntilInterrupted(const QStringList& paths);
