#pragma once
// Folder adding: the files below a folder whose names match a mask, as file list entries.

#include "filelist/FileList.h"

#include <QString>
#include <QStringList>

#include <vector>

// Every file below `folder` (all levels, hidden ones and hidden subfolders left out) whose name
// matches `mask`, in the order TarFindFile finds them, as checked entries by the directory rule.
// A folder that does not exist (any more) gives no entries.
std::vector<FileEntry> FindFolderEntries(const QString& folder, const QString& mask);

// The documents among `paths` (files and folders named on the command line or handed over by a
// later start), as checked entries: a file of the five document types by the path rule; for a
// folder, every document below it as "Add folder" finds them, by the directory rule. Anything
// else (another type, a missing name, a FIFO or device named like a document) is left out.
std::vector<FileEntry> DocumentEntries(const QStringList& paths);
