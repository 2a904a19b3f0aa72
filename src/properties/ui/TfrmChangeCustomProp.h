#pragma once
// "Change custom properties": the batch editor of document custom properties. One row per
// document, one column per property the seed file defines; cells are typed in place, filled with
// one value for the whole selection (F3), picked from the column's lookup values (F4) or emptied
// (Ctrl+Del). "Save custom properties" writes every document with a changed cell and closes the
// window; "Save props" and "Load props" keep the grid in a property set file; "Export CSV" and
// "Import CSV" take it through a spreadsheet. The document's own properties the seed file's
// system block names follow as "System.<name>" columns; cells that may not be changed are drawn
// greyed, and every change of them is refused with a word in the status line.
//
// Spreadsheet habits on top: changed cells are drawn bold on a tint and counted in the status
// line; every change of cells is undone with Ctrl+Z and redone with Ctrl+Y (or Ctrl+Shift+Z);
// Ctrl+C and Ctrl+V copy and paste tab-separated text; Ctrl+F and Ctrl+H find and replace;
// "Fill by pattern" builds values from the file name and a counter; the filter line above the
// grid shows only the rows containing a text, and a click on a column header sorts by it. Rows
// keep their documents: saving writes every changed row, shown or not.
//
//     TfrmChangeCustomProp::Execute(desktop, paths, mainWindow);     // the "Edit list" command
//
// The grid's cells are data (properties/PropertyGrid.h); this window only shows them and turns
// user actions into calls of that layer.

#include "properties/LoadCustomProperties.h"
#include "properties/PropertyGrid.h"

#include <QDialog>

#include <functional>

class Desktop;
class PropertyDefinitions;
class FindReplaceDialog;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QTimer;
class QPushButton;
class QStatusBar;
class TarGrid;

class TfrmChangeCustomProp : public QDialog {
    Q_OBJECT
public:
    // `desktop` gives the file dialogs of the property set and CSV commands.
    explicit TfrmChangeCustomProp(Desktop& desktop, QWidget* owner = nullptr);

    // The command: locates and reads the seed file named beside the program of `desktop`
    // ("Cannot find ..." when it is missing), loads the documents and shows the editor modally
    // and maximised. Errors of the seed file or of a document that cannot be read propagate
    // (KrdlError); the editor is then not shown.
    static void Execute(Desktop& desktop, const QStringList& paths, QWidget* owner);

    // Fills the grid: header from the definitions (and the document's own properties of
    // `system` after them), one row per path with the document's values.
    // Stops at a document that does not exist with the "Warning" box; its row and those below
    // stay empty. Returns false when the user cancelled the reading (it shows its progress once
    // it has taken about a second). Throws KrdlError when a document cannot be read.
    bool Load(const QStringList& paths, const PropertyDefinitions& definitions,
              const PropertyDefinitions* system = nullptr);

    // Actions and handlers.
    void actChangeValueExecute();
    void actChangePropLookupExecute();
    void actDeleteSelectedExecute();
    void actOptimalColWidthsExecute();
    void actSavePropsExecute();
    void actLoadPropertiesExecute();
    void actExportCsvExecute();
    void actImportCsvExecute();
    void btnFillDraftsClick();
    // "Undo last property save" (PropertyUndo) with its log window; the grid then shows what the
    // documents hold again. Edits not saved are dropped, so with any it asks first.
    void actUndoPropertySaveExecute();
    void actUndoExecute();
    void actRedoExecute();
    void actCopyExecute();
    void actPasteExecute();
    void actFindExecute();
    void actReplaceExecute();
    void actFillPatternExecute();
    // Shows the rows whose cells contain the filter text, sorted by the header clicked last.
    void ApplyRowView();
    void ArGridMouseUp(Qt::MouseButton button, int col, int row, const QPoint& globalPos);

    // The cell under the mouse at the last button release (-1 outside the cells).
    int ClickCol() const { return m_clickCol; }
    int ClickRow() const { return m_clickRow; }

    // How long a reading or saving runs before its progress is shown (1000 ms unless set).
    void SetProgressDelayMs(int ms) { m_progressDelayMs = ms; }

private:
    // The commands of the window, one row each (TfrmChangeCustomProp.cpp), and the buttons and
    // menu that show them.
    void CreateActions(QWidget* buttonPanel);
    QWidget* CreateFilterBar();
    // Runs a handler after ending an open in-place edit (so that it sees what was typed); an
    // error it raises is shown in an error box and the window stays.
    void Guarded(const std::function<void()>& handler);
    // SetText of every selected cell the user may change, column by column, top to bottom.
    void SetSelectedCells(const QString& value);
    // Says in the status line what read-only cells kept (nothing when `refused` is empty);
    // `whole` when they were the whole selection.
    void ShowRefused(const CellsRefused& refused, bool whole);
    // Counts the changed cells for the status line and enables Undo and Redo.
    void CellsEdited();
    // Whether the user may change a cell, for the planners of bulk changes.
    CellEditable Editable() const;
    // Records a change of any cells of the grid that `change` makes as one undoable step;
    // `within`, when given, holds every cell it can change.
    void RecordedChange(const std::function<void()>& change, const CellArea* within = nullptr);
    // False, with the reason in the status line, when `area` is empty or read-only throughout.
    bool AnyChangeable(const CellArea& area);
    // The reading options of the grid's columns (the document's own properties among them).
    LoadOptions GridLoadOptions() const;

    // The first file chosen in a file dialog; empty when the user cancelled.
    enum class Dialog { Open, OpenSeveral, Save };
    QString ChosenFile(Dialog kind, const QString& title, const QStringList& filters);

    Desktop& m_desktop;
    TarGrid* m_arGrid = nullptr;
    QPushButton* m_btnCancel = nullptr;
    QCheckBox* m_chkDeleteOtherProperties = nullptr;
    QPushButton* m_btnFillDrafts = nullptr;
    QMenu* m_pmPopupMenu = nullptr;
    QStatusBar* m_statusBar = nullptr;
    QLabel* m_changes = nullptr;
    QLineEdit* m_filter = nullptr;
    QComboBox* m_filterColumn = nullptr;
    QLabel* m_showing = nullptr;
    QTimer* m_filterTimer = nullptr;
    FindReplaceDialog* m_findReplace = nullptr;
    int m_clickCol = -1;
    int m_clickRow = -1;
    int m_progressDelayMs = 1000;
};
