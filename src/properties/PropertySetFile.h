#pragma once
// Property set files ("*.props"): the values of the property editor's grid, file by file, kept to
// be put back into a grid or applied to the documents another day. An INI file:
//
//     [Files]
//     file1=C:\Work\flange.par          <- one entry per document
//     [file1]                           <- the section named by the entry's key
//     CustomPropMaterial=Material;S235  <- one entry per column: name ";" value
//     CustomPropFinish=Finish;          <- a column without a value
//
// Only an entry's value counts when reading: the name before the first ";" and the value after
// it (the whole rest, ";" included). The key is never read.
//
//     QList<PropertySetRow> rows = PropertySetRowsFromCells(grid.CellsObject(), cols, rows);
//     SavePropertySet(fileName, rows);          // throws KrdlError; the old file stays as it was
//     QList<PropertySetRow> loaded;
//     if (ReadPropertySet(fileName, loaded, &reason)) ...

#include <QList>
#include <QPair>
#include <QString>

// The values of one document: (property name, value) in column order.
struct PropertySetRow {
    QString path;
    QList<QPair<QString, QString>> values;
};

// Writes `rows` into the set file, keeping everything of it that they do not concern. A row whose
// path the file's `Files` section lists already (ignoring case, the first such entry) gets that
// entry's section rewritten; another row gets a new entry "file" + (n + 1), where n counts the
// entries, moving on to the next free number when that key is taken. Of two rows with one path
// the later one's values stay. The file is replaced once, safely, at the end: on any error it
// is left as it was. Throws KrdlError "Unable to write to <full path>" when the file cannot be
// read or replaced, and names the document and the property when a value holds a line break,
// which the file cannot hold.
void SavePropertySet(const QString& fileName, const QList<PropertySetRow>& rows);

// Reads the set: one row per entry of `Files`, in file order, with the name and value of every
// entry of its section. A file without `Files` gives no rows. Returns false with the reason when
// the file is missing or cannot be read, or when its text is refused ("line N: ...", damaged
// UTF-8, see common/SharedText.h).
bool ReadPropertySet(const QString& fileName, QList<PropertySetRow>& rows, QString* reason = nullptr);
// The same over the file's bytes: false only for a refused text.
bool ParsePropertySet(const QByteArray& bytes, QList<PropertySetRow>& rows, QString* reason = nullptr);

// The name and value a set entry's value holds: the text before the first ";" and everything
// after it; without ";" the whole text is the name and the value is empty.
QPair<QString, QString> SplitPropertySetValue(const QString& entryValue);
