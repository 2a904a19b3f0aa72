#pragma once
// Folder adding: the files below a folder whose names match a mask, as file list entries.

#include "filelist/FileList.h"

#include <QString>

#include <vector>

// Every file below Folder (all levels, hidden ones and hidden subfolders left out) whose name
// matches Mask, in the order TarFindFile finds them, as checked entries by the directory rule.
// A folder that does not exist (any more) gives no entries.
std::vector<FileEntry> FindFolderEntries(const QString& folder, const QString& mask);
