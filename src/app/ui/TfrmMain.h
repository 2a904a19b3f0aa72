#pragma once
// The main window: the title panel on top, the file list on the left, the five operation pages
// on the right. It holds what belongs to the window itself: the action list with every command
// of the program, the enabling pass over it, the popup menus, the status line and its timer.
// The list side and each page run their own commands; the window's command table (TfrmMain.cpp,
// `CreateActions`) binds them to its actions: one row per command, with its enabling rule.

#include <QMainWindow>
#include <QStringList>

#include <functional>
#include <vector>

class CopyFilesPage;
class Desktop;
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
    // `desktop` gives the file dialogs, the folder browser and the program's file name, beside
    // which the program INI file is read and written.
    explicit TfrmMain(Desktop& desktop, QWidget* parent = nullptr);
    ~TfrmMain() override;

    // The file list as the commands reach it.
    FileListModel* FileList() const { return m_fileList; }
    int CheckedCount() const;
    void CollectCheckedFiles(QStringList& paths) const;
    // Row of the highlighted entry, or -1.
    int HighlightedRow() const;

    // Every action of the window's action list (`ActionManager`), in the order of its table.
    QList<QAction*> AllActions() const;
    // Applies every enabling rule of the action table now.
    void ActionManagerUpdate();
    // The timer tick: status label and date/time label.
    void MainTimerTimer();

    // Runs a command; an error it does not catch is shown in an error box and the program
    // keeps running.
    void RunCommand(const std::function<void()>& command);

    // Asked before the window closes by any way; true lets it close.
    bool FormCloseQuery();

    // "Print filenames" and "Print filenames with path": the report of the checked entries in
    // its preview.
    void actPrintFilenamesExecute();
    void actPrintFilenamesWithPathExecute();
    // Files named at start or handed over by a later start: the documents among them, and
    // those below the folders among them, join the list checked; the list is sorted.
    void OpenFiles(const QStringList& paths);
    // The drop target's handler: the dropped `files` that are documents join the list, checked;
    // other files are skipped without a word; the list is sorted.
    void arExplorerDropDropped(const QStringList& files);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // What the enabling rules read, taken once per pass.
    struct ListState {
        int entries = 0;
        int checked = 0;
        bool highlighted = false;
    };
    struct EnablingRule {
        QAction* action = nullptr;
        std::function<bool(const ListState&)> enabled;
    };

    void CreateActions();
    void CreateLayout(Desktop& desktop);
    void CreateMenus();
    void FormCreate();
    void ScheduleActionUpdate();
    // The action of the command table with object name `id`.
    QAction* ActionById(const QString& id) const;

    FileListModel* m_fileList = nullptr;
    QTimer* m_idleUpdate = nullptr;
    QTimer* m_mainTimer = nullptr;
    // The action list `ActionManager`: the actions with an enabling rule, in table order.
    std::vector<EnablingRule> m_enablingRules;

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
};
