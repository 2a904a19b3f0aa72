#pragma once
// The main window: the title panel on top, the file list on the left, the five operation pages
// on the right. It holds what belongs to the window itself: the action list with every command
// of the program, the enabling pass over it, the popup menus, the status line and its timer.
// The list side and each page run their own commands; the window binds its actions to them.

#include <QMainWindow>
#include <QStringList>

#include <functional>

class CopyFilesPage;
class DocPropertiesPage;
class FileListModel;
class FileListPanel;
class PrintOutPage;
class QAction;
class QMenu;
class QTabWidget;
class QTimer;
class RenameFilesPage;
class TarExplorerDrop;
class TarFormPosSave;
class TitlePanel;
class UpdateDraftsPage;

class TfrmMain : public QMainWindow {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmMain)
public:
    explicit TfrmMain(QWidget* parent = nullptr);
    ~TfrmMain() override;

    // The file list as the commands reach it.
    FileListModel* fileList() const { return m_fileList; }
    int CheckedCount() const;
    void CollectCheckedFiles(QStringList& paths) const;
    // Row of the highlighted entry, or -1.
    int highlightedRow() const;

    // Every action of the window's action list (`ActionManager`), in the order of its table.
    QList<QAction*> allActions() const;
    // Applies every enabling rule of the action table now.
    void ActionManagerUpdate();
    // The timer tick: status label and date/time label.
    void MainTimerTimer();

    // Runs a command; an error it does not catch is shown in an error box and the program
    // keeps running.
    void runCommand(const std::function<void()>& command);

    // Asked before the window closes by any way; true lets it close.
    bool FormCloseQuery();

    // "Print filenames" and "Print filenames with path": the report of the checked entries in
    // its preview.
    void actPrintFilenamesExecute();
    void actPrintFilenamesWithPathExecute();
    // Files named at start or handed over by a later start: the documents among them, and
    // those below the folders among them, join the list checked; the list is sorted.
    void OpenFiles(const QStringList& paths);
    // The drop target's handler: the dropped documents join the list, checked; other files are
    // skipped without a word; the list is sorted.
    void arExplorerDropDropped(const QStringList& Files);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createActions();
    void createLayout();
    void createMenus();
    void bindCommands();
    void FormCreate();
    void scheduleActionUpdate();

    FileListModel* m_fileList = nullptr;
    QTimer* m_idleUpdate = nullptr;
    QTimer* m_mainTimer = nullptr;

    TitlePanel* m_pnlTitle = nullptr;
    FileListPanel* m_fileListPanel = nullptr;
    QTabWidget* m_pcOperations = nullptr;
    PrintOutPage* m_tbshPrintOut = nullptr;
    DocPropertiesPage* m_tbshDocProperties = nullptr;
    CopyFilesPage* m_tbshCopyFiles = nullptr;
    RenameFilesPage* m_tbshRenameFiles = nullptr;
    UpdateDraftsPage* m_tbshUpdateDrafts = nullptr;

    TarExplorerDrop* m_arExplorerDrop = nullptr;
    TarFormPosSave* m_arFormPosSave = nullptr;

    QMenu* m_pmAddFiles = nullptr;
    QMenu* m_pmRemoveFiles = nullptr;
    QMenu* m_pmSelectedFiles = nullptr;
    QMenu* m_pmList = nullptr;
    QMenu* m_pmFileList = nullptr;

    QAction* m_actAddFiles = nullptr;
    QAction* m_actAddDraftFiles = nullptr;
    QAction* m_actAddPartFiles = nullptr;
    QAction* m_actAddAssemblyFiles = nullptr;
    QAction* m_actAddPartSheetMetalFiles = nullptr;
    QAction* m_actAddWeldmentFiles = nullptr;
    QAction* m_actAddAllFiles = nullptr;
    QAction* m_actRemoveSelectedFiles = nullptr;
    QAction* m_actCropSelectedFiles = nullptr;
    QAction* m_actRemoveAllFiles = nullptr;
    QAction* m_actSelectAllFiles = nullptr;
    QAction* m_actSelectNoneFile = nullptr;
    QAction* m_actInvertSelection = nullptr;
    QAction* m_actSaveList = nullptr;
    QAction* m_actOpenList = nullptr;
    QAction* m_actAppendList = nullptr;
    QAction* m_actPrintFilenames = nullptr;
    QAction* m_actPrintFilenamesWithPath = nullptr;
    QAction* m_actExit = nullptr;
    QAction* m_actCopyFilesBrowseForFolder = nullptr;
    QAction* m_actRenameFiles = nullptr;
    QAction* m_actDocPropEdit = nullptr;
    QAction* m_actRenameFile = nullptr;
    QAction* m_actShowDocumentProperties = nullptr;
    QAction* m_actPrintFiles = nullptr;
    QAction* m_actCopyFiles = nullptr;
    QAction* m_actUpdateDrafts = nullptr;
    QAction* m_actShowFileDependenies = nullptr;
    // Beyond the action table: needs no list entry, so it is always enabled.
    QAction* m_actUndoRename = nullptr;
    QAction* m_actUndoPropertySave = nullptr;
};
