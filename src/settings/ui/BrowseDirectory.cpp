#include "settings/ui/BrowseDirectory.h"

#include "common/PathText.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace {

BrowseDirectoryHook& hook()
{
    static BrowseDirectoryHook h;
    return h;
}

// A chosen folder without its trailing separator, except for a root.
QString withoutTrailingSeparator(QString folder)
{
    const PathStyle style = GuessPathStyle(folder);
    while (folder.size() > 1 && IsPathSeparator(folder.back(), style) && !folder.endsWith(QStringLiteral(":\\"))
           && !folder.endsWith(QStringLiteral(":/")))
        folder.chop(1);
    return folder;
}

} // namespace

void SetBrowseDirectoryHookForTesting(BrowseDirectoryHook h)
{
    hook() = std::move(h);
}

bool BrowseDirectory(const QString& title, const QString& root, QString& folder, QWidget* owner)
{
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder.clear();
    if (hook()) {
        QString chosen = folder;
        if (!hook()(title, chosen) || chosen.isEmpty() || !QFileInfo(chosen).isDir())
            return false;
        folder = withoutTrailingSeparator(QDir::toNativeSeparators(chosen));
        return true;
    }
    QFileDialog dialog(owner ? owner : QApplication::activeWindow(), title);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setWindowModality(Qt::ApplicationModal);
    if (!folder.isEmpty())
        dialog.setDirectory(folder);
    else if (!root.isEmpty() && QFileInfo(root).isDir())
        dialog.setDirectory(root);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || !QFileInfo(chosen.first()).isDir())
        return false;
    folder = withoutTrailingSeparator(QDir::toNativeSeparators(chosen.first()));
    return true;
}
