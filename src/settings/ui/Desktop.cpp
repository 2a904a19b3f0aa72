#include "settings/ui/Desktop.h"

#include "common/PathText.h"

#include <QDir>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {

// A chosen folder without its trailing separator, except for a root.
QString WithoutTrailingSeparator(QString folder)
{
    const PathStyle style = GuessPathStyle(folder);
    while (folder.size() > 1 && IsPathSeparator(folder.back(), style) && !folder.endsWith(u":\\"_s)
           && !folder.endsWith(u":/"_s))
        folder.chop(1);
    return folder;
}

} // namespace

QStringList Desktop::RunFileDialog(QWidget* owner, const FileDialogRequest& request)
{
    QStringList chosen = ChooseFiles(owner, request);
    for (QString& file : chosen)
        file = QDir::toNativeSeparators(file);
    return chosen;
}

bool Desktop::BrowseDirectory(const QString& title, const QString& root, QString& folder, QWidget* owner)
{
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder.clear();
    QString chosen = folder;
    if (chosen.isEmpty() && !root.isEmpty() && QFileInfo(root).isDir())
        chosen = root;
    if (!ChooseFolder(owner, title, chosen) || chosen.isEmpty() || !QFileInfo(chosen).isDir())
        return false;
    folder = WithoutTrailingSeparator(QDir::toNativeSeparators(chosen));
    return true;
}
