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
// quote left open, text after a closing quote, a line with more or fewer fields than the header,
// a NUL byte, which no path or property value can hold) is refused as a whole, with the line
// number. A file is read a block at a time (PropertyCsvReader), so that one of any length takes
// little memory.
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

#include <cstddef>
#include <memory>

// RFC 4180 records. The writer joins with "," and ends every record with CR LF, no byte order
// mark (the caller encodes the text).
QString CsvText(const QList<QStringList>& records);

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

// Reads and checks a property `csv`. A column without a header name is passed over when all its
// cells are empty and refused otherwise. Returns false with the reason ("line N: ...").
bool ParsePropertyCsv(const QByteArray& bytes, PropertyCsv& csv, QString* error);
// The same over a file; the reason then starts with "Cannot read file "<name>"".
bool ReadPropertyCsv(const QString& fileName, PropertyCsv& csv, QString* error);

// A property CSV read one row at a time, a block of the file at a time: the memory it takes does
// not grow with the file. Open reads the whole file once to learn its encoding (every field is
// then decoded alike) and reads the header; Next gives the rows in order, checked as above;
// Rewind starts again at the first row, for a second pass over the same open file.
//
//     PropertyCsvReader reader;
//     if (!reader.Open(fileName, &reason)) ...
//     PropertySetRow row;
//     while (reader.Next(row)) ... reader.Line() ...
//     if (!reader.Error().isEmpty()) ...   // "line N: ..."
class PropertyCsvReader {
public:
    PropertyCsvReader();
    ~PropertyCsvReader();
    PropertyCsvReader(const PropertyCsvReader&) = delete;
    PropertyCsvReader& operator=(const PropertyCsvReader&) = delete;

    // False with the reason, "Cannot read file "<name>": ..." for a file.
    bool Open(const QString& fileName, QString* error);
    bool OpenBytes(const QByteArray& bytes, QString* error);

    // The header's property names (the path column's header left out).
    const QStringList& Names() const;
    // The next row that holds a field: its path and (name, cell text) for every named column, or
    // no values at all when `withValues` is false (a pass that needs the paths alone skips
    // decoding them; the row is checked all the same). False at the end of the file, and at a
    // malformed line, which Error() then names.
    bool Next(PropertySetRow& row, bool withValues = true);
    // The line the row Next gave last starts on.
    int Line() const;
    // "line N: ..." after Next refused a line, or why reading the file failed; empty otherwise.
    const QString& Error() const;
    // Back to the first row.
    void Rewind();

    // `bytes` read from the file at once; small values let tests put rows across block bounds.
    void SetBlockSize(std::size_t bytes);

private:
    struct Impl;
    std::unique_ptr<Impl> m_d;
};

// Puts the `csv`'s non-empty cells into the grid as "Load props" puts a property set (rows matched
// by path ignoring case, columns by header name ignoring case). A value that differs from the
// cell's text is set and the cell becomes `changed`; an equal one leaves the cell as it is, so that
// an export imported unchanged saves nothing and typed values keep their type. Reports the paths
// and names it could not place; `set` counts every value placed, equal ones included.
PropertySetPlacement PutPropertyCsv(TarCells& cells, int colCount, int rowCount, const PropertyCsv& csv);

// The header texts of columns 1..colCount-1, the names an export writes.
QStringList PropertyColumnNames(const TarCells& cells, int colCount);
