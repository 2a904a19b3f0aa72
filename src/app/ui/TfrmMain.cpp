#include "app/ui/TfrmMain.h"

#include "app/ui/CopyFilesPage.h"
#include "app/ui/DocPropertiesPage.h"
#include "app/ui/FileListPanel.h"
#include "app/ui/PrintOutPage.h"
#include "app/ui/RenameFilesPage.h"
#include "app/ui/TitlePanel.h"
#include "app/ui/UpdateDraftsPage.h"
#include "KrdlVersion.h"
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

QAction* makeAction(QObject* owner, const QString& name, const QString& caption, const QString& hint,
                    const QString& category, const QKeySequence& shortcut = {})
{
    auto* a = new QAction(caption, owner);
    a->setObjectName(name);
    a->setToolTip(hint);
    a->setStatusTip(hint);
    a->setProperty("category", category);
    if (!shortcut.isEmpty()) {
        a->setShortcut(shortcut);
        a->setShortcutContext(Qt::WindowShortcut);
    }
    return a;
}

// The user's long time format without a time zone.
QString longTimeText(const QTime& time)
{
    QString format = QLocale().timeFormat(QLocale::LongFormat);
    format.remove(QLatin1Char('t'));
    return QLocale().toString(time, format.trimmed());
}

} // namespace

TfrmMain::TfrmMain(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(u"frmMain"_s);
    setFont(QFont(u"Tahoma"_s, 8));
    resize(758, 578);

    m_fileList = new FileListModel(this);
    m_idleUpdate = new QTimer(this);
    m_idleUpdate->setSingleShot(true);
    m_idleUpdate->setInterval(0);
    connect(m_idleUpdate, &QTimer::timeout, this, &TfrmMain::ActionManagerUpdate);

    createActions();
    createLayout();
    createMenus();
    bindCommands();

    m_mainTimer = new QTimer(this);
    m_mainTimer->setObjectName(u"MainTimer"_s);
    m_mainTimer->setInterval(500);
    connect(m_mainTimer, &QTimer::timeout, this, &TfrmMain::MainTimerTimer);
    m_mainTimer->start();

    // Everything that can change an enabling rule schedules one update pass.
    connect(m_fileList, &FileListModel::listChanged, this, &TfrmMain::scheduleActionUpdate);
    connect(m_fileList, &QAbstractItemModel::dataChanged, this, &TfrmMain::scheduleActionUpdate);
    connect(m_fileList, &QAbstractItemModel::modelReset, this, &TfrmMain::scheduleActionUpdate);
    connect(m_fileListPanel, &FileListPanel::highlightChanged, this, &TfrmMain::scheduleActionUpdate);
    for (OperationPage* page : std::initializer_list<OperationPage*>{m_tbshPrintOut, m_tbshDocProperties, m_tbshCopyFiles,
                                                                     m_tbshRenameFiles, m_tbshUpdateDrafts})
        connect(page, &OperationPage::inputsChanged, this, &TfrmMain::scheduleActionUpdate);

    // Files dropped from the file manager are taken on the list view only.
    m_arExplorerDrop = new TarExplorerDrop(this);
    m_arExplorerDrop->setObjectName(u"arExplorerDrop"_s);
    m_arExplorerDrop->AllowFolders = false;
    m_arExplorerDrop->OnDropped = [this](TarExplorerDrop*, const QStringList& files, int, int, int) {
        runCommand([this, &files] { arExplorerDropDropped(files); });
    };
    m_arExplorerDrop->setDestinationControl(m_fileListPanel->findChild<QTableView*>(u"lvFiles"_s));

    // The window opens where it was closed.
    m_arFormPosSave = new TarFormPosSave(this);
    m_arFormPosSave->setObjectName(u"arFormPosSave"_s);
    m_arFormPosSave->NameKey = u"KRDL.ini"_s;
    m_arFormPosSave->UseIniFile = true;
    m_arFormPosSave->Loaded();

    FormCreate();
    ActionManagerUpdate();
}

TfrmMain::~TfrmMain()
{
    // While the whole window still stands, so that a failed write can be shown.
    m_arFormPosSave->FormDestroy();
}

void TfrmMain::createActions()
{
    const QString add = u"Add files"_s;
    m_actAddFiles = makeAction(this, u"actAddFiles"_s, u"Add files"_s, u"Add files"_s, add);
    m_actAddDraftFiles = makeAction(this, u"actAddDraftFiles"_s, u"Add Draft files"_s, u"Add draft files"_s, add);
    m_actAddPartFiles = makeAction(this, u"actAddPartFiles"_s, u"Add Part files"_s, u"Add part files"_s, add);
    m_actAddAssemblyFiles =
        makeAction(this, u"actAddAssemblyFiles"_s, u"Add Assembly files"_s, u"Add assembly files"_s, add);
    m_actAddPartSheetMetalFiles = makeAction(this, u"actAddPartSheetMetalFiles"_s, u"Add Part Sheet Metal files"_s,
                                             u"Add part sheet metal files"_s, add);
    m_actAddWeldmentFiles =
        makeAction(this, u"actAddWeldmentFiles"_s, u"Add Weldment files"_s, u"Add weldment files"_s, add);
    m_actAddAllFiles = makeAction(this, u"actAddAllFiles"_s, u"Add all files"_s, u"Add all files from directory"_s, add);

    const QString remove = u"Remove files"_s;
    m_actRemoveSelectedFiles = makeAction(this, u"actRemoveSelectedFiles"_s, u"Remove selected "_s,
                                          u"Remove selected files"_s, remove, QKeySequence(Qt::CTRL | Qt::Key_Delete));
    m_actCropSelectedFiles =
        makeAction(this, u"actCropSelectedFiles"_s, u"Crop selected"_s, u"Crop selected files"_s, remove);
    m_actRemoveAllFiles = makeAction(this, u"actRemoveAllFiles"_s, u"Remove all"_s, u"Remove all files"_s, remove);

    const QString select = u"Select files"_s;
    m_actSelectAllFiles = makeAction(this, u"actSelectAllFiles"_s, u"Select all"_s, u"Select all files"_s, select,
                                     QKeySequence(Qt::CTRL | Qt::Key_A));
    m_actSelectNoneFile = makeAction(this, u"actSelectNoneFile"_s, u"Select none"_s, u"Select none file"_s, select);
    m_actInvertSelection =
        makeAction(this, u"actInvertSelection"_s, u"Invert selection"_s, u"Invert selection"_s, select);

    const QString list = u"List"_s;
    m_actSaveList = makeAction(this, u"actSaveList"_s, u"Save list"_s, u"Save list"_s, list);
    m_actOpenList = makeAction(this, u"actOpenList"_s, u"Open list"_s, u"Open list"_s, list);
    m_actAppendList = makeAction(this, u"actAppendList"_s, u"Append list"_s, u"Append list"_s, list);
    m_actPrintFilenames = makeAction(this, u"actPrintFilenames"_s, u"Print filenames"_s, u"Print filenames"_s, list);
    m_actPrintFilenamesWithPath = makeAction(this, u"actPrintFilenamesWithPath"_s, u"Print filenames with path"_s,
                                             u"Print filenames with path"_s, list);

    m_actExit = makeAction(this, u"actExit"_s, u"Exit"_s, u"Exit"_s, u"Program"_s, QKeySequence(Qt::ALT | Qt::Key_F4));
    m_actCopyFilesBrowseForFolder =
        makeAction(this, u"actCopyFilesBrowseForFolder"_s, u"..."_s, u"Browse for folder"_s, u"Copy files"_s);
    m_actRenameFiles = makeAction(this, u"actRenameFiles"_s, u"Rename files"_s, u"Rename files"_s, u"RenameFiles"_s);
    m_actDocPropEdit =
        makeAction(this, u"actDocPropEdit"_s, u"Edit list"_s, u"Edit document properties"_s, u"DocumentProperties"_s);
    m_actRenameFile = makeAction(this, u"actRenameFile"_s, u"Rename file"_s, u"Rename file"_s, u"Files"_s);
    m_actShowDocumentProperties = makeAction(this, u"actShowDocumentProperties"_s, u"Show file custom properties"_s,
                                             u"Show file custom properties"_s, u"Files"_s);
    m_actPrintFiles = makeAction(this, u"actPrintFiles"_s, u"Print files"_s, u"Print selected files"_s, u"Print out"_s);
    m_actCopyFiles = makeAction(this, u"actCopyFiles"_s, u"Copy files"_s, u"Copy files"_s, u"Copy files"_s);
    m_actUpdateDrafts =
        makeAction(this, u"actUpdateDrafts"_s, u"Update drafts"_s, u"Update drafts"_s, u"Update drafts"_s);
    m_actShowFileDependenies = makeAction(this, u"actShowFileDependenies"_s, u"Show file dependencies"_s,
                                          u"Show file dependencies"_s, u"Files"_s);
    m_actUndoRename = makeAction(this, u"actUndoRename"_s, u"Undo last rename"_s,
                                 u"Put the files of the last rename back under their old names"_s, u"RenameFiles"_s);

    m_actUndoPropertySave = makeAction(this, u"actUndoPropertySave"_s, u"Undo last property save"_s,
                                       u"Put back the custom properties the documents had before the last save"_s,
                                       u"DocumentProperties"_s);

    addActions(allActions());
    addAction(m_actUndoRename);
    addAction(m_actUndoPropertySave);
}

QList<QAction*> TfrmMain::allActions() const
{
    return {m_actAddFiles, m_actAddDraftFiles, m_actAddPartFiles, m_actAddAssemblyFiles,
            m_actAddPartSheetMetalFiles, m_actAddWeldmentFiles, m_actAddAllFiles, m_actRemoveSelectedFiles,
            m_actCropSelectedFiles, m_actRemoveAllFiles, m_actSelectAllFiles, m_actSelectNoneFile,
            m_actInvertSelection, m_actSaveList, m_actOpenList, m_actAppendList, m_actPrintFilenames,
            m_actPrintFilenamesWithPath, m_actExit, m_actCopyFilesBrowseForFolder, m_actRenameFiles,
            m_actDocPropEdit, m_actRenameFile, m_actShowDocumentProperties, m_actPrintFiles, m_actCopyFiles,
            m_actUpdateDrafts, m_actShowFileDependenies};
}

void TfrmMain::createLayout()
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
    m_fileListPanel = new FileListPanel(*m_fileList, m_actExit, pnlFiles);
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

    m_tbshPrintOut = new PrintOutPage(*m_fileList, m_actPrintFiles, m_pcOperations);
    m_tbshDocProperties = new DocPropertiesPage(*m_fileList, m_actDocPropEdit, m_actUndoPropertySave, m_pcOperations);
    m_tbshCopyFiles = new CopyFilesPage(*m_fileList, m_actCopyFilesBrowseForFolder, m_actCopyFiles, m_pcOperations);
    m_tbshRenameFiles = new RenameFilesPage(*m_fileList, m_actRenameFiles, m_actUndoRename, m_pcOperations);
    m_tbshUpdateDrafts = new UpdateDraftsPage(*m_fileList, m_actUpdateDrafts, m_pcOperations);

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

void TfrmMain::createMenus()
{
    const auto menu = [this](const QString& name) {
        auto* m = new QMenu(this);
        m->setObjectName(name);
        // The items show the enabled state of this moment, whatever changed since the last pass.
        connect(m, &QMenu::aboutToShow, this, &TfrmMain::ActionManagerUpdate);
        return m;
    };
    const auto addFolderMenu = [this](QMenu* parent) {
        QMenu* sub = parent->addMenu(u"Add folder"_s);
        sub->addActions({m_actAddDraftFiles, m_actAddPartFiles, m_actAddAssemblyFiles, m_actAddPartSheetMetalFiles,
                         m_actAddWeldmentFiles});
        sub->addSeparator();
        sub->addAction(m_actAddAllFiles);
    };
    const auto addListItems = [this](QMenu* m) {
        m->addActions({m_actOpenList, m_actSaveList, m_actAppendList});
        m->addSeparator();
        m->addActions({m_actPrintFilenames, m_actPrintFilenamesWithPath});
    };

    m_pmAddFiles = menu(u"pmAddFiles"_s);
    m_pmAddFiles->addAction(m_actAddFiles);
    addFolderMenu(m_pmAddFiles);

    m_pmRemoveFiles = menu(u"pmRemoveFiles"_s);
    m_pmRemoveFiles->addActions({m_actRemoveSelectedFiles, m_actCropSelectedFiles});
    m_pmRemoveFiles->addSeparator();
    m_pmRemoveFiles->addAction(m_actRemoveAllFiles);

    m_pmSelectedFiles = menu(u"pmSelectedFiles"_s);
    m_pmSelectedFiles->addActions({m_actSelectAllFiles, m_actSelectNoneFile, m_actInvertSelection});

    m_pmList = menu(u"pmList"_s);
    addListItems(m_pmList);

    m_pmFileList = menu(u"pmFileList"_s);
    m_pmFileList->addAction(m_actAddFiles);
    addFolderMenu(m_pmFileList);
    m_pmFileList->addSeparator();
    m_pmFileList->addActions({m_actSelectAllFiles, m_actSelectNoneFile, m_actInvertSelection});
    m_pmFileList->addSeparator();
    m_pmFileList->addActions({m_actRemoveSelectedFiles, m_actCropSelectedFiles, m_actRemoveAllFiles});
    m_pmFileList->addSeparator();
    m_pmFileList->addActions({m_actShowDocumentProperties, m_actShowFileDependenies, m_actRenameFile});
    m_pmFileList->addSeparator();
    addListItems(m_pmFileList->addMenu(u"List"_s));
    m_pmFileList->addSeparator();
    m_pmFileList->addAction(m_actExit);

    m_fileListPanel->setMenus(m_pmAddFiles, m_pmRemoveFiles, m_pmSelectedFiles, m_pmList, m_pmFileList);
}

void TfrmMain::bindCommands()
{
    const auto bind = [this](QAction* action, std::function<void()> handler) {
        connect(action, &QAction::triggered, this, [this, handler] { runCommand(handler); });
    };
    FileListPanel* list = m_fileListPanel;
    bind(m_actAddFiles, [list] { list->actAddFilesExecute(); });
    bind(m_actRemoveSelectedFiles, [list] { list->actRemoveSelectedFilesExecute(); });
    bind(m_actCropSelectedFiles, [list] { list->actCropSelectedFilesExecute(); });
    bind(m_actRemoveAllFiles, [list] { list->actRemoveAllFilesExecute(); });
    bind(m_actSelectAllFiles, [list] { list->actSelectAllFilesExecute(); });
    bind(m_actSelectNoneFile, [list] { list->actSelectNoneFileExecute(); });
    bind(m_actInvertSelection, [list] { list->actInvertSelectionExecute(); });
    const std::pair<QAction*, QString> folderCommands[] = {
        {m_actAddDraftFiles, u"*.dft"_s},          {m_actAddPartFiles, u"*.par"_s},
        {m_actAddAssemblyFiles, u"*.asm"_s},       {m_actAddPartSheetMetalFiles, u"*.psm"_s},
        {m_actAddWeldmentFiles, u"*.pwd"_s},       {m_actAddAllFiles, u"*.*"_s}};
    for (const auto& [action, mask] : folderCommands)
        bind(action, [list, mask] { list->AddFolder(mask); });
    bind(m_actSaveList, [list] { list->SaveFileList(); });
    bind(m_actOpenList, [list] { list->LoadFileList(false); });
    bind(m_actAppendList, [list] { list->LoadFileList(true); });
    bind(m_actRenameFile, [list] { list->actRenameFileExecute(); });
    bind(m_actShowDocumentProperties, [list] { list->actShowDocumentPropertiesExecute(); });
    connect(m_actExit, &QAction::triggered, this, &QWidget::close);
    bind(m_actPrintFilenames, [this] { actPrintFilenamesExecute(); });
    bind(m_actPrintFilenamesWithPath, [this] { actPrintFilenamesWithPathExecute(); });

    bind(m_actPrintFiles, [page = m_tbshPrintOut] { page->actPrintFilesExecute(); });
    bind(m_actDocPropEdit, [page = m_tbshDocProperties] { page->actDocPropEditExecute(); });
    bind(m_actCopyFilesBrowseForFolder, [page = m_tbshCopyFiles] { page->actCopyFilesBrowseForFolderExecute(); });
    bind(m_actCopyFiles, [page = m_tbshCopyFiles] { page->actCopyFilesExecute(); });
    bind(m_actRenameFiles, [page = m_tbshRenameFiles] { page->actRenameFilesExecute(); });
    bind(m_actUndoRename, [page = m_tbshRenameFiles] { page->actUndoRenameExecute(); });
    bind(m_actUndoPropertySave, [page = m_tbshDocProperties] { page->actUndoPropertySaveExecute(); });
    bind(m_actUpdateDrafts, [page = m_tbshUpdateDrafts] { page->actUpdateDraftsExecute(); });

    connect(m_pcOperations, &QTabWidget::currentChanged, this, [this] {
        if (auto* page = qobject_cast<OperationPage*>(m_pcOperations->currentWidget()))
            runCommand([page] { page->PageShow(); });
    });
}

void TfrmMain::FormCreate()
{
    m_pcOperations->setCurrentWidget(m_tbshPrintOut);
    setWindowTitle(u"Velmar solid edge utils STANDARD [v"_s + QLatin1String(kVersionText) + u']');
}

void TfrmMain::scheduleActionUpdate()
{
    if (!m_idleUpdate->isActive())
        m_idleUpdate->start();
}

void TfrmMain::ActionManagerUpdate()
{
    const int entries = m_fileList->list().count();
    const int checked = CheckedCount();
    const bool highlighted = highlightedRow() >= 0;

    for (QAction* a : {m_actAddFiles, m_actAddDraftFiles, m_actAddPartFiles, m_actAddAssemblyFiles,
                       m_actAddPartSheetMetalFiles, m_actAddWeldmentFiles, m_actAddAllFiles, m_actSaveList,
                       m_actOpenList, m_actAppendList, m_actExit, m_actCopyFilesBrowseForFolder})
        a->setEnabled(true);
    for (QAction* a : {m_actRemoveSelectedFiles, m_actCropSelectedFiles, m_actDocPropEdit, m_actCopyFiles,
                       m_actUpdateDrafts})
        a->setEnabled(checked > 0);
    for (QAction* a : {m_actRemoveAllFiles, m_actSelectAllFiles, m_actSelectNoneFile, m_actInvertSelection,
                       m_actPrintFilenames, m_actPrintFilenamesWithPath})
        a->setEnabled(entries > 0);
    m_actRenameFiles->setEnabled(checked > 0 && m_tbshRenameFiles->HasTexts());
    m_actRenameFile->setEnabled(highlighted);
    m_actShowDocumentProperties->setEnabled(highlighted);
    m_actPrintFiles->setEnabled(checked > 0 && m_tbshPrintOut->HasPrintChoices());
    m_actShowFileDependenies->setEnabled(false);
}

void TfrmMain::MainTimerTimer()
{
    m_fileListPanel->UpdateFileListStatus();
    const QDateTime now = QDateTime::currentDateTime();
    m_fileListPanel->setDateTimeText(u"Date: "_s + QLocale().toString(now.date(), QLocale::ShortFormat) + u", Time: "_s
                                     + longTimeText(now.time()) + u" "_s);
    ActionManagerUpdate();
}

int TfrmMain::CheckedCount() const
{
    return m_fileList->list().checkedCount();
}

void TfrmMain::CollectCheckedFiles(QStringList& paths) const
{
    m_fileList->list().CollectCheckedFiles(paths);
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

void TfrmMain::arExplorerDropDropped(const QStringList& Files)
{
    std::vector<FileEntry> entries;
    for (const QString& name : Files) {
        if (IsDocumentFileName(name))
            entries.push_back(EntryByPathRule(name, true));
    }
    m_fileList->appendEntries(entries);
    m_fileListPanel->SortFileList();
}

void TfrmMain::OpenFiles(const QStringList& paths)
{
    runCommand([this, &paths] {
        {
            const BusyCursor busy;
            m_fileList->appendEntries(DocumentEntries(paths));
        }
        m_fileListPanel->SortFileList();
    });
}

int TfrmMain::highlightedRow() const
{
    return m_fileListPanel->highlightedRow();
}

void TfrmMain::runCommand(const std::function<void()>& command)
{
    RunGuarded(nullptr, command);
    scheduleActionUpdate();
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
