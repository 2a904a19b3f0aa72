#include "app/ui/FileListPanel.h"

#include "batch/TarRenameFiles.h"
#include "batch/ui/TfrmRenameFile.h"
#include "common/PathText.h"
#include "filelist/FindFolderEntries.h"
#include "filelist/ListFile.h"
#include "filelist/ui/FileListModel.h"
#include "properties/ui/TfrmDocCustomProperties.h"
#include "settings/Settings.h"
#include "settings/ui/Desktop.h"
#include "widgets/ui/ActionButton.h"
#include "widgets/ui/BusyCursor.h"
#include "widgets/ui/arMessageBox.h"

#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

// The folder part of a chosen file name, with its trailing separator.
QString FolderOf(const QString& fileName)
{
    return fileName.left(LastDelimiter(fileName) + 1);
}

} // namespace

FileListPanel::FileListPanel(FileListModel& files, Desktop& desktop, QAction* actExit, QWidget* parent)
    : QWidget(parent), m_files(files), m_desktop(desktop)
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* pcPageControl = new QTabWidget(this);
    pcPageControl->setObjectName(u"pcPageControl"_s);
    pcPageControl->setMinimumWidth(369);
    outer->addWidget(pcPageControl);
    auto* tabSheet3 = new QWidget(pcPageControl);
    tabSheet3->setObjectName(u"TabSheet3"_s);
    pcPageControl->addTab(tabSheet3, u"Batch (multi files select)"_s);
    auto* sheetLayout = new QVBoxLayout(tabSheet3);
    sheetLayout->setContentsMargins(0, 0, 0, 0);
    sheetLayout->setSpacing(0);

    auto* pnlFilesButtons = new QWidget(tabSheet3);
    pnlFilesButtons->setObjectName(u"pnlFilesButtons"_s);
    pnlFilesButtons->setFixedHeight(30);
    auto* buttons = new QHBoxLayout(pnlFilesButtons);
    buttons->setContentsMargins(2, 2, 2, 2);
    const auto barButton = [&](const QString& name, const QString& caption, const QString& hint) {
        auto* b = new QPushButton(caption, pnlFilesButtons);
        b->setObjectName(name);
        b->setToolTip(hint);
        buttons->addWidget(b);
        return b;
    };
    m_btnAddFiles = barButton(u"btnAddFiles"_s, u"Add files"_s, u"Add files to Filelist"_s);
    m_btnRemoveFiles = barButton(u"btnRemoveFiles"_s, u"Remove files"_s, u"Remove files from Filelist"_s);
    m_btnSelectFiles = barButton(u"btnSelectFiles"_s, u"Select files"_s, u"Select files"_s);
    m_btnList = barButton(u"btnList"_s, u"List"_s, u"Save, Open or Append list"_s);
    buttons->addStretch();
    m_btnExit = new ActionButton(actExit, ActionButton::ShowHint, pnlFilesButtons);
    m_btnExit->setObjectName(u"btnExit"_s);
    buttons->addWidget(m_btnExit);
    sheetLayout->addWidget(pnlFilesButtons);

    m_lvFiles = new QTableView(tabSheet3);
    m_lvFiles->setObjectName(u"lvFiles"_s);
    m_lvFiles->setModel(&m_files);
    m_lvFiles->setFont(QFont(u"Arial"_s, 9));
    m_lvFiles->setToolTip(u"Filelist"_s);
    m_lvFiles->setShowGrid(true);
    m_lvFiles->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_lvFiles->setSelectionMode(QAbstractItemView::SingleSelection);
    m_lvFiles->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_lvFiles->setWordWrap(false);
    m_lvFiles->setContextMenuPolicy(Qt::CustomContextMenu);
    QHeaderView* rows = m_lvFiles->verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(m_lvFiles->fontMetrics().height() + 6);
    QHeaderView* header = m_lvFiles->horizontalHeader();
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    header->setSectionResizeMode(1, QHeaderView::Interactive);
    header->resizeSection(1, 200);
    header->setSectionsClickable(true);
    header->setHighlightSections(false);
    connect(header, &QHeaderView::sectionClicked, this, &FileListPanel::lvFilesColumnClick);
    sheetLayout->addWidget(m_lvFiles, 1);

    auto* pnlFileListStatus = new QFrame(tabSheet3);
    pnlFileListStatus->setObjectName(u"pnlFileListStatus"_s);
    pnlFileListStatus->setFixedHeight(27);
    pnlFileListStatus->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    auto* status = new QHBoxLayout(pnlFileListStatus);
    status->setContentsMargins(6, 0, 6, 0);
    m_lblFileListStatus = new QLabel(u"No files in list"_s, pnlFileListStatus);
    m_lblFileListStatus->setObjectName(u"lblFileListStatus"_s);
    m_lblDateTime = new QLabel(u"<date> <time>"_s, pnlFileListStatus);
    m_lblDateTime->setObjectName(u"lblDateTime"_s);
    m_lblDateTime->setTextFormat(Qt::PlainText);
    m_lblDateTime->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    status->addWidget(m_lblFileListStatus);
    status->addStretch();
    status->addWidget(m_lblDateTime);
    sheetLayout->addWidget(pnlFileListStatus);

    connect(m_lvFiles->selectionModel(), &QItemSelectionModel::selectionChanged, this, &FileListPanel::HighlightChanged);
    // A click on a row's check box shows the new counts at once, not at the next timer tick.
    connect(&m_files, &FileListModel::CheckToggled, this, &FileListPanel::UpdateFileListStatus);
}

void FileListPanel::SetMenus(QMenu* pmAddFiles, QMenu* pmRemoveFiles, QMenu* pmSelectedFiles, QMenu* pmList,
                             QMenu* pmFileList)
{
    m_pmAddFiles = pmAddFiles;
    m_pmRemoveFiles = pmRemoveFiles;
    m_pmSelectedFiles = pmSelectedFiles;
    m_pmList = pmList;
    m_pmFileList = pmFileList;
    connect(m_btnAddFiles, &QPushButton::clicked, this, [this] { PopupBelow(m_btnAddFiles, m_pmAddFiles); });
    connect(m_btnRemoveFiles, &QPushButton::clicked, this, [this] { PopupBelow(m_btnRemoveFiles, m_pmRemoveFiles); });
    connect(m_btnSelectFiles, &QPushButton::clicked, this, [this] { PopupBelow(m_btnSelectFiles, m_pmSelectedFiles); });
    connect(m_btnList, &QPushButton::clicked, this, [this] { PopupBelow(m_btnList, m_pmList); });
    connect(m_lvFiles, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { m_pmFileList->popup(m_lvFiles->viewport()->mapToGlobal(pos)); });
}

void FileListPanel::PopupBelow(QPushButton* button, QMenu* menu)
{
    menu->popup(button->mapToGlobal(QPoint(0, button->height())));
}

int FileListPanel::HighlightedRow() const
{
    const QModelIndexList rows = m_lvFiles->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void FileListPanel::UpdateFileListStatus()
{
    m_lblFileListStatus->setText(FileListStatusText(m_files.List().Count(), m_files.List().CheckedCount()));
}

void FileListPanel::SetDateTimeText(const QString& text)
{
    m_lblDateTime->setText(text);
}

void FileListPanel::actAddFilesExecute()
{
    FileDialogRequest request;
    request.multiple = true;
    request.title = u"Add files"_s;
    request.initialFolder = ReadInitialDir(m_desktop.ProgramFileName(), u"AddFiles"_s);
    request.filters = {u"Draft files (*.dft)"_s, u"Part files (*.par)"_s, u"Assembly files (*.asm)"_s,
                       u"Plate Sheet Metal files (*.psm)"_s, u"Weldment files (*.pwd)"_s, u"All files (*)"_s};
    const QStringList chosen = m_desktop.RunFileDialog(this, request);
    if (chosen.isEmpty())
        return;
    const QString folder = QDir::toNativeSeparators(QFileInfo(chosen.first()).absolutePath());
    WriteInitialDir(m_desktop.ProgramFileName(), u"AddFiles"_s, IncludeTrailingPathDelimiter(folder));
    m_files.AppendEntries(EntriesByPathRule(chosen, true));
    SortFileList();
}

void FileListPanel::actRemoveSelectedFilesExecute()
{
    m_files.Change([](FileList& l) { l.RemoveChecked(); });
    SortFileList();
}

void FileListPanel::actCropSelectedFilesExecute()
{
    m_files.Change([](FileList& l) { l.RemoveUnchecked(); });
    SortFileList();
}

void FileListPanel::actRemoveAllFilesExecute()
{
    m_files.Change([](FileList& l) { l.Clear(); });
}

void FileListPanel::actSelectAllFilesExecute()
{
    m_files.ChangeChecks([](FileList& l) { l.CheckAll(true); });
}

void FileListPanel::actSelectNoneFileExecute()
{
    m_files.ChangeChecks([](FileList& l) { l.CheckAll(false); });
}

void FileListPanel::actInvertSelectionExecute()
{
    m_files.ChangeChecks([](FileList& l) { l.InvertChecks(); });
}

void FileListPanel::lvFilesColumnClick(int column)
{
    m_files.SortBy(column);
}

void FileListPanel::SortFileList()
{
    m_files.SortList();
}

void FileListPanel::AddFolder(const QString& mask)
{
    QString folder = ReadInitialDir(m_desktop.ProgramFileName(), u"AddDir"_s);
    if (!m_desktop.BrowseDirectory(u"Browse directory"_s, QString(), folder, this))
        return;
    AddFolderFiles(folder, mask);
}

void FileListPanel::AddFolderFiles(const QString& folder, const QString& mask)
{
    const BusyCursor busy;
    WriteInitialDir(m_desktop.ProgramFileName(), u"AddDir"_s,
                    IncludeTrailingPathDelimiter(QDir::toNativeSeparators(folder)));
    m_files.AppendEntries(FindFolderEntries(folder, mask));
    SortFileList();
}

void FileListPanel::SaveFileList()
{
    FileDialogRequest request;
    request.save = true;
    request.title = u"Save list"_s;
    request.initialFolder = ReadInitialDir(m_desktop.ProgramFileName(), u"SaveList"_s);
    request.filters = {u"Text files (*.txt)"_s};
    const QStringList chosen = m_desktop.RunFileDialog(this, request);
    if (chosen.isEmpty() || chosen.first().isEmpty())
        return;
    const QString fileName = WithDefaultListExtension(QDir::toNativeSeparators(chosen.first()));
    WriteInitialDir(m_desktop.ProgramFileName(), u"SaveList"_s, FolderOf(fileName));
    WriteListFile(fileName, m_files.List().Entries());
}

void FileListPanel::LoadFileList(bool append)
{
    FileDialogRequest request;
    request.multiple = true;
    request.title = append ? u"Append list"_s : u"Open list"_s;
    request.initialFolder = ReadInitialDir(m_desktop.ProgramFileName(), u"OpenList"_s);
    request.filters = {u"txt files (*.txt)"_s};
    const QStringList chosen = m_desktop.RunFileDialog(this, request);
    if (chosen.isEmpty())
        return;
    if (!append)
        m_files.Change([](FileList& l) { l.Clear(); });
    WriteInitialDir(m_desktop.ProgramFileName(), u"OpenList"_s, FolderOf(QDir::toNativeSeparators(chosen.first())));
    {
        const BusyCursor busy;
        // Files before one that cannot be read stay added; the list is then not sorted.
        for (const QString& fileName : chosen)
            m_files.AppendEntries(ReadListFile(fileName));
    }
    SortFileList();
}

void FileListPanel::actRenameFileExecute()
{
    const int row = HighlightedRow();
    if (row < 0)
        return;
    const FileEntry entry = m_files.List().At(row);

    TfrmRenameFile dialog(window());
    dialog.SetOldName(entry.fileName);
    if (dialog.exec() != QDialog::Accepted)
        return;

    // The typed text is the whole new name, extension included.
    const QString name = dialog.NewName();
    QString reason;
    if (!RenameSingleFile(entry.FullPath(), name, &reason)) {
        arMessageBox(u"Error"_s, u"File can't be renamed!\n"_s + reason, {u"Ok"_s}, miError, 0, poMainFormCenter, true, window());
        return;
    }
    // The entry keeps its place, directory and check mark, unless the list changed meanwhile.
    const FileList& list = m_files.List();
    if (row < list.Count() && list.At(row).fileName == entry.fileName && list.At(row).directory == entry.directory)
        m_files.SetFileName(row, name);
}

void FileListPanel::actShowDocumentPropertiesExecute()
{
    const int row = HighlightedRow();
    if (row < 0)
        return;
    TfrmDocCustomProperties::ShowFor(m_files.List().At(row).FullPath(), window());
}
