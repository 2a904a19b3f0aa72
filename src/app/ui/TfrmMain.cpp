#include "app/ui/TfrmMain.h"

#include "common/Error.h"
#include "common/PathText.h"
#include "filelist/ui/FileDialogs.h"
#include "filelist/ui/FileListModel.h"
#include "settings/Settings.h"
#include "widgets/ui/arMessageBox.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QPrinterInfo>
#include <QPushButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

const char* const kWindowCaption = "Velmar solid edge utils STANDARD [v2.204]";

QAction* makeAction(QObject* owner, const QString& caption, const QString& hint, const QString& category,
                    const QKeySequence& shortcut = {})
{
    auto* a = new QAction(caption, owner);
    a->setToolTip(hint);
    a->setStatusTip(hint);
    a->setProperty("category", category);
    if (!shortcut.isEmpty()) {
        a->setShortcut(shortcut);
        a->setShortcutContext(Qt::WindowShortcut);
    }
    return a;
}

// A push button that shows an action: its caption, hint and enabled state, and runs it.
QPushButton* actionButton(QAction* action, QWidget* parent)
{
    auto* button = new QPushButton(action->text(), parent);
    button->setToolTip(action->toolTip());
    button->setEnabled(action->isEnabled());
    QObject::connect(button, &QPushButton::clicked, action, &QAction::trigger);
    QObject::connect(action, &QAction::changed, button, [button, action] {
        button->setText(action->text());
        button->setEnabled(action->isEnabled());
    });
    return button;
}

// The user's long time format without a time zone.
QString longTimeText(const QTime& time)
{
    QString format = QLocale().timeFormat(QLocale::LongFormat);
    format.remove(QLatin1Char('t'));
    return QLocale().toString(time, format.trimmed());
}

QGroupBox* pageGroup(QWidget* page)
{
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(4, 4, 4, 4);
    auto* group = new QGroupBox(page);
    layout->addWidget(group);
    return group;
}

QLabel* wrappedLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

} // namespace

TfrmMain::TfrmMain(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmMain"));
    setFont(QFont(QStringLiteral("Tahoma"), 8));
    resize(758, 578);

    fileListModel = new TFileListModel(this);
    idleUpdate = new QTimer(this);
    idleUpdate->setSingleShot(true);
    idleUpdate->setInterval(0);
    connect(idleUpdate, &QTimer::timeout, this, &TfrmMain::ActionManagerUpdate);

    createActions();
    createLayout();
    createMenus();
    connectListCommands();
    connectBatchCommands();

    MainTimer = new QTimer(this);
    MainTimer->setInterval(500);
    connect(MainTimer, &QTimer::timeout, this, &TfrmMain::MainTimerTimer);
    MainTimer->start();

    // Everything that can change an enabling rule schedules one update pass.
    connect(fileListModel, &TFileListModel::listChanged, this, &TfrmMain::scheduleActionUpdate);
    connect(fileListModel, &QAbstractItemModel::dataChanged, this, &TfrmMain::scheduleActionUpdate);
    connect(fileListModel, &QAbstractItemModel::modelReset, this, &TfrmMain::scheduleActionUpdate);
    connect(fileListModel, &TFileListModel::checkToggled, this, [this] { UpdateFileListStatus(); });
    connect(lvFiles->selectionModel(), &QItemSelectionModel::selectionChanged, this, &TfrmMain::scheduleActionUpdate);
    connect(edOldText, &QLineEdit::textChanged, this, &TfrmMain::scheduleActionUpdate);
    connect(edNewText, &QLineEdit::textChanged, this, &TfrmMain::scheduleActionUpdate);
    connect(cbPrinters, &QComboBox::currentIndexChanged, this, &TfrmMain::scheduleActionUpdate);
    connect(cbOrientation, &QComboBox::currentIndexChanged, this, &TfrmMain::scheduleActionUpdate);

    FormCreate();
    ActionManagerUpdate();
}

TfrmMain::~TfrmMain() = default;

void TfrmMain::createActions()
{
    const QString add = QStringLiteral("Add files");
    actAddFiles = makeAction(this, u"Add files"_s, u"Add files"_s, add);
    actAddDraftFiles = makeAction(this, u"Add Draft files"_s, u"Add draft files"_s, add);
    actAddPartFiles = makeAction(this, u"Add Part files"_s, u"Add part files"_s, add);
    actAddAssemblyFiles = makeAction(this, u"Add Assembly files"_s, u"Add assembly files"_s, add);
    actAddPartSheetMetalFiles = makeAction(this, u"Add Part Sheet Metal files"_s, u"Add part sheet metal files"_s, add);
    actAddWeldmentFiles = makeAction(this, u"Add Weldment files"_s, u"Add weldment files"_s, add);
    actAddAllFiles = makeAction(this, u"Add all files"_s, u"Add all files from directory"_s, add);

    const QString remove = QStringLiteral("Remove files");
    actRemoveSelectedFiles = makeAction(this, u"Remove selected "_s, u"Remove selected files"_s, remove,
                                        QKeySequence(Qt::CTRL | Qt::Key_Delete));
    actCropSelectedFiles = makeAction(this, u"Crop selected"_s, u"Crop selected files"_s, remove);
    actRemoveAllFiles = makeAction(this, u"Remove all"_s, u"Remove all files"_s, remove);

    const QString select = QStringLiteral("Select files");
    actSelectAllFiles = makeAction(this, u"Select all"_s, u"Select all files"_s, select, QKeySequence(Qt::CTRL | Qt::Key_A));
    actSelectNoneFile = makeAction(this, u"Select none"_s, u"Select none file"_s, select);
    actInvertSelection = makeAction(this, u"Invert selection"_s, u"Invert selection"_s, select);

    const QString list = QStringLiteral("List");
    actSaveList = makeAction(this, u"Save list"_s, u"Save list"_s, list);
    actOpenList = makeAction(this, u"Open list"_s, u"Open list"_s, list);
    actAppendList = makeAction(this, u"Append list"_s, u"Append list"_s, list);
    actPrintFilenames = makeAction(this, u"Print filenames"_s, u"Print filenames"_s, list);
    actPrintFilenamesWithPath = makeAction(this, u"Print filenames with path"_s, u"Print filenames with path"_s, list);

    actExit = makeAction(this, u"Exit"_s, u"Exit"_s, u"Program"_s, QKeySequence(Qt::ALT | Qt::Key_F4));
    actCopyFilesBrowseForFolder = makeAction(this, u"..."_s, u"Browse for folder"_s, u"Copy files"_s);
    actRenameFiles = makeAction(this, u"Rename files"_s, u"Rename files"_s, u"RenameFiles"_s);
    actDocPropEdit = makeAction(this, u"Edit list"_s, u"Edit document properties"_s, u"DocumentProperties"_s);
    actRenameFile = makeAction(this, u"Rename file"_s, u"Rename file"_s, u"Files"_s);
    actShowDocumentProperties = makeAction(this, u"Show file custom properties"_s, u"Show file custom properties"_s, u"Files"_s);
    actPrintFiles = makeAction(this, u"Print files"_s, u"Print selected files"_s, u"Print out"_s);
    actCopyFiles = makeAction(this, u"Copy files"_s, u"Copy files"_s, u"Copy files"_s);
    actUpdateDrafts = makeAction(this, u"Update drafts"_s, u"Update drafts"_s, u"Update drafts"_s);
    actShowFileDependenies = makeAction(this, u"Show file dependencies"_s, u"Show file dependencies"_s, u"Files"_s);

    addActions(allActions());

    const auto bind = [this](QAction* action, void (TfrmMain::*handler)()) {
        connect(action, &QAction::triggered, this, [this, handler] { runCommand([this, handler] { (this->*handler)(); }); });
    };
    bind(actAddFiles, &TfrmMain::actAddFilesExecute);
    bind(actRemoveSelectedFiles, &TfrmMain::actRemoveSelectedFilesExecute);
    bind(actCropSelectedFiles, &TfrmMain::actCropSelectedFilesExecute);
    bind(actRemoveAllFiles, &TfrmMain::actRemoveAllFilesExecute);
    bind(actSelectAllFiles, &TfrmMain::actSelectAllFilesExecute);
    bind(actSelectNoneFile, &TfrmMain::actSelectNoneFileExecute);
    bind(actInvertSelection, &TfrmMain::actInvertSelectionExecute);
    connect(actExit, &QAction::triggered, this, &QWidget::close);
}

QList<QAction*> TfrmMain::allActions() const
{
    return {actAddFiles, actAddDraftFiles, actAddPartFiles, actAddAssemblyFiles, actAddPartSheetMetalFiles,
            actAddWeldmentFiles, actAddAllFiles, actRemoveSelectedFiles, actCropSelectedFiles, actRemoveAllFiles,
            actSelectAllFiles, actSelectNoneFile, actInvertSelection, actSaveList, actOpenList, actAppendList,
            actPrintFilenames, actPrintFilenamesWithPath, actExit, actCopyFilesBrowseForFolder, actRenameFiles,
            actDocPropEdit, actRenameFile, actShowDocumentProperties, actPrintFiles, actCopyFiles,
            actUpdateDrafts, actShowFileDependenies};
}

void TfrmMain::createLayout()
{
    auto* central = new QWidget(this);
    auto* root = new QVBoxLayout(central);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);
    setCentralWidget(central);

    // Title panel: a maroon strip with the white title.
    pnlTitle = new QFrame(central);
    pnlTitle->setObjectName(QStringLiteral("pnlTitle"));
    pnlTitle->setFixedHeight(70);
    pnlTitle->setFrameStyle(QFrame::Panel | QFrame::Raised);
    pnlTitle->setAutoFillBackground(true);
    QPalette titlePalette = pnlTitle->palette();
    titlePalette.setColor(QPalette::Window, QColor(0x80, 0, 0));
    pnlTitle->setPalette(titlePalette);
    auto* titleLayout = new QHBoxLayout(pnlTitle);
    titleLayout->setContentsMargins(16, 0, 16, 0);
    lblTitle = new QLabel(QStringLiteral("Velmar solid edge utils"), pnlTitle);
    QFont titleFont(QStringLiteral("Tahoma"));
    titleFont.setBold(true);
    titleFont.setPixelSize(24);
    lblTitle->setFont(titleFont);
    QPalette labelPalette = lblTitle->palette();
    labelPalette.setColor(QPalette::WindowText, Qt::white);
    lblTitle->setPalette(labelPalette);
    titleLayout->addWidget(lblTitle);
    titleLayout->addStretch();
    root->addWidget(pnlTitle);

    auto* pnlFiles = new QWidget(central);
    auto* filesLayout = new QHBoxLayout(pnlFiles);
    filesLayout->setContentsMargins(2, 2, 2, 2);
    root->addWidget(pnlFiles, 1);

    // Left: the file list page.
    pcPageControl = new QTabWidget(pnlFiles);
    pcPageControl->setMinimumWidth(369);
    auto* tabSheet3 = new QWidget(pcPageControl);
    pcPageControl->addTab(tabSheet3, QStringLiteral("Batch (multi files select)"));
    auto* sheetLayout = new QVBoxLayout(tabSheet3);
    sheetLayout->setContentsMargins(0, 0, 0, 0);
    sheetLayout->setSpacing(0);

    auto* pnlFilesButtons = new QWidget(tabSheet3);
    pnlFilesButtons->setFixedHeight(30);
    auto* buttons = new QHBoxLayout(pnlFilesButtons);
    buttons->setContentsMargins(2, 2, 2, 2);
    const auto barButton = [&](const char* caption, const char* hint) {
        auto* b = new QPushButton(QString::fromLatin1(caption), pnlFilesButtons);
        b->setToolTip(QString::fromLatin1(hint));
        buttons->addWidget(b);
        return b;
    };
    btnAddFiles = barButton("Add files", "Add files to Filelist");
    btnRemoveFiles = barButton("Remove files", "Remove files from Filelist");
    btnSelectFiles = barButton("Select files", "Select files");
    btnList = barButton("List", "Save, Open or Append list");
    buttons->addStretch();
    btnExit = actionButton(actExit, pnlFilesButtons);
    buttons->addWidget(btnExit);
    sheetLayout->addWidget(pnlFilesButtons);

    lvFiles = new QTableView(tabSheet3);
    lvFiles->setObjectName(QStringLiteral("lvFiles"));
    lvFiles->setModel(fileListModel);
    lvFiles->setFont(QFont(QStringLiteral("Arial"), 9));
    lvFiles->setToolTip(QStringLiteral("Filelist"));
    lvFiles->setShowGrid(true);
    lvFiles->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvFiles->setSelectionMode(QAbstractItemView::SingleSelection);
    lvFiles->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvFiles->setWordWrap(false);
    lvFiles->setContextMenuPolicy(Qt::CustomContextMenu);
    lvFiles->verticalHeader()->hide();
    lvFiles->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    lvFiles->verticalHeader()->setDefaultSectionSize(lvFiles->fontMetrics().height() + 6);
    lvFiles->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    lvFiles->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Interactive);
    lvFiles->horizontalHeader()->resizeSection(1, 200);
    lvFiles->horizontalHeader()->setSectionsClickable(true);
    lvFiles->horizontalHeader()->setHighlightSections(false);
    connect(lvFiles->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int column) { runCommand([this, column] { lvFilesColumnClick(column); }); });
    sheetLayout->addWidget(lvFiles, 1);

    auto* pnlFileListStatus = new QFrame(tabSheet3);
    pnlFileListStatus->setFixedHeight(27);
    pnlFileListStatus->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    auto* status = new QHBoxLayout(pnlFileListStatus);
    status->setContentsMargins(6, 0, 6, 0);
    lblFileListStatus = new QLabel(QStringLiteral("No files in list"), pnlFileListStatus);
    lblDateTime = new QLabel(QStringLiteral("<date> <time>"), pnlFileListStatus);
    lblDateTime->setTextFormat(Qt::PlainText);
    lblDateTime->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    status->addWidget(lblFileListStatus);
    status->addStretch();
    status->addWidget(lblDateTime);
    sheetLayout->addWidget(pnlFileListStatus);
    filesLayout->addWidget(pcPageControl, 1);

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
    pcOperations = new QTabWidget(operations);
    pcOperations->tabBar()->hide();
    opLayout->addWidget(pcOperations, 1);
    filesLayout->addWidget(operations);

    tbshPrintOut = new QWidget(pcOperations);
    {
        auto* g = pageGroup(tbshPrintOut);
        auto* l = new QVBoxLayout(g);
        l->addWidget(wrappedLabel(QStringLiteral("This tool will print all selected files by selected print settings!"), g));
        auto* form = new QFormLayout();
        cbPrinters = new QComboBox(g);
        cbOrientation = new QComboBox(g);
        cbOrientation->addItems({QStringLiteral("Portrait"), QStringLiteral("Landscape")});
        cbOrientation->setCurrentIndex(-1);
        edNumberOfCopies = new QSpinBox(g);
        edNumberOfCopies->setRange(1, 1000);
        edNumberOfCopies->setValue(1);
        chkCollate = new QCheckBox(g);
        chkPrintAsBlack = new QCheckBox(g);
        chkPrintAsBlack->setChecked(true);
        form->addRow(QStringLiteral("Printer:"), cbPrinters);
        form->addRow(QStringLiteral("Orientation:"), cbOrientation);
        form->addRow(QStringLiteral("Number of copies:"), edNumberOfCopies);
        form->addRow(QStringLiteral("Collate:"), chkCollate);
        form->addRow(QStringLiteral("Print as black:"), chkPrintAsBlack);
        l->addLayout(form);
        btnPrintFiles = actionButton(actPrintFiles, g);
        l->addWidget(btnPrintFiles);
        l->addStretch();
    }
    tbshDocProperties = new QWidget(pcOperations);
    {
        auto* g = pageGroup(tbshDocProperties);
        auto* l = new QVBoxLayout(g);
        l->addWidget(wrappedLabel(
            QStringLiteral("This tool will change, add or remove document properties from all selected files!"), g));
        btnEditList = actionButton(actDocPropEdit, g);
        l->addWidget(btnEditList);
        l->addStretch();
    }
    tbshCopyFiles = new QWidget(pcOperations);
    {
        auto* g = pageGroup(tbshCopyFiles);
        auto* l = new QVBoxLayout(g);
        l->addWidget(new QLabel(QStringLiteral("Copy to directory"), g));
        auto* row = new QHBoxLayout();
        edCopyFilesDir = new QLineEdit(g);
        edCopyFilesDir->setFocusPolicy(Qt::ClickFocus);
        btnCopyFilesDir = actionButton(actCopyFilesBrowseForFolder, g);
        btnCopyFilesDir->setFixedWidth(28);
        row->addWidget(edCopyFilesDir, 1);
        row->addWidget(btnCopyFilesDir);
        l->addLayout(row);
        chkOverwrite = new QCheckBox(QStringLiteral("Overwrite"), g);
        l->addWidget(chkOverwrite);
        btnCopyFiles = actionButton(actCopyFiles, g);
        l->addWidget(btnCopyFiles);
        l->addStretch();
    }
    tbshRenameFiles = new QWidget(pcOperations);
    {
        auto* g = pageGroup(tbshRenameFiles);
        auto* l = new QVBoxLayout(g);
        l->addWidget(new QLabel(QStringLiteral("Old text"), g));
        edOldText = new QLineEdit(g);
        l->addWidget(edOldText);
        l->addWidget(new QLabel(QStringLiteral("New text"), g));
        edNewText = new QLineEdit(g);
        l->addWidget(edNewText);
        chkCaseSensitive = new QCheckBox(QStringLiteral("Case sensitive"), g);
        chkCaseSensitive->setChecked(true);
        l->addWidget(chkCaseSensitive);
        btnRenameFiles = actionButton(actRenameFiles, g);
        l->addWidget(btnRenameFiles);
        l->addStretch();
    }
    tbshUpdateDrafts = new QWidget(pcOperations);
    {
        auto* g = pageGroup(tbshUpdateDrafts);
        auto* l = new QVBoxLayout(g);
        l->addWidget(wrappedLabel(QStringLiteral("Update outdated views in selected drafts!"), g));
        btnUpdateDrafts = actionButton(actUpdateDrafts, g);
        l->addWidget(btnUpdateDrafts);
        l->addStretch();
    }

    struct Page {
        QWidget* widget;
        const char* caption;
        const char* hint;
    };
    const Page pages[] = {{tbshPrintOut, "Print out", "Batch print"},
                          {tbshDocProperties, "Document properties", nullptr},
                          {tbshCopyFiles, "Copy files", nullptr},
                          {tbshRenameFiles, "Rename files", nullptr},
                          {tbshUpdateDrafts, "Update drafts", nullptr}};
    auto* tabGroup = new QButtonGroup(this);
    tabGroup->setExclusive(true);
    int index = 0;
    for (const Page& p : pages) {
        pcOperations->addTab(p.widget, QString::fromLatin1(p.caption));
        auto* tab = new QPushButton(QString::fromLatin1(p.caption), tabRows);
        tab->setCheckable(true);
        tab->setFlat(false);
        if (p.hint) {
            pcOperations->setTabToolTip(index, QString::fromLatin1(p.hint));
            tab->setToolTip(QString::fromLatin1(p.hint));
        }
        tabGroup->addButton(tab, index);
        tabLines[index < 2 ? 0 : 1]->addWidget(tab);
        ++index;
    }
    tabGroup->button(0)->setChecked(true);
    connect(tabGroup, &QButtonGroup::idClicked, pcOperations, &QTabWidget::setCurrentIndex);
    connect(pcOperations, &QTabWidget::currentChanged, tabGroup, [tabGroup](int i) {
        if (auto* b = tabGroup->button(i))
            b->setChecked(true);
    });
}

void TfrmMain::createMenus()
{
    const auto addFolderMenu = [this](QMenu* parent) {
        QMenu* sub = parent->addMenu(QStringLiteral("Add folder"));
        sub->addActions({actAddDraftFiles, actAddPartFiles, actAddAssemblyFiles, actAddPartSheetMetalFiles,
                         actAddWeldmentFiles});
        sub->addSeparator();
        sub->addAction(actAddAllFiles);
    };
    pmAddFiles = new QMenu(this);
    pmAddFiles->addAction(actAddFiles);
    addFolderMenu(pmAddFiles);

    pmRemoveFiles = new QMenu(this);
    pmRemoveFiles->addActions({actRemoveSelectedFiles, actCropSelectedFiles});
    pmRemoveFiles->addSeparator();
    pmRemoveFiles->addAction(actRemoveAllFiles);

    pmSelectedFiles = new QMenu(this);
    pmSelectedFiles->addActions({actSelectAllFiles, actSelectNoneFile, actInvertSelection});

    const auto addListItems = [this](QMenu* m) {
        m->addActions({actOpenList, actSaveList, actAppendList});
        m->addSeparator();
        m->addActions({actPrintFilenames, actPrintFilenamesWithPath});
    };
    pmList = new QMenu(this);
    addListItems(pmList);

    pmFileList = new QMenu(this);
    pmFileList->addAction(actAddFiles);
    addFolderMenu(pmFileList);
    pmFileList->addSeparator();
    pmFileList->addActions({actSelectAllFiles, actSelectNoneFile, actInvertSelection});
    pmFileList->addSeparator();
    pmFileList->addActions({actRemoveSelectedFiles, actCropSelectedFiles, actRemoveAllFiles});
    pmFileList->addSeparator();
    pmFileList->addActions({actShowDocumentProperties, actShowFileDependenies, actRenameFile});
    pmFileList->addSeparator();
    addListItems(pmFileList->addMenu(QStringLiteral("List")));
    pmFileList->addSeparator();
    pmFileList->addAction(actExit);

    connect(btnAddFiles, &QPushButton::clicked, this, [this] { popupAt(btnAddFiles, pmAddFiles); });
    connect(btnRemoveFiles, &QPushButton::clicked, this, [this] { popupAt(btnRemoveFiles, pmRemoveFiles); });
    connect(btnSelectFiles, &QPushButton::clicked, this, [this] { popupAt(btnSelectFiles, pmSelectedFiles); });
    connect(btnList, &QPushButton::clicked, this, [this] { popupAt(btnList, pmList); });
    connect(lvFiles, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        ActionManagerUpdate();
        pmFileList->popup(lvFiles->viewport()->mapToGlobal(pos));
    });
}

void TfrmMain::popupAt(QPushButton* button, QMenu* menu)
{
    ActionManagerUpdate();
    menu->popup(button->mapToGlobal(QPoint(0, button->height())));
}

void TfrmMain::FormCreate()
{
    pcOperations->setCurrentWidget(tbshPrintOut);
    const QStringList printers = QPrinterInfo::availablePrinterNames();
    cbPrinters->addItems(printers);
    cbPrinters->setCurrentIndex(-1);
    setWindowTitle(QString::fromLatin1(kWindowCaption));
}

void TfrmMain::scheduleActionUpdate()
{
    if (!idleUpdate->isActive())
        idleUpdate->start();
}

void TfrmMain::ActionManagerUpdate()
{
    const int entries = fileListModel->list().count();
    const int checked = CheckedCount();
    const bool highlighted = highlightedRow() >= 0;

    for (QAction* a : {actAddFiles, actAddDraftFiles, actAddPartFiles, actAddAssemblyFiles, actAddPartSheetMetalFiles,
                       actAddWeldmentFiles, actAddAllFiles, actSaveList, actOpenList, actAppendList, actExit,
                       actCopyFilesBrowseForFolder})
        a->setEnabled(true);
    for (QAction* a : {actRemoveSelectedFiles, actCropSelectedFiles, actDocPropEdit, actCopyFiles, actUpdateDrafts})
        a->setEnabled(checked > 0);
    for (QAction* a : {actRemoveAllFiles, actSelectAllFiles, actSelectNoneFile, actInvertSelection, actPrintFilenames,
                       actPrintFilenamesWithPath})
        a->setEnabled(entries > 0);
    actRenameFiles->setEnabled(checked > 0 && !edOldText->text().isEmpty() && !edNewText->text().isEmpty());
    actRenameFile->setEnabled(highlighted);
    actShowDocumentProperties->setEnabled(highlighted);
    actPrintFiles->setEnabled(checked > 0 && cbPrinters->currentIndex() >= 0 && cbOrientation->currentIndex() >= 0);
    actShowFileDependenies->setEnabled(false);
}

void TfrmMain::MainTimerTimer()
{
    UpdateFileListStatus();
    const QDateTime now = QDateTime::currentDateTime();
    lblDateTime->setText(QStringLiteral("Date: ") + QLocale().toString(now.date(), QLocale::ShortFormat)
                         + QStringLiteral(", Time: ") + longTimeText(now.time()) + QStringLiteral(" "));
    ActionManagerUpdate();
}

void TfrmMain::UpdateFileListStatus()
{
    lblFileListStatus->setText(FileListStatusText(fileListModel->list().count(), CheckedCount()));
}

int TfrmMain::CheckedCount() const
{
    return fileListModel->list().checkedCount();
}

void TfrmMain::CollectCheckedFiles(QStringList& paths) const
{
    fileListModel->list().CollectCheckedFiles(paths);
}

int TfrmMain::highlightedRow() const
{
    const QModelIndexList rows = lvFiles->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void TfrmMain::SortFileList()
{
    fileListModel->sortList();
}

void TfrmMain::runCommand(const std::function<void()>& command)
{
    try {
        command();
    } catch (const KrdlError& e) {
        arMessageBox(QStringLiteral("Velmar Solid Edge Utils"), e.message(), {QStringLiteral("OK")}, miError);
    } catch (const std::exception& e) {
        arMessageBox(QStringLiteral("Velmar Solid Edge Utils"), QString::fromLocal8Bit(e.what()),
                     {QStringLiteral("OK")}, miError);
    }
    scheduleActionUpdate();
}

void TfrmMain::actAddFilesExecute()
{
    FileDialogRequest request;
    request.multiple = true;
    request.title = QStringLiteral("Add files");
    request.initialFolder = ReadInitialDir(QStringLiteral("AddFiles"));
    request.filters = {QStringLiteral("Draft files (*.dft)"), QStringLiteral("Part files (*.par)"),
                       QStringLiteral("Assembly files (*.asm)"), QStringLiteral("Plate Sheet Metal files (*.psm)"),
                       QStringLiteral("Weldment files (*.pwd)"), QStringLiteral("All files (*)")};
    const QStringList chosen = RunFileDialog(this, request);
    if (chosen.isEmpty())
        return;
    const QString folder = QDir::toNativeSeparators(QFileInfo(chosen.first()).absolutePath());
    WriteInitialDir(QStringLiteral("AddFiles"), IncludeTrailingPathDelimiter(folder));
    std::vector<FileEntry> entries;
    entries.reserve(size_t(chosen.size()));
    for (const QString& path : chosen)
        entries.push_back(EntryByPathRule(path, true));
    fileListModel->appendEntries(entries);
    SortFileList();
}

void TfrmMain::actRemoveSelectedFilesExecute()
{
    fileListModel->change([](FileList& l) { l.removeChecked(); });
    SortFileList();
}

void TfrmMain::actCropSelectedFilesExecute()
{
    fileListModel->change([](FileList& l) { l.removeUnchecked(); });
    SortFileList();
}

void TfrmMain::actRemoveAllFilesExecute()
{
    fileListModel->change([](FileList& l) { l.clear(); });
}

void TfrmMain::actSelectAllFilesExecute()
{
    fileListModel->changeChecks([](FileList& l) { l.checkAll(true); });
}

void TfrmMain::actSelectNoneFileExecute()
{
    fileListModel->changeChecks([](FileList& l) { l.checkAll(false); });
}

void TfrmMain::actInvertSelectionExecute()
{
    fileListModel->changeChecks([](FileList& l) { l.invertChecks(); });
}

void TfrmMain::lvFilesColumnClick(int column)
{
    fileListModel->sortBy(column);
}

void TfrmMain::closeEvent(QCloseEvent* event)
{
    if (FormCloseQuery())
        event->accept();
    else
        event->ignore();
}
