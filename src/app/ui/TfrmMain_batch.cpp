// Copy and rename pages of the main window, and the single "Rename file" command.
#include "app/ui/TfrmMain.h"

#include "batch/BatchText.h"
#include "batch/TarCopyFiles.h"
#include "batch/TarRenameFiles.h"
#include "batch/ui/TarFrmProgressDialog.h"
#include "batch/ui/TarMessageBoxSink.h"
#include "batch/ui/TfrmRenameFile.h"
#include "common/FsPath.h"
#include "common/PathText.h"
#include "filelist/FileList.h"
#include "filelist/ui/FileListModel.h"
#include "platform/FileOps.h"
#include "settings/Settings.h"
#include "settings/ui/BrowseDirectory.h"
#include "widgets/ui/arMessageBox.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QTabWidget>

#include <vector>

void TfrmMain::connectBatchCommands()
{
    connect(pcOperations, &QTabWidget::currentChanged, this, [this](int) {
        if (pcOperations->currentWidget() == tbshCopyFiles)
            runCommand([this] { tbshCopyFilesShow(); });
    });
    const auto bind = [this](QAction* action, void (TfrmMain::*handler)()) {
        connect(action, &QAction::triggered, this, [this, handler] { runCommand([this, handler] { (this->*handler)(); }); });
    };
    bind(actCopyFilesBrowseForFolder, &TfrmMain::actCopyFilesBrowseForFolderExecute);
    bind(actCopyFiles, &TfrmMain::actCopyFilesExecute);
    bind(actRenameFiles, &TfrmMain::actRenameFilesExecute);
    bind(actRenameFile, &TfrmMain::actRenameFileExecute);
}

void TfrmMain::tbshCopyFilesShow()
{
    edCopyFilesDir->setText(ReadInitialDir(QStringLiteral("AddDir")));
}

void TfrmMain::actCopyFilesBrowseForFolderExecute()
{
    QString folder = ReadInitialDir(QStringLiteral("AddDir"));
    if (!BrowseDirectory(QStringLiteral("Browse directory"), QString(), folder, this))
        return;
    folder = IncludeTrailingPathDelimiter(folder);
    edCopyFilesDir->setText(folder);
    WriteInitialDir(QStringLiteral("AddDir"), folder);
}

void TfrmMain::actCopyFilesExecute()
{
    // The log window outlives this command: it deletes itself when the user closes it.
    TarProgressDialogFactory progress(this);
    TarMessageBoxSink messages(this);
    TarCopyFiles copy(progress, messages);
    copy.DestinationDir = edCopyFilesDir->text();
    copy.Overwrite = chkOverwrite->isChecked();
    CollectCheckedFiles(copy.SourceFiles);
    copy.Execute();
}

void TfrmMain::actRenameFilesExecute()
{
    TarProgressDialogFactory progress(this);
    TarRenameFiles rename(progress);
    rename.OldText = edOldText->text();
    rename.NewText = edNewText->text();
    rename.CaseSensitive = chkCaseSensitive->isChecked();
    CollectCheckedFiles(rename.SourceFiles);
    rename.Execute();

    // Entries whose files are gone (the renamed ones, and any deleted meanwhile) leave the
    // list; the new names go to its end, unchecked, unsorted.
    fileList()->change([](FileList& list) {
        for (int i = list.count() - 1; i >= 0; --i) {
            if (!platform::PathExists(ToFsPath(list.at(i).fullPath())))
                list.removeAt(i);
        }
    });
    std::vector<FileEntry> renamed;
    renamed.reserve(size_t(rename.RenamedFiles.size()));
    for (const QString& path : rename.RenamedFiles)
        renamed.push_back(EntryByDirectoryRule(path, false));
    fileList()->appendEntries(renamed);
}

void TfrmMain::actRenameFileExecute()
{
    const int row = highlightedRow();
    if (row < 0)
        return;
    const FileEntry entry = fileList()->list().at(row);

    TfrmRenameFile dialog(this);
    dialog.edOldName->setText(entry.fileName);
    if (dialog.exec() != QDialog::Accepted)
        return;

    // The typed text is the whole new name; anything that would move the file elsewhere (a
    // separator, "..") or name nothing is refused like a rename the system refuses.
    const QString name = dialog.edNewName->text();
    std::error_code ec;
    const bool renamed = IsPlainFileName(name, GuessPathStyle(entry.directory))
        && platform::RenameNoReplace(ToFsPath(entry.fullPath()), ToFsPath(JoinPath(entry.directory, name)), ec);
    if (!renamed) {
        arMessageBox(QStringLiteral("Error"), QStringLiteral("File can't be renamed!"), {QStringLiteral("Ok")},
                     miError, 0, poMainFormCenter, true, this);
        return;
    }
    // The entry keeps its place, directory and check mark.
    const FileList& list = fileList()->list();
    if (row < list.count() && list.at(row).fileName == entry.fileName && list.at(row).directory == entry.directory)
        fileList()->setFileName(row, name);
}
