#pragma once
// File list files: the file list stored as text, one entry a line.
//
// Writing: "1" (checked) or "0", ";", the entry's Directory, a separator, its FileName and CR LF,
// the last line included. The separator is written even when Directory already ends with one,
// so a drive-root entry C:\ becomes 1;C:\\a.dft. It is a backslash for Windows-style
// directories (and always on Windows); a native POSIX directory such as /home/u/parts gets a
// slash instead, so the line is a real path here and reads back unchanged.
//
// Reading: lines end at CR LF, a lone CR or a lone LF. Field 1 is the text before the first ";",
// field 2 all the text after it. When field 1 is exactly "1" or "0" it is the check mark and
// field 2 the path, ";" included (so a name holding ";" reads back whole); otherwise the entry
// is checked and the whole line is the path. Entries take FileName and Directory from the path
// by the path rule.
//
// The text encoding is the one of every shared file (common/SharedText.h).

#include "filelist/FileList.h"

#include <QString>
#include <QStringView>

#include <vector>

// The separator written between `directory` and FileName.
QChar ListFileSeparator(const QString& directory);

// One line, without its line end.
QString ListFileLine(const FileEntry& entry);
// The whole text of a list file for `entries`, in their order.
QString ListFileText(const std::vector<FileEntry>& entries);

struct ListFileItem {
    bool checked = true;
    QString path;
};
// The check mark and path of one line (without its line end).
ListFileItem ParseListFileLine(QStringView line);
// The entries of a list file's text.
std::vector<FileEntry> ParseListFileText(const QString& text);

// The name a list is saved under: a name without an extension (no "." after its last
// separator) gets ".txt".
QString WithDefaultListExtension(const QString& fileName);

// Replaces the file's contents with the list (temporary file, then rename). Throws KrdlError
// "Cannot create file "<name>". <reason>" when it cannot.
void WriteListFile(const QString& fileName, const std::vector<FileEntry>& entries);
// Reads a list file. Throws KrdlError "Cannot open file "<name>". <reason>" when it cannot.
std::vector<FileEntry> ReadListFile(const QString& fileName);

// The full paths of the checked entries of a list file, in its order (what a command of the
// program collects after opening that list alone, before it sorts). Throws as ReadListFile.
QStringList ReadCheckedListFilePaths(const QString& fileName);
