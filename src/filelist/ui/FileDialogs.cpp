#include "filelist/ui/FileDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace {

FileDialogHook& hook()
{
    static FileDialogHook h;
    return h;
}

} // namespace

void SetFileDialogHookForTesting(FileDialogHook h)
{
    hook() = std::move(h);
}

QStringList RunFileDialog(QWidget* owner, const FileDialogRequest& request)
{
    QStringList chosen;
    if (hook()) {
        chosen = hook()(request);
    } else {
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
        if (dialog.exec() == QDialog::Accepted)
            chosen = dialog.selectedFiles();
    }
    for (QString& f : chosen)
        f = QDir::toNativeSeparators(f);
    return chosen;
}
