#include "settings/ui/SystemDesktop.h"

#include "settings/Settings.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>

QString SystemDesktop::ProgramFileName() const
{
    return ::ProgramFileName();
}

QStringList SystemDesktop::ChooseFiles(QWidget* owner, const FileDialogRequest& request)
{
    QFileDialog dialog(owner, request.title);
    dialog.setNameFilters(request.filters);
    if (request.save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        // Saving a list replaces an existing file without asking.
        dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(request.multiple ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
        dialog.setOption(QFileDialog::ReadOnly, true);
    }
    if (!request.initialFolder.isEmpty() && QFileInfo(request.initialFolder).isDir())
        dialog.setDirectory(request.initialFolder);
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles() : QStringList();
}

bool SystemDesktop::ChooseFolder(QWidget* owner, const QString& title, QString& folder)
{
    QFileDialog dialog(owner ? owner : QApplication::activeWindow(), title);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setWindowModality(Qt::ApplicationModal);
    if (!folder.isEmpty())
        dialog.setDirectory(folder);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    folder = dialog.selectedFiles().first();
    return true;
}
