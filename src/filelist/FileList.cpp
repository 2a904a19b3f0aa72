#include "filelist/FileList.h"

#include "common/PathText.h"
#include "common/SharedText.h"

#include <algorithm>
#include <array>

namespace {

// Sort weight of one UTF-16 unit: a-z fold to A-Z, characters with a Windows-1250 code weigh
// that code, all others come after them by their code.
struct WeightTable {
    std::array<int, 65536> weight{};
    WeightTable()
    {
        for (int u = 0; u < 65536; ++u) {
            if (u >= 'a' && u <= 'z')
                weight[size_t(u)] = u - 32;
            else if (const int code = (u >= 0xD800 && u < 0xE000) ? -1 : Cp1250Code(char32_t(u)); code >= 0)
                weight[size_t(u)] = code;
            else
                weight[size_t(u)] = 256 + u;
        }
    }
};

const WeightTable& weights()
{
    static const WeightTable table;
    return table;
}

bool isDriveColonAt(const QString& path, qsizetype i)
{
    return i == 1 && path.at(0).isLetter() && path.at(0).unicode() < 128;
}

} // namespace

QString FileEntry::fullPath() const
{
    return JoinPath(directory, fileName);
}

FileEntry EntryByPathRule(const QString& path, bool checked)
{
    const qsizetype last = LastDelimiter(path);
    FileEntry e;
    e.checked = checked;
    e.fileName = path.mid(last + 1);
    // The directory part including its last delimiter, without its last character.
    e.directory = last < 0 ? QString() : path.left(last);
    return e;
}

FileEntry EntryByDirectoryRule(const QString& path, bool checked)
{
    FileEntry e;
    e.checked = checked;
    qsizetype sep = -1;
    for (qsizetype i = path.size() - 1; i >= 0; --i) {
        if (IsPathSeparator(path.at(i))) {
            sep = i;
            break;
        }
    }
    if (sep < 0) {
        const qsizetype last = LastDelimiter(path);
        e.fileName = path.mid(last + 1);
        e.directory = path.left(last + 1);
        return e;
    }
    e.fileName = path.mid(sep + 1);
    // A separator right after a drive colon, or a leading root separator, stays with the directory.
    const bool keep = sep == 0 || (sep == 2 && path.at(1) == u':' && isDriveColonAt(path, 1));
    e.directory = path.left(keep ? sep + 1 : sep);
    return e;
}

int CompareFileText(const QString& a, const QString& b)
{
    const auto& w = weights().weight;
    const qsizetype n = std::min(a.size(), b.size());
    const char16_t* pa = reinterpret_cast<const char16_t*>(a.constData());
    const char16_t* pb = reinterpret_cast<const char16_t*>(b.constData());
    for (qsizetype i = 0; i < n; ++i) {
        const int d = w[pa[i]] - w[pb[i]];
        if (d != 0)
            return d;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

void FileList::append(const std::vector<FileEntry>& entries)
{
    entries_.insert(entries_.end(), entries.begin(), entries.end());
}

void FileList::removeAt(int i)
{
    entries_.erase(entries_.begin() + i);
}

void FileList::removeChecked()
{
    std::erase_if(entries_, [](const FileEntry& e) { return e.checked; });
}

void FileList::removeUnchecked()
{
    std::erase_if(entries_, [](const FileEntry& e) { return !e.checked; });
}

void FileList::clear()
{
    entries_.clear();
}

void FileList::checkAll(bool checked)
{
    for (FileEntry& e : entries_)
        e.checked = checked;
}

void FileList::invertChecks()
{
    for (FileEntry& e : entries_)
        e.checked = !e.checked;
}

void FileList::sort()
{
    if (sortColumn_ == DirColumn)
        std::stable_sort(entries_.begin(), entries_.end(), [](const FileEntry& x, const FileEntry& y) {
            return CompareFileText(x.directory, y.directory) < 0;
        });
    else
        std::stable_sort(entries_.begin(), entries_.end(), [](const FileEntry& x, const FileEntry& y) {
            return CompareFileText(x.fileName, y.fileName) < 0;
        });
}

int FileList::checkedCount() const
{
    return int(std::count_if(entries_.begin(), entries_.end(), [](const FileEntry& e) { return e.checked; }));
}

void FileList::CollectCheckedFiles(QStringList& paths) const
{
    for (const FileEntry& e : entries_) {
        if (e.checked)
            paths.append(e.fullPath());
    }
}

QString FileListStatusText(int entries, int checked)
{
    return QStringLiteral("%1 (%2)").arg(entries).arg(checked);
}
