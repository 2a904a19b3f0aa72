#include "filelist/TarFindFile.h"

#include "common/FsPath.h"
#include "common/PathText.h"
#include "platform/DirList.h"
#include "text/Utf8.h"

#include <QChar>

#include <filesystem>
#include <iterator>
#include <unordered_set>

namespace {

constexpr int kFilterValue[] = {
    kFilterReadOnly, kFilterHidden, kFilterSystem, kFilterVolumeLabel, kFilterDirectory, kFilterArchive, kFilterAnyFile,
};

char32_t UpperOf(char32_t c)
{
    if (c < 0x80)
        return (c >= U'a' && c <= U'z') ? char32_t(c - 32) : c;
    return QChar::toUpper(c);
}

// "*" any run, "?" one character; both texts already upper-cased.
bool GlobMatch(std::u32string_view pat, std::u32string_view name)
{
    size_t p = 0, n = 0;
    size_t starP = std::u32string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pat.size() && pat[p] == U'*') {
            starP = p++;
            starN = n;
        } else if (p < pat.size() && (pat[p] == U'?' || pat[p] == name[n])) {
            ++p;
            ++n;
        } else if (starP != std::u32string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pat.size() && pat[p] == U'*')
        ++p;
    return p == pat.size();
}

bool EndsWithSeparator(const QString& folder)
{
    return !folder.isEmpty() && IsPathSeparator(folder.back(), platform::kNativePathStyle);
}

} // namespace

int TarFindAttributes::Filter() const
{
    int sum = 0;
    for (int k = faReadOnly; k <= faAnyFile; ++k) {
        if (Contains(TarFindAttribute(k)))
            sum += kFilterValue[k];
    }
    return sum;
}

bool ListedUnderFilter(int filter, bool hidden, bool system, bool directory)
{
    if (hidden && !(filter & kFilterHidden))
        return false;
    if (system && !(filter & kFilterSystem))
        return false;
    if (directory && !(filter & kFilterDirectory))
        return false;
    return true;
}

// --- TarFileMask ------------------------------------------------------------------------------

TarFileMask::TarFileMask(const QString& mask)
{
    std::u32string pat;
    for (const char32_t c : mask.toUcs4())
        pat.push_back(UpperOf(c));
    if (pat == U"*.*" || pat == U"*") {
        m_all = true;
        return;
    }
    if (pat.size() >= 2 && pat.ends_with(U".*")) {
        m_optionalExtension = true;
    } else if (!pat.empty() && pat.back() == U'.') {
        m_noDot = true;
    }
    m_pattern = pat;

    if (!m_optionalExtension && !m_noDot && pat.size() >= 2 && pat[0] == U'*') {
        m_asciiSuffix = true;
        for (size_t i = 1; i < pat.size(); ++i) {
            const char32_t c = pat[i];
            if (c >= 0x80 || c == U'*' || c == U'?') {
                m_asciiSuffix = false;
                break;
            }
            m_suffix.push_back(char(c));
        }
        if (!m_asciiSuffix)
            m_suffix.clear();
    }
}

bool TarFileMask::Matches(std::string_view name) const
{
    if (m_all)
        return true;
    if (m_asciiSuffix && name.size() >= m_suffix.size()) {
        // When the tail of the name is plain ASCII, its last characters are exactly these bytes.
        const char* tail = name.data() + (name.size() - m_suffix.size());
        bool ascii = true;
        bool equal = true;
        for (size_t i = 0; i < m_suffix.size(); ++i) {
            const auto b = static_cast<unsigned char>(tail[i]);
            if (b >= 0x80) {
                ascii = false;
                break;
            }
            const char u = (b >= 'a' && b <= 'z') ? char(b - 32) : char(b);
            if (u != m_suffix[i])
                equal = false;
        }
        if (ascii)
            return equal;
    }

    // Names are at most a few hundred characters; longer ones take the heap.
    char32_t stackBuf[512];
    std::u32string heapBuf;
    size_t count = 0;
    const bool onStack = name.size() <= std::size(stackBuf);
    if (onStack)
        text::DecodeUtf8(name, text::Malformed::Escape, [&](char32_t c) { stackBuf[count++] = UpperOf(c); });
    else
        text::DecodeUtf8(name, text::Malformed::Escape, [&](char32_t c) { heapBuf.push_back(UpperOf(c)); });
    const std::u32string_view n = onStack ? std::u32string_view(stackBuf, count) : std::u32string_view(heapBuf);

    if (GlobMatch(m_pattern, n))
        return true;
    // "name.*" also matches the bare "name"; "name." matches "name" when it has no dot at all.
    if (m_optionalExtension)
        return GlobMatch(std::u32string_view(m_pattern).substr(0, m_pattern.size() - 2), n);
    if (m_noDot)
        return n.find(U'.') == std::u32string_view::npos &&
               GlobMatch(std::u32string_view(m_pattern).substr(0, m_pattern.size() - 1), n);
    return false;
}

// --- TarFindFile ------------------------------------------------------------------------------

struct TarFindFile::Walk {
    QStringList& found;
    TarFileMask mask;
    int filter;
    bool recursive;
    std::unordered_set<platform::DirId, platform::DirIdHash> visited;

    // Searches the folder that `listing` has just read; `folder` is its path with a trailing
    // separator and is restored on return.
    void SearchListed(const platform::DirListing& listing, std::string& folder)
    {
        if (!visited.insert(listing.Id()).second)
            return; // reached again through a link or junction
        const size_t base = folder.size();

        for (size_t i = 0; i < listing.Size(); ++i) {
            const auto& e = listing[i];
            if (e.kind != platform::EntryKind::File || !ListedUnderFilter(filter, e.hidden, e.system, false))
                continue;
            const std::string_view name = listing.Name(e);
            if (!mask.Matches(name))
                continue;
            folder.append(name);
            found.append(FromNativeBytes(folder));
            folder.resize(base);
        }
        if (!recursive)
            return;
        platform::DirListing sub;
        for (size_t i = 0; i < listing.Size(); ++i) {
            const auto& e = listing[i];
            if (e.kind != platform::EntryKind::Directory || !ListedUnderFilter(kFilterDirectory, e.hidden, e.system, true))
                continue;
            const std::string_view name = listing.Name(e);
            folder.append(name);
            folder.push_back(platform::NativeSeparatorChar());
            // A subfolder that cannot be listed adds nothing; the search goes on.
            if (sub.ReadSubfolder(listing, name, folder))
                SearchListed(sub, folder);
            folder.resize(base);
        }
    }

    void Run(std::string& folder)
    {
        platform::DirListing listing;
        if (listing.Read(folder))
            SearchListed(listing, folder);
    }
};

TarFindFile::TarFindFile()
{
    std::error_code ec;
    m_directory = FromFsPath(std::filesystem::current_path(ec));
    if (!EndsWithSeparator(m_directory))
        m_directory += NativeSeparator();
}

TarFindFile::~TarFindFile() = default;

void TarFindFile::SetDirectory(const QString& value)
{
    if (value == m_directory || value.isEmpty() || !platform::IsDirectory(ToNativeBytes(value)))
        return;
    m_directory = value;
    if (!EndsWithSeparator(m_directory))
        m_directory += NativeSeparator();
}

const QStringList& TarFindFile::Search()
{
    m_foundFiles.clear();
    SearchDirectory(m_directory);
    return m_foundFiles;
}

void TarFindFile::SearchDirectory(const QString& folder)
{
    Walk walk{m_foundFiles, TarFileMask(m_mask), m_attributes.Filter(), m_recursive, {}};
    std::string path = ToNativeBytes(folder);
    // Names are appended straight to the folder, so it has to end with a separator.
    if (!folder.isEmpty() && !EndsWithSeparator(folder))
        path.push_back(platform::NativeSeparatorChar());
    walk.Run(path);
}
