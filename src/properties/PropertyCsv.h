#pragma once
// The property grid as a CSV file, for a round trip through a spreadsheet: the first column the
// document's full path, then one column per property, a header row with the names.
//
//     Path,Material,Finish
//     C:\Work\flange.par,S235,"painted, red"
//     C:\Work\cover.psm,"12"" pipe",
//
// Writing follows what spreadsheets read: "," between fields, a field quoted when it holds a
// separator (either of "," and ";"), a quote, a line break or leading or trailing blanks, with
// its quotes doubled; CR LF after every line; UTF-8 with a byte order mark (without it a
// spreadsheet takes the locale's code page).
//
// Reading takes what spreadsheets write: "," or ";" (the one found more often outside quotes in
// the header line; spreadsheets in locales with a decimal comma write ";"), with or without the
// byte order mark (without it, as UTF-8 or as Windows-1250, which a spreadsheet saving in the
// system code page writes, whichever reading is plausible; UTF-8 with a few bytes that are not is
// refused with the line: common/SharedText.h), CR LF, LF or CR line ends, a last line without a
// line end, quoted fields holding line breaks. Empty lines are passed over. A malformed file (a
// quote left open, text after a closing quote, a line with more or fewer fields than the header)
// is refused as a whole, with the line number.
//
// An empty cell stands for "no value": a spreadsheet cannot tell an empty cell from a missing
// one, so importing it leaves the grid's cell as it is, and `docprops apply --csv` writes no
// property for it.
//
//     SavePropertyCsv(fileName, names, PropertySetRowsFromCells(cells, cols, rows));  // throws KrdlError
//     PropertyCsv csv;
//     if (!ReadPropertyCsv(fileName, csv, &reason)) ...
//     const PropertySetPlacement placed = PutPropertyCsv(cells, cols, rows, csv);

#include "properties/PropertyGrid.h"
#include "properties/PropertySetFile.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// RFC 4180 records. The writer joins with "," and ends every record with CR LF, no byte order
// mark (the caller encodes the text).
QString CsvText(const QList<QStringList>& records);

// Splits decoded CSV text into records (the byte order mark already removed). `separator` is
// detected from the first record when it is null. Returns false with "line N: ..." in *error
// for a quote left open or text after a closing quote. Ragged records are not checked here.
// `lines` gets the line number each record starts on.
bool ParseCsvText(const QString& text, QList<QStringList>& records, QList<int>* lines, QString* error,
                  QChar separator = QChar());

// ";" when the first line holds more ";" than "," outside quotes, otherwise ",".
QChar DetectCsvSeparator(const QString& text);

// A property CSV read into memory.
struct PropertyCsv {
    QStringList names;           // the header's property names (the path column's header left out)
    QList<PropertySetRow> rows;  // one per line; values: (name, cell text) for every named column, in order
};

// The file's bytes: byte order mark, header "Path" + names, one line per row with its path and
// the values in the order of `names` (a row with fewer values gets empty cells).
QByteArray PropertyCsvBytes(const QStringList& names, const QList<PropertySetRow>& rows);

// Writes the file through a temporary file renamed over the old one. Throws KrdlError "Unable to
// write to <full path>. <reason>"; the old file then stays as it was.
void SavePropertyCsv(const QString& fileName, const QStringList& names, const QList<PropertySetRow>& rows);

// Reads and checks a property CSV. A column without a header name is passed over when all its
// cells are empty and refused otherwise. Returns false with the reason ("line N: ...").
bool ParsePropertyCsv(const QByteArray& bytes, PropertyCsv& csv, QString* error);
// The same over a file; the reason then starts with "Cannot read file "<name>"".
bool ReadPropertyCsv(const QString& fileName, PropertyCsv& csv, QString* error);

// Puts the CSV's non-empty cells into the grid as "Load props" puts a property set (rows matched
// by path ignoring case, columns by header name ignoring case). A value that differs from the
// cell's text is set and the cell becomes Changed; an equal one leaves the cell as it is, so that
// an export imported unchanged saves nothing and typed values keep their type. Reports the paths
// and names it could not place; `set` counts every value placed, equal ones included.
PropertySetPlacement PutPropertyCsv(TarCells& cells, int colCount, int rowCount, const PropertyCsv& csv);

// The header texts of columns 1..colCount-1, the names an export writes.
QStringList PropertyColumnNames(const TarCells& cells, int colCount);
