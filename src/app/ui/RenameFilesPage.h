#pragma once
// The "Rename files" page (`tbshRenameFiles`): replaces a piece of text in the names of every
// checked file, and takes the last rename back ("Undo last rename").

#include "app/ui/OperationPage.h"

class QCheckBox;
class QLineEdit;

class RenameFilesPage : public OperationPage {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RenameFilesPage)
public:
    RenameFilesPage(FileListModel& files, QAction* actRenameFiles, QAction* actUndoRename, QWidget* parent = nullptr);

    // True when neither text is empty (part of the rule of `actRenameFiles`), so a rename can
    // never delete text from names.
    bool HasTexts() const;

    // "Rename files": the rename run over the checked files, then the file list brought up to
    // date while the log window stays open.
    void actRenameFilesExecute();
    // "Undo last rename": the files of the last rename run (batch or single) back under their
    // old names, with a log window; the list's entries of those files take their old names.
    void actUndoRenameExecute();

private:
    QLineEdit* m_edOldText = nullptr;
    QLineEdit* m_edNewText = nullptr;
    QCheckBox* m_chkCaseSensitive = nullptr;
};
