#pragma once
// The file list: entries in display order, their path rules, the sort order and the
// collection of the checked paths that every operation works on.

#include <QString>
#include <QStringList>

#include <string>
#include <vector>

struct FileEntry {
    bool checked = true;
    QString fileName;  // name with extension, column "File name"
    QString directory; // column "Dir", as a rule without a trailing separator

    // Directory, a separator unless Directory ends with one, FileName.
    QString FullPath() const;
};

// Entry by the path rule (open dialog, drag and drop, list files): the directory is everything
// before the last separator or drive colon, so C:\a.dft gives the directory C: alone.
FileEntry EntryByPathRule(const QString& path, bool checked);
// Entry by the directory rule (folder search, renamed files): everything before the last
// separator, but a separator right after a drive colon or at the very start stays, so C:\a.dft
// gives C:\ and /a.dft gives /.
FileEntry EntryByDirectoryRule(const QString& path, bool checked);
// One entry per path, in the order given, by the rule named.
std::vector<FileEntry> EntriesByPathRule(const QStringList& paths, bool checked);
std::vector<FileEntry> EntriesByDirectoryRule(const QStringList& paths, bool checked);

// The sort compare: only a-z fold to A-Z; every other character compares by its Windows-1250
// code where it has one, after all of those by its code point; a prefix sorts first.
// Negative, zero or positive.
int CompareFileText(const QString& a, const QString& b);
// The text as its sequence of sort weights: two keys compare as CompareFileText compares the texts.
std::string FileSortKey(const QString& text);

class FileList {
public:
    enum Column { FileNameColumn = 0, DirColumn = 1 };

    const std::vector<FileEntry>& Entries() const { return m_entries; }
    int Count() const { return int(m_entries.size()); }
    const FileEntry& At(int i) const { return m_entries[size_t(i)]; }
    FileEntry& At(int i) { return m_entries[size_t(i)]; }

    void Append(FileEntry entry) { m_entries.push_back(std::move(entry)); }
    void Append(const std::vector<FileEntry>& entries);
    void RemoveAt(int i);
    void RemoveChecked();   // "Remove selected "
    void RemoveUnchecked(); // "Crop selected"
    void Clear();

    void CheckAll(bool checked);
    void InvertChecks();

    int SortColumn() const { return m_sortColumn; }
    void SetSortColumn(int column) { m_sortColumn = column == DirColumn ? DirColumn : FileNameColumn; }
    // Ascending by the sort column; entries that compare equal keep their order. Returns where
    // each entry went: element i is the new position of the entry that stood at position i.
    std::vector<int> Sort();

    int CheckedCount() const;
    // Appends the full path of every checked entry, in display order; clears nothing first.
    void CollectCheckedFiles(QStringList& paths) const;

private:
    std::vector<FileEntry> m_entries;
    int m_sortColumn = FileNameColumn;
};

// "12 (7)": entries, a blank, and the checked entries in brackets.
QString FileListStatusText(int entries, int checked);

// True when the name's extension (from the last "." after the last separator or drive colon)
// is one of the five document types .dft .par .asm .psm .pwd in any letter case. Only the
// letters a to z fold, so no other character can pass for one of them.
bool IsDocumentFileName(const QString& path);
