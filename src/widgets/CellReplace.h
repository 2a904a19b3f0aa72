#pragma once
// Find and replace over cells. Plain text or a `QRegularExpression`; in a regular expression's
// replacement `\1`..`\99` stand for its captures (what `QString::replace` with a regular
// expression does), while a plain replacement is taken literally. "Whole cell" matches only a
// cell whose entire text matches, and replaces the entire text.

#include "common/TarCells.h"
#include "widgets/CellEdits.h"

#include <QString>

#include <vector>

struct ReplaceOptions {
    QString find;
    QString replacement;
    bool regularExpression = false;
    bool matchCase = false;
    bool wholeCell = false;
};

struct ReplacePlan {
    std::vector<CellWrite> writes; // one per cell whose text changes
    int matched = 0;               // cells with a match, written or not
    int refused = 0;               // matching cells `editable` refused
    QString error;                 // set for an empty search text or a bad expression; no writes then
};

// The cells of `area` that contain a match (in the area's order), with their new texts.
ReplacePlan PlanReplace(const TarCells& cells, const CellArea& area, const ReplaceOptions& options,
                        const CellEditable& editable = {});
// "Find next": the first cell of `area` after the cell numbered `from` that matches, wrapping
// round to the start (cells are numbered row by row in the area's order, from 0; -1 starts at
// the first). Returns its number, or -1 when no cell matches or the search is empty or bad
// (`error` then says which, when given).
qint64 FindNextCell(const TarCells& cells, const CellArea& area, const ReplaceOptions& options, qint64 from,
                    QString* error = nullptr);
// Whether the text of one cell matches; false for an empty or bad search.
bool CellMatches(const QString& text, const ReplaceOptions& options);
