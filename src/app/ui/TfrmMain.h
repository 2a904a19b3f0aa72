#pragma once
// The main window: the file list on the left, the five operation pages on the right, the
// button bar with its popup menus, and every command of the program as one action.

#include <QMainWindow>
#include <QStringList>

#include <functional>

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTableView;
class QTimer;
class QWidget;
class TFileListModel;

class TfrmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TfrmMain(QWidget* parent = nullptr);
    ~TfrmMain() override;

    // The file list as the other commands reach it.
    TFileListModel* fileList() const { return fileListModel; }
    int CheckedCount() const;
    void CollectCheckedFiles(QStringList& paths) const;
    // Row of the highlighted entry, or -1.
    int highlightedRow() const;
    // Sorts the file list by the current sort column.
    void SortFileList();

    // Applies every enabling rule of the action table now.
    void ActionManagerUpdate();
    // Sets the status label to the counts of the list.
    void UpdateFileListStatus();
    // The timer tick: status label and date/time label.
    void MainTimerTimer();

    // Runs a command; an error it does not catch is shown in an error box and the program
    // keeps running.
    void runCommand(const std::function<void()>& command);

    // File list commands.
    void actAddFilesExecute();
    void actRemoveSelectedFilesExecute();
    void actCropSelectedFilesExecute();
    void actRemoveAllFilesExecute();
    void actSelectAllFilesExecute();
    void actSelectNoneFileExecute();
    void actInvertSelectionExecute();
    void lvFilesColumnClick(int column);

    // Folder search and list files (TfrmMain_lists.cpp).
    void AddFolderFiles(const QString& folder, const QString& mask);
    void SaveFileList();
    void LoadFileList(bool append);

    // Batch copy and rename pages (TfrmMain_batch.cpp).
    void tbshCopyFilesShow();
    void actCopyFilesBrowseForFolderExecute();
    void actCopyFilesExecute();
    void actRenameFilesExecute();
    void actRenameFileExecute();

    // Asked before the window closes by any way; true lets it close.
    bool FormCloseQuery();

    // --- Actions -------------------------------------------------------------------------
    QAction* actAddFiles = nullptr;
    QAction* actAddDraftFiles = nullptr;
    QAction* actAddPartFiles = nullptr;
    QAction* actAddAssemblyFiles = nullptr;
    QAction* actAddPartSheetMetalFiles = nullptr;
    QAction* actAddWeldmentFiles = nullptr;
    QAction* actAddAllFiles = nullptr;
    QAction* actRemoveSelectedFiles = nullptr;
    QAction* actCropSelectedFiles = nullptr;
    QAction* actRemoveAllFiles = nullptr;
    QAction* actSelectAllFiles = nullptr;
    QAction* actSelectNoneFile = nullptr;
    QAction* actInvertSelection = nullptr;
    QAction* actSaveList = nullptr;
    QAction* actOpenList = nullptr;
    QAction* actAppendList = nullptr;
    QAction* actPrintFilenames = nullptr;
    QAction* actPrintFilenamesWithPath = nullptr;
    QAction* actExit = nullptr;
    QAction* actCopyFilesBrowseForFolder = nullptr;
    QAction* actRenameFiles = nullptr;
    QAction* actDocPropEdit = nullptr;
    QAction* actRenameFile = nullptr;
    QAction* actShowDocumentProperties = nullptr;
    QAction* actPrintFiles = nullptr;
    QAction* actCopyFiles = nullptr;
    QAction* actUpdateDrafts = nullptr;
    QAction* actShowFileDependenies = nullptr;
    QList<QAction*> allActions() const;

    // --- Controls ------------------------------------------------------------------------
    QFrame* pnlTitle = nullptr;
    QLabel* lblTitle = nullptr;
    QTabWidget* pcPageControl = nullptr;
    QTabWidget* pcOperations = nullptr;
    QPushButton* btnAddFiles = nullptr;
    QPushButton* btnRemoveFiles = nullptr;
    QPushButton* btnSelectFiles = nullptr;
    QPushButton* btnList = nullptr;
    QPushButton* btnExit = nullptr;
    QTableView* lvFiles = nullptr;
    QLabel* lblFileListStatus = nullptr;
    QLabel* lblDateTime = nullptr;
    QTimer* MainTimer = nullptr;

    QMenu* pmAddFiles = nullptr;
    QMenu* pmRemoveFiles = nullptr;
    QMenu* pmSelectedFiles = nullptr;
    QMenu* pmList = nullptr;
    QMenu* pmFileList = nullptr;

    QWidget* tbshPrintOut = nullptr;
    QComboBox* cbPrinters = nullptr;
    QComboBox* cbOrientation = nullptr;
    QSpinBox* edNumberOfCopies = nullptr;
    QCheckBox* chkCollate = nullptr;
    QCheckBox* chkPrintAsBlack = nullptr;
    QPushButton* btnPrintFiles = nullptr;

    QWidget* tbshDocProperties = nullptr;
    QPushButton* btnEditList = nullptr;

    QWidget* tbshCopyFiles = nullptr;
    QLineEdit* edCopyFilesDir = nullptr;
    QPushButton* btnCopyFilesDir = nullptr;
    QCheckBox* chkOverwrite = nullptr;
    QPushButton* btnCopyFiles = nullptr;

    QWidget* tbshRenameFiles = nullptr;
    QLineEdit* edOldText = nullptr;
    QLineEdit* edNewText = nullptr;
    QCheckBox* chkCaseSensitive = nullptr;
    QPushButton* btnRenameFiles = nullptr;

    QWidget* tbshUpdateDrafts = nullptr;
    QPushButton* btnUpdateDrafts = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createActions();
    void createMenus();
    void createLayout();
    void FormCreate();
    void scheduleActionUpdate();
    void popupAt(QPushButton* button, QMenu* menu);
    // Connections of the commands that live in their own files.
    void connectListCommands();
    void connectBatchCommands();

    TFileListModel* fileListModel = nullptr;
    QTimer* idleUpdate = nullptr;
};
