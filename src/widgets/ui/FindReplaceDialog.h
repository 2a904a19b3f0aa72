#pragma once
// "Find and replace" over a `TarGrid`: plain text or a regular expression (captures as \1 in the
// replacement), match case, whole cell, over the selection it was opened with or every shown
// cell. "Find next" moves the current cell to the next match; "Replace all" changes every match
// as one undoable step of the grid and says how many cells changed. Modeless: the grid stays
// usable while it is open.
//
//     auto* dialog = new FindReplaceDialog(grid, editable, this);
//     dialog->Open(true);                  // Ctrl+H: focus on the replacement
//     dialog->ReplaceAll();                // what its "Replace all" button does

#include "widgets/CellEdits.h"
#include "widgets/CellReplace.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class TarGrid;

class FindReplaceDialog : public QDialog {
    Q_OBJECT
public:
    FindReplaceDialog(TarGrid* grid, CellEditable editable, QWidget* parent = nullptr);

    // Shows the dialog for the grid's selection now ("Selection only" checked when it is more
    // than one cell), the focus in the search text or, with `replace`, the replacement.
    void Open(bool replace);
    // Selects the next matching cell; false (and a word in the result line) when none matches.
    bool FindNext();
    // Replaces every match; returns the number of cells changed, -1 on an error in the search.
    int ReplaceAll();

private:
    ReplaceOptions Options() const;
    CellArea SearchArea() const;

    TarGrid* m_grid;
    CellEditable m_editable;
    CellArea m_selection;
    QLineEdit* m_find = nullptr;
    QLineEdit* m_replace = nullptr;
    QCheckBox* m_regularExpression = nullptr;
    QCheckBox* m_matchCase = nullptr;
    QCheckBox* m_wholeCell = nullptr;
    QCheckBox* m_selectionOnly = nullptr;
    QLabel* m_result = nullptr;
};
