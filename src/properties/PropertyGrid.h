#pragma once
// The property editor's grid as data: one row per document, one column per property definition,
// held in a `TarCells` store. Everything the editor window does to its cells apart from showing
// and typing lives here, so that a test or a benchmark runs it without a window.
//
// Layout (columns and rows count from 0):
//   (0, 0)  empty
//   (c, 0)  header: `text` the definition's name, `items` its lookup values
//   (0, r)  row label: `text` "r. <file name>", `data` the document's full path
//   (c, r)  the document's value of property c as text; no cell when it has none
//
//     TarCells& cells = grid->CellsObject();
//     FillPropertyHeader(cells, definitions);
//     const RowsFilled filled = FillPropertyRows(cells, cols, LoadCustomProperties(paths));
//     ... the user edits cells; `changed` flags say what was edited ...
//     const std::vector<DocumentChanges> changes = CollectDocumentChanges(cells, cols, rows);
//     ApplyDocumentChanges(changes, options);                                  // DocumentChanges.h
//     SavePropertySet(fileName, PropertySetRowsFromCells(cells, cols, rows));  // PropertySetFile.h
//     PutPropertySet(cells, cols, rows, loadedRows);

#include "properties/CustomProperties.h"
#include "properties/DocumentChanges.h"
#include "properties/LoadCustomProperties.h"
#include "properties/PropertySetFile.h"
#include "common/TarCells.h"
#include "widgets/CellEdits.h"

#include <vector>

// Header cells (c, 0) for c = 1..definitions: name and a copy of the lookup values. With
// `system`, the columns of the document's own properties follow, headed "System.<name>" (the
// name property files use too); those only shown are read-only columns (TarCells::ReadOnly).
// Returns the number of columns, the row labels' included.
int FillPropertyHeader(TarCells& cells, const PropertyDefinitions& definitions, const PropertyDefinitions* system = nullptr);

// The names of the document's own properties the columns 1..colCount-1 show, for
// LoadOptions::system.
QStringList SystemColumnNames(const TarCells& cells, int colCount);

// "r. <file name>", the label of row r.
QString PropertyRowLabel(int row, const QString& path);

struct RowsFilled {
    int rows = 0;         // rows 1..rows hold a document
    QString missingPath;  // loading stopped at this document: no file at its path (row rows + 1)
    QString error;        // loading stopped at a document that could not be read
    bool cancelled = false;
};

// Fills rows 1.. from the documents in order: the row label and one cell per property whose name
// equals a column header ignoring case (the rightmost of equal headers; of two properties of one
// name the later value). Stops at the first document that is not there (no regular file at its
// path), could not be read, or was cancelled; that row and those below stay empty. Afterwards no
// cell is `changed`, the header cells included. The document's own properties go into their
// "System." columns; a cell of one the document cannot take is there, empty and read only.
RowsFilled FillPropertyRows(TarCells& cells, int colCount, const QList<LoadedDocument>& documents);

// The grid turned into changes, one per row 1..rowCount-1: the row's path; changed when one of
// its cells is `changed`; for changed rows one entry per column (header text, cell text, Text,
// tag 0), the left one of two equal names. An entry is `untouched` when its cell exists and is not
// `changed`, so that a typed value nobody edited stays as it is; a cell that was emptied by
// deleting it counts as changed to empty. A changed cell of a "System." column goes into the
// row's `system` instead (and only a changed one).
std::vector<DocumentChanges> CollectDocumentChanges(const TarCells& cells, int colCount, int rowCount);

// What read-only cells (TarCells::ReadOnly) kept from a change of a range: how many positions,
// and the first of them (column by column, top to bottom); -1 for none.
struct CellsRefused {
    int count = 0;
    int col = -1;
    int row = -1;
};

// The read-only positions of `area` (its columns, its rows in the order given).
CellsRefused ReadOnlyCellsIn(const TarCells& cells, const CellArea& area);
// The writes that set `value` (SetText, so also a cell holding it already becomes `changed`)
// into every cell of `area` the user may change.
std::vector<CellWrite> WritableCellWrites(const TarCells& cells, const CellArea& area, const QString& value,
                                          CellsRefused* refused);
// Empties `area` as the user's delete does: custom cells go (saved as empty values); a cell of
// the document's own property that holds a value gets a null text and is `changed`, so that
// saving removes that property; read-only cells stay as they are.
CellsRefused DeletePropertyCells(TarCells& cells, const CellArea& area);
// Why the user may not change the cell at the position, naming its column (and the document when
// the document lacks the property's set); empty when the cell may be changed.
QString ReadOnlyCellReason(const TarCells& cells, int col, int row);

// The grid's rows with a path, each with (header text, cell text) for every column.
QList<PropertySetRow> PropertySetRowsFromCells(const TarCells& cells, int colCount, int rowCount);

// What PutPropertySet could not place: paths that are no grid row's and names that are no
// column header, each once (ignoring case) in first-seen spelling and order.
struct PropertySetPlacement {
    int set = 0; // values placed in a cell (with `fromCsv`, those equal to the cell's text too)
    QStringList unplacedPaths;
    QStringList unplacedNames;
    int readOnly = 0; // values for read-only cells (TarCells::ReadOnly), left out
};

// Puts a loaded property set into the grid: for each set row in order and each grid row whose
// path equals its path ignoring case, every value whose name is a column header (ignoring case,
// the rightmost of equal headers) is set into that cell, which becomes `changed`; a read-only cell
// keeps its text. Returns how many values were placed. `placement`, when given, also gets what could not be placed.
// `fromCsv` leaves a cell as it is (not `changed`) when the value is empty (a CSV cell that a
// spreadsheet left empty) or equal to the cell's text: an export imported unchanged then marks
// nothing, so that saving keeps the documents' dates, numbers and Yes/No values as they are
// instead of writing them as text.
int PutPropertySet(TarCells& cells, int colCount, int rowCount, const QList<PropertySetRow>& rows,
                   PropertySetPlacement* placement = nullptr, bool fromCsv = false);
