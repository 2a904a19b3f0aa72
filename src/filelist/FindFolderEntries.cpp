#include "filelist/FindFolderEntries.h"

#include "filelist/TarFindFile.h"

#include <QDir>

std::vector<FileEntry> FindFolderEntries(const QString& folder, const QString& mask)
{
    TarFindFile finder;
    finder.setAttributes({faAnyFile});
    finder.setRecursive(true);
    finder.setDirectory(folder);
    finder.setMask(mask);
    // The finder keeps its old folder (the process's working folder) when it refuses the one
    // given, so it searches only when it has really taken Folder.
    const bool taken = !folder.isEmpty() && QDir(folder).exists()
        && QDir(finder.Directory()).canonicalPath() == QDir(folder).canonicalPath();
    if (!taken)
        return {};
    return EntriesByDirectoryRule(finder.Search(), true);
}
