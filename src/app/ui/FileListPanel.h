#pragma once
// The list side of the main window: the page control `pcPageControl` with its one page
// `TabSheet3`, which holds the button bar (`btnAddFiles`, `btnRemoveFiles`, `btnSelectFiles`,
// `btnList`, `btnExit`), the file list view `lvFiles` and the status bar (`lblFileListStatus`,
// `lblDateTime`). It runs the commands that work on the list itself: adding files by dialog and
// by folder, removing, checking, sorting, list files and the per-file commands "Rename file" and
// "Show file custom properties".

#include <QStringList>
#include <QWidget>

class Desktop;
class FileListModel;
class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QTableView;

class FileListPanel : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FileListPanel)
public:
    // `desktop` gives the file dialogs and the folder browser; `actExit` is the action `btnExit`
    // is bound to.
    FileListPanel(FileListModel& files, Desktop& desktop, QAction* actExit, QWidget* parent = nullptr);

    // The menus the four bar buttons open below themselves, and the list's context menu.
    void SetMenus(QMenu* pmAddFiles, QMenu* pmRemoveFiles, QMenu* pmSelectedFiles, QMenu* pmList, QMenu* pmFileList);

    // Row of the highlighted entry, or -1.
    int HighlightedRow() const;
    // Sets `lblFileListStatus` to the counts of the list.
    void UpdateFileListStatus();
    void SetDateTimeText(const QString& text);

    // Commands on the list.
    void actAddFilesExecute();
    void actRemoveSelectedFilesExecute();
    void actCropSelectedFilesExecute();
    void actRemoveAllFilesExecute();
    void actSelectAllFilesExecute();
    void actSelectNoneFileExecute();
    void actInvertSelectionExecute();
    void lvFilesColumnClick(int column);
    // Sorts the list by the current sort column.
    void SortFileList();

    // The "Add folder" commands: the folder browser from the stored folder, then AddFolderFiles.
    void AddFolder(const QString& mask);
    void AddFolderFiles(const QString& folder, const QString& mask);
    void SaveFileList();
    void LoadFileList(bool append);

    // "Rename file": renames the highlighted entry's file to the name typed into the dialog.
    void actRenameFileExecute();
    // "Show file custom properties": the highlighted entry's custom properties, read only.
    void actShowDocumentPropertiesExecute();

signals:
    // Another row is highlighted, or none.
    void HighlightChanged();

private:
    void PopupBelow(QPushButton* button, QMenu* menu);

    FileListModel& m_files;
    Desktop& m_desktop;
    QPushButton* m_btnAddFiles = nullptr;
    QPushButton* m_btnRemoveFiles = nullptr;
    QPushButton* m_btnSelectFiles = nullptr;
    QPushButton* m_btnList = nullptr;
    QPushButton* m_btnExit = nullptr;
    QTableView* m_lvFiles = nullptr;
    QLabel* m_lblFileListStatus = nullptr;
    QLabel* m_lblDateTime = nullptr;
    QMenu* m_pmAddFiles = nullptr;
    QMenu* m_pmRemoveFiles = nullptr;
    QMenu* m_pmSelectedFiles = nullptr;
    QMenu* m_pmList = nullptr;
    QMenu* m_pmFileList = nullptr;
};
