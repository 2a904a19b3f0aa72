#include "filelist/ListFile.h"

#include "common/Error.h"
#include "common/PathText.h"
#include "common/SafeFile.h"
#include "common/SharedText.h"

#include <QDir>

namespace {

const QString kDQ = QStringLiteral("\"");

QString DisplayName(const QString& fileName)
{
    return QDir::toNativeSeparators(fileName);
}

// Field 1 is exactly "1" or "0": the line is "1", "0", or starts with "1;" or "0;".
bool IsFlagLine(QStringView line)
{
    if (line.isEmpty() || (line[0] != u'1' && line[0] != u'0'))
        return false;
    return line.size() == 1 || line[1] == u';';
}

} // namespace

QChar ListFileSeparator(const QString& directory)
{
    // A backslash for Windows-style directories (C:\Work, C:, \\server\share, and every one on
    // Windows), a slash for native POSIX ones (/home/u).
    return GuessPathStyle(directory) == PathStyle::Windows ? u'\\' : u'/';
}

QString ListFileLine(const FileEntry& entry)
{
    QString line;
    line.reserve(entry.directory.size() + entry.fileName.size() + 3);
    line += entry.checked ? u'1' : u'0';
    line += u';';
    line += entry.directory;
    line += ListFileSeparator(entry.directory);
    line += entry.fileName;
    return line;
}

QString ListFileText(const std::vector<FileEntry>& entries)
{
    qsizetype size = 0;
    for (const auto& e : entries)
        size += e.directory.size() + e.fileName.size() + 5;
    QString text;
    text.reserve(size);
    for (const auto& e : entries) {
        text += ListFileLine(e);
        text += QLatin1StringView("\r\n");
    }
    return text;
}

ListFileItem ParseListFileLine(QStringView line)
{
    ListFileItem item;
    if (IsFlagLine(line)) {
        item.checked = line[0] == u'1';
        // All of the rest: a name may hold ";", and the writer puts the whole path here.
        item.path = line.mid(2).toString();
    } else {
        item.checked = true;
        item.path = line.toString();
    }
    return item;
}

std::vector<FileEntry> ParseListFileText(const QString& text)
{
    std::vector<FileEntry> entries;
    // Room for every line at once: a million entries never move.
    const qsizetype lineFeeds = text.count(u'\n');
    entries.reserve(size_t((lineFeeds > 0 ? lineFeeds : text.count(u'\r')) + 1));
    const QChar* const begin = text.constData();
    const QChar* const end = begin + text.size();
    const QChar* p = begin;
    while (p < end) {
        const QChar* q = p;
        while (q < end && *q != u'\r' && *q != u'\n')
            ++q;
        const ListFileItem item = ParseListFileLine(QStringView(p, q));
        entries.push_back(EntryByPathRule(item.path, item.checked));
        // One line end: CR LF, a lone CR or a lone LF. The end of the text after a line end
        // starts no further line.
        if (q < end && *q == u'\r') {
            ++q;
            if (q < end && *q == u'\n')
                ++q;
        } else if (q < end && *q == u'\n')
            ++q;
        p = q;
    }
    return entries;
}

QString WithDefaultListExtension(const QString& fileName)
{
    if (fileName.lastIndexOf(u'.') > LastDelimiter(fileName))
        return fileName;
    return fileName + QStringLiteral(".txt");
}

void WriteListFile(const QString& fileName, const std::vector<FileEntry>& entries)
{
    QString reason;
    if (!ReplaceFileContents(fileName, EncodeSharedText(ListFileText(entries)), &reason))
        throw KrdlError(QStringLiteral("Cannot create file ") + kDQ + DisplayName(fileName) + kDQ + QStringLiteral(". ") + reason);
}

std::vector<FileEntry> ReadListFile(const QString& fileName)
{
    QByteArray bytes;
    QString reason;
    QString text;
    if (!ReadFileContents(fileName, bytes, &reason) || !DecodeSharedText(bytes, text, &reason))
        throw KrdlError(QStringLiteral("Cannot open file ") + kDQ + DisplayName(fileName) + kDQ + QStringLiteral(". ") + reason);
    return ParseListFileText(text);
}

QStringList ReadCheckedListFilePaths(const QString& fileName)
{
    FileList list;
    list.Append(ReadListFile(fileName));
    QStringList paths;
    list.CollectCheckedFiles(paths);
    return paths;
}
