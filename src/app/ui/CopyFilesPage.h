#pragma once
// The "Copy files" page (`tbshCopyFiles`): copies every checked file into one folder.

#include "app/ui/OperationPage.h"

class Desktop;
class QCheckBox;
class QLineEdit;

class CopyFilesPage : public OperationPage {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CopyFilesPage)
public:
    CopyFilesPage(FileListModel& files, Desktop& desktop, QAction* actCopyFilesBrowseForFolder, QAction* actCopyFiles,
                  QWidget* parent = nullptr);

    void PageShow() override { tbshCopyFilesShow(); }

    // Each time the page is shown, the destination is the stored folder again.
    void tbshCopyFilesShow();
    // "...": the folder browser; a chosen folder becomes the destination and the stored folder.
    void actCopyFilesBrowseForFolderExecute();
    // "Copy files": the copy run over the checked files.
    void actCopyFilesExecute();

private:
    Desktop& m_desktop;
    QLineEdit* m_edCopyFilesDir = nullptr;
    QCheckBox* m_chkOverwrite = nullptr;
};
