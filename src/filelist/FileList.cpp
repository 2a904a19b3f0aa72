#include "filelist/FileList.h"

#include "common/PathText.h"
#include "text/Cp1250.h"

#include <algorithm>
#include <array>
#include <string_view>

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
            else if (const int code = (u >= 0xD800 && u < 0xE000) ? -1 : text::UnicodeToCp1250(char32_t(u)); code >= 0)
                weight[size_t(u)] = code;
            else
                weight[size_t(u)] = 256 + u;
        }
    }
};

const WeightTable& Weights()
{
    static const WeightTable table;
    return table;
}

} // namespace

QString FileEntry::FullPath() const
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
    const PathStyle style = GuessPathStyle(path);
    FileEntry e;
    e.checked = checked;
    qsizetype sep = -1;
    for (qsizetype i = path.size() - 1; i >= 0; --i) {
        if (IsPathSeparator(path.at(i), style)) {
            sep = i;
            break;
        }
    }
    if (sep < 0) {
        const qsizetype last = LastDelimiter(path, style);
        e.fileName = path.mid(last + 1);
        e.directory = path.left(last + 1);
        return e;
    }
    e.fileName = path.mid(sep + 1);
    // A separator right after a drive colon, or a leading root separator, stays with the directory.
    const bool keep = sep == 0 || (sep == 2 && LastDelimiter(path.left(2), style) == 1);
    e.directory = path.left(keep ? sep + 1 : sep);
    return e;
}

int CompareFileText(const QString& a, const QString& b)
{
    const auto& w = Weights().weight;
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

namespace {

std::vector<FileEntry> EntriesByRule(FileEntry (*rule)(const QString&, bool), const QStringList& paths, bool checked)
{
    std::vector<FileEntry> out;
    out.reserve(size_t(paths.size()));
    for (const QString& path : paths)
        out.push_back(rule(path, checked));
    return out;
}

} // namespace

std::vector<FileEntry> EntriesByPathRule(const QStringList& paths, bool checked)
{
    return EntriesByRule(EntryByPathRule, paths, checked);
}

std::vector<FileEntry> EntriesByDirectoryRule(const QStringList& paths, bool checked)
{
    return EntriesByRule(EntryByDirectoryRule, paths, checked);
}

void FileList::Append(const std::vector<FileEntry>& entries)
{
    m_entries.insert(m_entries.end(), entries.begin(), entries.end());
}

void FileList::RemoveAt(int i)
{
    m_entries.erase(m_entries.begin() + i);
}

void FileList::RemoveChecked()
{
    std::erase_if(m_entries, [](const FileEntry& e) { return e.checked; });
}

void FileList::RemoveUnchecked()
{
    std::erase_if(m_entries, [](const FileEntry& e) { return !e.checked; });
}

void FileList::Clear()
{
    m_entries.clear();
}

void FileList::CheckAll(bool checked)
{
    for (FileEntry& e : m_entries)
        e.checked = checked;
}

void FileList::InvertChecks()
{
    for (FileEntry& e : m_entries)
        e.checked = !e.checked;
}

std::string FileSortKey(const QString& text)
{
    // Three bytes per character, most significant first, so that a plain byte comparison
    // (memcmp) orders the keys as CompareFileText orders the texts.
    const auto& w = Weights().weight;
    std::string key(size_t(text.size()) * 3, '\0');
    const char16_t* p = reinterpret_cast<const char16_t*>(text.constData());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int v = w[p[i]];
        key[size_t(i) * 3] = char(v >> 16);
        key[size_t(i) * 3 + 1] = char((v >> 8) & 0xFF);
        key[size_t(i) * 3 + 2] = char(v & 0xFF);
    }
    return key;
}

std::vector<int> FileList::Sort()
{
    // Weigh every text once, then sort positions by those keys: far fewer table look-ups than
    // comparing the texts themselves, and the entries move only once.
    const size_t n = m_entries.size();
    std::vector<std::string> keys(n);
    for (size_t i = 0; i < n; ++i)
        keys[i] = FileSortKey(m_sortColumn == DirColumn ? m_entries[i].directory : m_entries[i].fileName);
    std::vector<size_t> order(n);
    for (size_t i = 0; i < n; ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&keys](size_t a, size_t b) { return keys[a] < keys[b]; });
    std::vector<FileEntry> sorted;
    sorted.reserve(n);
    std::vector<int> moved(n);
    for (size_t to = 0; to < n; ++to) {
        moved[order[to]] = int(to);
        sorted.push_back(std::move(m_entries[order[to]]));
    }
    m_entries = std::move(sorted);
    return moved;
}

int FileList::CheckedCount() const
{
    return int(std::count_if(m_entries.begin(), m_entries.end(), [](const FileEntry& e) { return e.checked; }));
}

void FileList::CollectCheckedFiles(QStringList& paths) const
{
    for (const FileEntry& e : m_entries) {
        if (e.checked)
            paths.append(e.FullPath());
    }
}

QString FileListStatusText(int entries, int checked)
{
    return QStringLiteral("%1 (%2)").arg(entries).arg(checked);
}

bool IsDocumentFileName(const QString& path)
{
    const qsizetype dot = path.lastIndexOf(u'.');
    if (dot < 0 || dot <= LastDelimiter(path) || path.size() - dot != 4)
        return false;
    char ext[4] = {};
    for (int i = 0; i < 3; ++i) {
        const char16_t c = path.at(dot + 1 + i).unicode();
        if (c >= 'a' && c <= 'z')
            ext[i] = char(c - 32);
        else if (c >= 'A' && c <= 'Z')
            ext[i] = char(c);
        else
            return false;
    }
    for (const char* known : {"DFT", "PAR", "ASM", "PSM", "PWD"}) {
        if (std::string_view(ext, 3) == known)
            return true;
    }
    return false;
}
