#pragma once
// Values built from a pattern, one per row, for "fill by pattern". Text is copied as it is;
// fields in braces are replaced per row:
//
//   {name}            the row's file name                  flange.par
//   {base}            the file name without its extension  flange
//   {folder}          the name of the folder holding it    Frames
//   {col:Header}      the text of the column headed `Header` (ignoring case) in the same row
//   {#}               a counter: 1, 2, 3 ...
//   {#:W}             the counter padded with zeros to W digits: {#:3} gives 001, 002 ...
//   {#:W:START:STEP}  starting at START, going up by STEP (either may be negative)
//   {{ and }}         a brace
//
// so `{base}-{#:3}` gives `flange-001` for the first row filled. The counter counts the rows
// filled, in the order given, whether their cells are written or not.

#include "common/TarCells.h"
#include "widgets/CellEdits.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

// The file path of a grid row (the row's document).
using RowFilePath = std::function<QString(qint32 row)>;

class FillPattern {
public:
    // Reads `pattern`; `headers` are the header texts of the grid's columns by index, for
    // {col:...}. On an error returns false with `error` naming the problem and where it is.
    bool Parse(const QString& pattern, const QStringList& headers, QString& error);

    // The value for `row`, the `index`-th row filled (from 0).
    QString Expand(const TarCells& cells, qint32 row, const QString& filePath, qint64 index) const;

private:
    enum class FieldKind { Text, Name, Base, Folder, Column, Counter };
    struct Field {
        FieldKind kind = FieldKind::Text;
        QString text;       // Text
        qint32 column = 0;  // Column
        int width = 1;      // Counter
        qint64 start = 1;
        qint64 step = 1;
    };
    std::vector<Field> m_fields;
};

struct FillPlan {
    std::vector<CellWrite> writes;
    int refused = 0;
    int unchanged = 0;
};

// Fills every cell of `area` (each row's cells with that row's value).
FillPlan PlanFill(const FillPattern& pattern, const TarCells& cells, const CellArea& area, const RowFilePath& filePath,
                  const CellEditable& editable = {});
// The values of the first `count` rows of `area`, for a preview before filling.
QStringList PreviewFill(const FillPattern& pattern, const TarCells& cells, const CellArea& area,
                        const RowFilePath& filePath, int count);
