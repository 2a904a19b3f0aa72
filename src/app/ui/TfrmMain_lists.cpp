// Folder search commands and list file commands of the main window.
#include "app/ui/TfrmMain.h"

#include "common/PathText.h"
#include "filelist/ListFile.h"
#include "filelist/TarFindFile.h"
#include "filelist/ui/FileDialogs.h"
#include "filelist/ui/FileListModel.h"
#include "settings/Settings.h"
#include "settings/ui/BrowseDirectory.h"

#include <QAction>
#include <QApplication>
#include <QDir>

namespace {

// Shows the hourglass for as long as it lives, also when an error leaves the command.
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

// The folder part of a chosen file name, with its trailing separator.
QString FolderOf(const QString& fileName)
{
    return fileName.left(LastDelimiter(fileName) + 1);
}

// A name without "." after its last separator gets ".txt".
QString WithDefaultListExtension(const QString& fileName)
{
    if (fileName.lastIndexOf(u'.') > LastDelimiter(fileName))
        return fileName;
    return fileName + QStringLiteral(".txt");
}

} // namespace

void TfrmMain::connectListCommands()
{
    const auto bindFolder = [this](QAction* action, const QString& mask) {
        connect(action, &QAction::triggered, this, [this, mask] {
            runCommand([this, mask] {
                QString folder = ReadInitialDir(QStringLiteral("AddDir"));
                if (!BrowseDirectory(QStringLiteral("Browse directory"), QString(), folder, this))
                    return;
                AddFolderFiles(folder, mask);
            });
        });
    };
    bindFolder(actAddDraftFiles, QStringLiteral("*.dft"));
    bindFolder(actAddPartFiles, QStringLiteral("*.par"));
    bindFolder(actAddAssemblyFiles, QStringLiteral("*.asm"));
    bindFolder(actAddPartSheetMetalFiles, QStringLiteral("*.psm"));
    bindFolder(actAddWeldmentFiles, QStringLiteral("*.pwd"));
    bindFolder(actAddAllFiles, QStringLiteral("*.*"));

    connect(actSaveList, &QAction::triggered, this, [this] { runCommand([this] { SaveFileList(); }); });
    connect(actOpenList, &QAction::triggered, this, [this] { runCommand([this] { LoadFileList(false); }); });
    connect(actAppendList, &QAction::triggered, this, [this] { runCommand([this] { LoadFileList(true); }); });
}

void TfrmMain::AddFolderFiles(const QString& folder, const QString& mask)
{
    const BusyCursor busy;
    TarFindFile finder;
    finder.setAttributes({faAnyFile});
    finder.setRecursive(true);
    finder.setDirectory(folder);
    finder.setMask(mask);
    const QString start = IncludeTrailingPathDelimiter(QDir::toNativeSeparators(folder));
    WriteInitialDir(QStringLiteral("AddDir"), start);

    // A folder that is gone by now finds nothing; the finder would otherwise search the
    // process's working folder in its place.
    const bool taken = !folder.isEmpty() && QDir(folder).exists() &&
                       QDir(finder.Directory()).canonicalPath() == QDir(folder).canonicalPath();
    if (taken) {
        const QStringList& found = finder.Search();
        std::vector<FileEntry> entries;
        entries.reserve(size_t(found.size()));
        for (const QString& path : found)
            entries.push_back(EntryByDirectoryRule(path, true));
        fileList()->appendEntries(entries);
    }
    SortFileList();
}

void TfrmMain::SaveFileList()
{
    FileDialogRequest request;
    request.save = true;
    request.title = QStringLiteral("Save list");
    request.initialFolder = ReadInitialDir(QStringLiteral("SaveList"));
    request.filters = {QStringLiteral("Text files (*.txt)")};
    const QStringList chosen = RunFileDialog(this, request);
    if (chosen.isEmpty() || chosen.first().isEmpty())
        return;
    const QString fileName = WithDefaultListExtension(QDir::toNativeSeparators(chosen.first()));
    WriteInitialDir(QStringLiteral("SaveList"), FolderOf(fileName));
    WriteListFile(fileName, fileList()->list().entries());
}

void TfrmMain::LoadFileList(bool append)
{
    FileDialogRequest request;
    request.multiple = true;
    request.title = append ? QStringLiteral("Append list") : QStringLiteral("Open list");
    request.initialFolder = ReadInitialDir(QStringLiteral("OpenList"));
    request.filters = {QStringLiteral("txt files (*.txt)")};
    const QStringList chosen = RunFileDialog(this, request);
    if (chosen.isEmpty())
        return;
    if (!append)
        fileList()->change([](FileList& l) { l.clear(); });
    WriteInitialDir(QStringLiteral("OpenList"), FolderOf(QDir::toNativeSeparators(chosen.first())));
    {
        const BusyCursor busy;
        // Files before one that cannot be read stay added; the list is then not sorted.
        for (const QString& fileName : chosen)
            fileList()->appendEntries(ReadListFile(fileName));
    }
    SortFileList();
}
