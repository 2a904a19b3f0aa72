#include "filelist/FindFolderEntries.h"

#include "common/FsPath.h"
#include "filelist/TarFindFile.h"
#include "platform/FileOps.h"

#include <QDir>

std::vector<FileEntry> FindFolderEntries(const QString& folder, const QString& mask)
{
    TarFindFile finder;
    finder.SetAttributes({faAnyFile});
    finder.SetRecursive(true);
    finder.SetDirectory(folder);
    finder.SetMask(mask);
    // The finder keeps its old folder (the process's working folder) when it refuses the one
    // given, so it searches only when it has really taken Folder.
    const bool taken = !folder.isEmpty() && QDir(folder).exists()
        && QDir(finder.Directory()).canonicalPath() == QDir(folder).canonicalPath();
    if (!taken)
        return {};
    return EntriesByDirectoryRule(finder.Search(), true);
}

std::vector<FileEntry> DocumentEntries(const QStringList& paths)
{
    std::vector<FileEntry> entries;
    for (const QString& path : paths) {
        if (NotARegularFileReason(path).isEmpty()) {
            if (IsDocumentFileName(path))
                entries.push_back(EntryByPathRule(path, true));
        } else if (platform::DirectoryExists(ToFsPath(path))) {
            for (FileEntry& e : FindFolderEntries(path, QStringLiteral("*.*"))) {
                if (IsDocumentFileName(e.fileName))
                    entries.push_back(std::move(e));
            }
        }
    }
    return entries;
}
