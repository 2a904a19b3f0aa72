#include "app/ui/TfrmMain.h"

#include "KrdlVersion.h"
#include "app/ui/CopyFilesPage.h"
#include "app/ui/DocPropertiesPage.h"
#include "app/ui/FileListPanel.h"
#include "app/ui/PrintOutPage.h"
#include "app/ui/RenameFilesPage.h"
#include "app/ui/TitlePanel.h"
#include "app/ui/UpdateDraftsPage.h"
#include "filelist/FileList.h"
#include "filelist/FindFolderEntries.h"
#include "filelist/ui/FileListModel.h"
#include "filelist/ui/TarExplorerDrop.h"
#include "filelist/ui/TfrmReportFiles.h"
#include "settings/ui/TarFormPosSave.h"
#include "widgets/ui/BusyCursor.h"
#include "widgets/ui/RunGuarded.h"
#include "widgets/ui/arMessageBox.h"

#include <QAction>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QDateTime>
#include <QHBoxLayout>
#include <QLocale>
#include <QMenu>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

// The user's long time format without a time zone.
QString LongTimeText(const QTime& time)
{
    QString format = QLocale().timeFormat(QLocale::LongFormat);
    format.remove(QLatin1Char('t'));
    return QLocale().toString(time, format.trimmed());
}

} // namespace

TfrmMain::TfrmMain(Desktop& desktop, QWidget* parent) : QMainWindow(parent)
{
    setObjectName(u"frmMain"_s);
    setFont(QFont(u"Tahoma"_s, 8));
    resize(758, 578);

    m_fileList = new FileListModel(this);
    m_idleUpdate = new QTimer(this);
    m_idleUpdate->setSingleShot(true);
    m_idleUpdate->setInterval(0);
    connect(m_idleUpdate, &QTimer::timeout, this, &TfrmMain::ActionManagerUpdate);

    CreateActions();
    CreateLayout(desktop);
    CreateMenus();

    m_mainTimer = new QTimer(this);
    m_mainTimer->setObjectName(u"MainTimer"_s);
    m_mainTimer->setInterval(500);
    connect(m_mainTimer, &QTimer::timeout, this, &TfrmMain::MainTimerTimer);
    m_mainTimer->start();

    // Everything that can change an enabling rule schedules one update pass.
    connect(m_fileList, &FileListModel::ListChanged, this, &TfrmMain::ScheduleActionUpdate);
    connect(m_fileList, &QAbstractItemModel::dataChanged, this, &TfrmMain::ScheduleActionUpdate);
    connect(m_fileList, &QAbstractItemModel::modelReset, this, &TfrmMain::ScheduleActionUpdate);
    connect(m_fileListPanel, &FileListPanel::HighlightChanged, this, &TfrmMain::ScheduleActionUpdate);
    for (OperationPage* page : std::initializer_list<OperationPage*>{m_tbshPrintOut, m_tbshDocProperties, m_tbshCopyFiles,
                                                                     m_tbshRenameFiles, m_tbshUpdateDrafts})
        connect(page, &OperationPage::InputsChanged, this, &TfrmMain::ScheduleActionUpdate);
    connect(m_pcOperations, &QTabWidget::currentChanged, this, [this] {
        if (auto* page = qobject_cast<OperationPage*>(m_pcOperations->currentWidget()))
            RunCommand([page] { page->PageShow(); });
    });

    // Files dropped from the file manager are taken on the list view only.
    m_arExplorerDrop = new TarExplorerDrop(this);
    m_arExplorerDrop->setObjectName(u"arExplorerDrop"_s);
    m_arExplorerDrop->allowFolders = false;
    m_arExplorerDrop->onDropped = [this](TarExplorerDrop*, const QStringList& files, int, int, int) {
        RunCommand([this, &files] { arExplorerDropDropped(files); });
    };
    m_arExplorerDrop->SetDestinationControl(m_fileListPanel->findChild<QTableView*>(u"lvFiles"_s));

    // The window opens where it was closed.
    m_arFormPosSave = new TarFormPosSave(this);
    m_arFormPosSave->setObjectName(u"arFormPosSave"_s);
    m_arFormPosSave->nameKey = u"KRDL.ini"_s;
    m_arFormPosSave->useIniFile = true;
    m_arFormPosSave->Loaded();

    FormCreate();
    ActionManagerUpdate();
}

TfrmMain::~TfrmMain()
{
    // While the whole window still stands, so that a failed write can be shown.
    m_arFormPosSave->FormDestroy();
}

// The command table: every command of the window is one row. The handlers reach the list side
// and the pages when they run, so the rows can be read before those exist.
void TfrmMain::CreateActions()
{
    struct Command {
        QString id; // the action's object name
        QString caption;
        QString hint;
        QString category;
        QKeySequence shortcut;
        std::function<void()> handler;
        // Empty for a command that needs nothing of the list (the undos): always enabled, and
        // not in the action list that the enabling pass and `AllActions` cover.
        std::function<bool(const ListState&)> enabled;
    };
    const auto always = [](const ListState&) { return true; };
    const auto anyEntry = [](const ListState& state) { return state.entries > 0; };
    const auto anyChecked = [](const ListState& state) { return state.checked > 0; };
    const auto highlighted = [](const ListState& state) { return state.highlighted; };
    const auto never = [](const ListState&) { return false; };
    const auto addFolder = [this](const QString& mask) { return [this, mask] { m_fileListPanel->AddFolder(mask); }; };
    const QString add = u"Add files"_s;
    const QString remove = u"Remove files"_s;
    const QString select = u"Select files"_s;
    const QString list = u"List"_s;

    const Command commands[] = {
        {u"actAddFiles"_s, u"Add files"_s, u"Add files"_s, add, {},
         [this] { m_fileListPanel->actAddFilesExecute(); }, always},
        {u"actAddDraftFiles"_s, u"Add Draft files"_s, u"Add draft files"_s, add, {}, addFolder(u"*.dft"_s), always},
        {u"actAddPartFiles"_s, u"Add Part files"_s, u"Add part files"_s, add, {}, addFolder(u"*.par"_s), always},
        {u"actAddAssemblyFiles"_s, u"Add Assembly files"_s, u"Add assembly files"_s, add, {}, addFolder(u"*.asm"_s),
         always},
        {u"actAddPartSheetMetalFiles"_s, u"Add Part Sheet Metal files"_s, u"Add part sheet metal files"_s, add, {},
         addFolder(u"*.psm"_s), always},
        {u"actAddWeldmentFiles"_s, u"Add Weldment files"_s, u"Add weldment files"_s, add, {}, addFolder(u"*.pwd"_s),
         always},
        {u"actAddAllFiles"_s, u"Add all files"_s, u"Add all files from directory"_s, add, {}, addFolder(u"*.*"_s),
         always},
        {u"actRemoveSelectedFiles"_s, u"Remove selected "_s, u"Remove selected files"_s, remove,
         QKeySequence(Qt::CTRL | Qt::Key_Delete), [this] { m_fileListPanel->actRemoveSelectedFilesExecute(); },
         anyChecked},
        {u"actCropSelectedFiles"_s, u"Crop selected"_s, u"Crop selected files"_s, remove, {},
         [this] { m_fileListPanel->actCropSelectedFilesExecute(); }, anyChecked},
        {u"actRemoveAllFiles"_s, u"Remove all"_s, u"Remove all files"_s, remove, {},
         [this] { m_fileListPanel->actRemoveAllFilesExecute(); }, anyEntry},
        {u"actSelectAllFiles"_s, u"Select all"_s, u"Select all files"_s, select, QKeySequence(Qt::CTRL | Qt::Key_A),
         [this] { m_fileListPanel->actSelectAllFilesExecute(); }, anyEntry},
        {u"actSelectNoneFile"_s, u"Select none"_s, u"Select none file"_s, select, {},
         [this] { m_fileListPanel->actSelectNoneFileExecute(); }, anyEntry},
        {u"actInvertSelection"_s, u"Invert selection"_s, u"Invert selection"_s, select, {},
         [this] { m_fileListPanel->actInvertSelectionExecute(); }, anyEntry},
        {u"actSaveList"_s, u"Save list"_s, u"Save list"_s, list, {}, [this] { m_fileListPanel->SaveFileList(); }, always},
        {u"actOpenList"_s, u"Open list"_s, u"Open list"_s, list, {}, [this] { m_fileListPanel->LoadFileList(false); },
         always},
        {u"actAppendList"_s, u"Append list"_s, u"Append list"_s, list, {},
         [this] { m_fileListPanel->LoadFileList(true); }, always},
        {u"actPrintFilenames"_s, u"Print filenames"_s, u"Print filenames"_s, list, {},
         [this] { actPrintFilenamesExecute(); }, anyEntry},
        {u"actPrintFilenamesWithPath"_s, u"Print filenames with path"_s, u"Print filenames with path"_s, list, {},
         [this] { actPrintFilenamesWithPathExecute(); }, anyEntry},
        {u"actExit"_s, u"Exit"_s, u"Exit"_s, u"Program"_s, QKeySequence(Qt::ALT | Qt::Key_F4), [this] { close(); },
         always},
        {u"actCopyFilesBrowseForFolder"_s, u"..."_s, u"Browse for folder"_s, u"Copy files"_s, {},
         [this] { m_tbshCopyFiles->actCopyFilesBrowseForFolderExecute(); }, always},
        {u"actRenameFiles"_s, u"Rename files"_s, u"Rename files"_s, u"RenameFiles"_s, {},
         [this] { m_tbshRenameFiles->actRenameFilesExecute(); },
         [this](const ListState& state) { return state.checked > 0 && m_tbshRenameFiles->HasTexts(); }},
        {u"actDocPropEdit"_s, u"Edit list"_s, u"Edit document properties"_s, u"DocumentProperties"_s, {},
         [this] { m_tbshDocProperties->actDocPropEditExecute(); }, anyChecked},
        {u"actRenameFile"_s, u"Rename file"_s, u"Rename file"_s, u"Files"_s, {},
         [this] { m_fileListPanel->actRenameFileExecute(); }, highlighted},
        {u"actShowDocumentProperties"_s, u"Show file custom properties"_s, u"Show file custom properties"_s,
         u"Files"_s, {}, [this] { m_fileListPanel->actShowDocumentPropertiesExecute(); }, highlighted},
        {u"actPrintFiles"_s, u"Print files"_s, u"Print selected files"_s, u"Print out"_s, {},
         [this] { m_tbshPrintOut->actPrintFilesExecute(); },
         [this](const ListState& state) { return state.checked > 0 && m_tbshPrintOut->HasPrintChoices(); }},
        {u"actCopyFiles"_s, u"Copy files"_s, u"Copy files"_s, u"Copy files"_s, {},
         [this] { m_tbshCopyFiles->actCopyFilesExecute(); }, anyChecked},
        {u"actUpdateDrafts"_s, u"Update drafts"_s, u"Update drafts"_s, u"Update drafts"_s, {},
         [this] { m_tbshUpdateDrafts->actUpdateDraftsExecute(); }, anyChecked},
        {u"actShowFileDependenies"_s, u"Show file dependencies"_s, u"Show file dependencies"_s, u"Files"_s, {}, {},
         never},
        {u"actUndoRename"_s, u"Undo last rename"_s, u"Put the files of the last rename back under their old names"_s,
         u"RenameFiles"_s, {}, [this] { m_tbshRenameFiles->actUndoRenameExecute(); }, {}},
        {u"actUndoPropertySave"_s, u"Undo last property save"_s,
         u"Put back the custom properties the documents had before the last save"_s, u"DocumentProperties"_s, {},
         [this] { m_tbshDocProperties->actUndoPropertySaveExecute(); }, {}},
    };

    for (const Command& command : commands) {
        auto* action = new QAction(command.caption, this);
        action->setObjectName(command.id);
        action->setToolTip(command.hint);
        action->setStatusTip(command.hint);
        action->setProperty("category", command.category);
        if (!command.shortcut.isEmpty()) {
            action->setShortcut(command.shortcut);
            action->setShortcutContext(Qt::WindowShortcut);
        }
        if (command.handler)
            connect(action, &QAction::triggered, this, [this, handler = command.handler] { RunCommand(handler); });
        if (command.enabled)
            m_enablingRules.push_back({action, command.enabled});
        addAction(action);
    }
}

QAction* TfrmMain::ActionById(const QString& id) const
{
    auto* action = findChild<QAction*>(id, Qt::FindDirectChildrenOnly);
    Q_ASSERT(action);
    return action;
}

QList<QAction*> TfrmMain::AllActions() const
{
    QList<QAction*> actions;
    for (const EnablingRule& rule : m_enablingRules)
        actions << rule.action;
    return actions;
}

void TfrmMain::CreateLayout(Desktop& desktop)
{
    auto* central = new QWidget(this);
    auto* root = new QVBoxLayout(central);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);
    setCentralWidget(central);

    m_pnlTitle = new TitlePanel(central);
    root->addWidget(m_pnlTitle);

    auto* pnlFiles = new QWidget(central);
    pnlFiles->setObjectName(u"pnlFiles"_s);
    auto* filesLayout = new QHBoxLayout(pnlFiles);
    filesLayout->setContentsMargins(2, 2, 2, 2);
    root->addWidget(pnlFiles, 1);

    // Left: the file list.
    m_fileListPanel = new FileListPanel(*m_fileList, desktop, ActionById(u"actExit"_s), pnlFiles);
    filesLayout->addWidget(m_fileListPanel, 1);

    // Right: the five operation pages, their tabs on several rows.
    auto* operations = new QWidget(pnlFiles);
    operations->setFixedWidth(240);
    auto* opLayout = new QVBoxLayout(operations);
    opLayout->setContentsMargins(0, 0, 0, 0);
    opLayout->setSpacing(0);
    // The page tabs wrap onto two rows, as a 240-pixel wide page control shows them.
    auto* tabRows = new QWidget(operations);
    auto* tabRowLayout = new QVBoxLayout(tabRows);
    tabRowLayout->setContentsMargins(0, 0, 0, 0);
    tabRowLayout->setSpacing(1);
    QHBoxLayout* tabLines[2] = {new QHBoxLayout(), new QHBoxLayout()};
    for (QHBoxLayout* line : tabLines) {
        line->setSpacing(1);
        tabRowLayout->addLayout(line);
    }
    opLayout->addWidget(tabRows);
    m_pcOperations = new QTabWidget(operations);
    m_pcOperations->setObjectName(u"pcOperations"_s);
    m_pcOperations->tabBar()->hide();
    opLayout->addWidget(m_pcOperations, 1);
    filesLayout->addWidget(operations);

    m_tbshPrintOut = new PrintOutPage(*m_fileList, ActionById(u"actPrintFiles"_s), m_pcOperations);
    m_tbshDocProperties = new DocPropertiesPage(*m_fileList, desktop, ActionById(u"actDocPropEdit"_s),
                                                ActionById(u"actUndoPropertySave"_s), m_pcOperations);
    m_tbshCopyFiles = new CopyFilesPage(*m_fileList, desktop, ActionById(u"actCopyFilesBrowseForFolder"_s),
                                        ActionById(u"actCopyFiles"_s), m_pcOperations);
    m_tbshRenameFiles = new RenameFilesPage(*m_fileList, ActionById(u"actRenameFiles"_s),
                                            ActionById(u"actUndoRename"_s), m_pcOperations);
    m_tbshUpdateDrafts = new UpdateDraftsPage(*m_fileList, ActionById(u"actUpdateDrafts"_s), m_pcOperations);

    struct Page {
        OperationPage* widget;
        QString caption;
        QString hint;
    };
    const Page pages[] = {{m_tbshPrintOut, u"Print out"_s, u"Batch print"_s},
                          {m_tbshDocProperties, u"Document properties"_s, {}},
                          {m_tbshCopyFiles, u"Copy files"_s, {}},
                          {m_tbshRenameFiles, u"Rename files"_s, {}},
                          {m_tbshUpdateDrafts, u"Update drafts"_s, {}}};
    auto* tabGroup = new QButtonGroup(this);
    tabGroup->setExclusive(true);
    int index = 0;
    for (const Page& p : pages) {
        m_pcOperations->addTab(p.widget, p.caption);
        auto* tab = new QPushButton(p.caption, tabRows);
        tab->setCheckable(true);
        if (!p.hint.isEmpty()) {
            m_pcOperations->setTabToolTip(index, p.hint);
            tab->setToolTip(p.hint);
        }
        tabGroup->addButton(tab, index);
        tabLines[index < 2 ? 0 : 1]->addWidget(tab);
        ++index;
    }
    tabGroup->button(0)->setChecked(true);
    connect(tabGroup, &QButtonGroup::idClicked, m_pcOperations, &QTabWidget::setCurrentIndex);
    connect(m_pcOperations, &QTabWidget::currentChanged, tabGroup, [tabGroup](int i) {
        if (auto* b = tabGroup->button(i))
            b->setChecked(true);
    });
}

// The menus hold the actions of the command table by id; "-" is a separator.
void TfrmMain::CreateMenus()
{
    const auto menu = [this](const QString& name) {
        auto* m = new QMenu(this);
        m->setObjectName(name);
        // The items show the enabled state of this moment, whatever changed since the last pass.
        connect(m, &QMenu::aboutToShow, this, &TfrmMain::ActionManagerUpdate);
        return m;
    };
    const auto addItems = [this](QMenu* m, const QStringList& ids) {
        for (const QString& id : ids) {
            if (id == u"-"_s)
                m->addSeparator();
            else
                m->addAction(ActionById(id));
        }
    };
    const QStringList folderItems = {u"actAddDraftFiles"_s,    u"actAddPartFiles"_s,     u"actAddAssemblyFiles"_s,
                                     u"actAddPartSheetMetalFiles"_s, u"actAddWeldmentFiles"_s, u"-"_s,
                                     u"actAddAllFiles"_s};
    const QStringList listItems = {u"actOpenList"_s,       u"actSaveList"_s, u"actAppendList"_s, u"-"_s,
                                   u"actPrintFilenames"_s, u"actPrintFilenamesWithPath"_s};

    m_pmAddFiles = menu(u"pmAddFiles"_s);
    addItems(m_pmAddFiles, {u"actAddFiles"_s});
    addItems(m_pmAddFiles->addMenu(u"Add folder"_s), folderItems);

    m_pmRemoveFiles = menu(u"pmRemoveFiles"_s);
    addItems(m_pmRemoveFiles, {u"actRemoveSelectedFiles"_s, u"actCropSelectedFiles"_s, u"-"_s, u"actRemoveAllFiles"_s});

    m_pmSelectedFiles = menu(u"pmSelectedFiles"_s);
    addItems(m_pmSelectedFiles, {u"actSelectAllFiles"_s, u"actSelectNoneFile"_s, u"actInvertSelection"_s});

    m_pmList = menu(u"pmList"_s);
    addItems(m_pmList, listItems);

    m_pmFileList = menu(u"pmFileList"_s);
    addItems(m_pmFileList, {u"actAddFiles"_s});
    addItems(m_pmFileList->addMenu(u"Add folder"_s), folderItems);
    addItems(m_pmFileList, {u"-"_s, u"actSelectAllFiles"_s, u"actSelectNoneFile"_s, u"actInvertSelection"_s, u"-"_s,
                            u"actRemoveSelectedFiles"_s, u"actCropSelectedFiles"_s, u"actRemoveAllFiles"_s, u"-"_s,
                            u"actShowDocumentProperties"_s, u"actShowFileDependenies"_s, u"actRenameFile"_s, u"-"_s});
    addItems(m_pmFileList->addMenu(u"List"_s), listItems);
    addItems(m_pmFileList, {u"-"_s, u"actExit"_s});

    m_fileListPanel->SetMenus(m_pmAddFiles, m_pmRemoveFiles, m_pmSelectedFiles, m_pmList, m_pmFileList);
}

void TfrmMain::FormCreate()
{
    m_pcOperations->setCurrentWidget(m_tbshPrintOut);
    setWindowTitle(u"Velmar solid edge utils STANDARD [v"_s + QLatin1String(kVersionText) + u']');
}

void TfrmMain::ScheduleActionUpdate()
{
    if (!m_idleUpdate->isActive())
        m_idleUpdate->start();
}

void TfrmMain::ActionManagerUpdate()
{
    const ListState state{m_fileList->List().Count(), CheckedCount(), HighlightedRow() >= 0};
    for (const EnablingRule& rule : m_enablingRules)
        rule.action->setEnabled(rule.enabled(state));
}

void TfrmMain::MainTimerTimer()
{
    m_fileListPanel->UpdateFileListStatus();
    const QDateTime now = QDateTime::currentDateTime();
    m_fileListPanel->SetDateTimeText(u"Date: "_s + QLocale().toString(now.date(), QLocale::ShortFormat) + u", Time: "_s
                                     + LongTimeText(now.time()) + u" "_s);
    ActionManagerUpdate();
}

int TfrmMain::CheckedCount() const
{
    return m_fileList->List().CheckedCount();
}

void TfrmMain::CollectCheckedFiles(QStringList& paths) const
{
    m_fileList->List().CollectCheckedFiles(paths);
}

void TfrmMain::actPrintFilenamesExecute()
{
    QStringList paths;
    CollectCheckedFiles(paths);
    PrintFileNames(paths, false, this);
}

void TfrmMain::actPrintFilenamesWithPathExecute()
{
    QStringList paths;
    CollectCheckedFiles(paths);
    PrintFileNames(paths, true, this);
}

void TfrmMain::arExplorerDropDropped(const QStringList& files)
{
    std::vector<FileEntry> entries;
    for (const QString& name : files) {
        if (IsDocumentFileName(name))
            entries.push_back(EntryByPathRule(name, true));
    }
    m_fileList->AppendEntries(entries);
    m_fileListPanel->SortFileList();
}

void TfrmMain::OpenFiles(const QStringList& paths)
{
    RunCommand([this, &paths] {
        {
            const BusyCursor busy;
            m_fileList->AppendEntries(DocumentEntries(paths));
        }
        m_fileListPanel->SortFileList();
    });
}

int TfrmMain::HighlightedRow() const
{
    return m_fileListPanel->HighlightedRow();
}

void TfrmMain::RunCommand(const std::function<void()>& command)
{
    RunGuarded(nullptr, command);
    ScheduleActionUpdate();
}

// "Yes" (index 0) lets the window close. The box closed without a button gives its default,
// also 0, so the program exits then too; "No" keeps everything as it was.
bool TfrmMain::FormCloseQuery()
{
    return arMessageBox(u"Confirmation"_s, u"Exit from application?"_s, {u"Yes"_s, u"No"_s}, miQuestion) == 0;
}

void TfrmMain::closeEvent(QCloseEvent* event)
{
    if (FormCloseQuery())
        event->accept();
    else
        event->ignore();
}
