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

char32_t upperOf(char32_t c)
{
    if (c < 0x80)
        return (c >= U'a' && c <= U'z') ? char32_t(c - 32) : c;
    return QChar::toUpper(c);
}

// "*" any run, "?" one character; both texts already upper-cased.
bool globMatch(std::u32string_view pat, std::u32string_view name)
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

bool endsWithSeparator(const QString& folder)
{
    return !folder.isEmpty() && IsPathSeparator(folder.back(), platform::kNativePathStyle);
}

} // namespace

int TarFindAttributes::filter() const
{
    int sum = 0;
    for (int k = faReadOnly; k <= faAnyFile; ++k) {
        if (contains(TarFindAttribute(k)))
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
        pat.push_back(upperOf(c));
    if (pat == U"*.*" || pat == U"*") {
        all_ = true;
        return;
    }
    if (pat.size() >= 2 && pat.ends_with(U".*")) {
        optionalExtension_ = true;
    } else if (!pat.empty() && pat.back() == U'.') {
        noDot_ = true;
    }
    pattern_ = pat;

    if (!optionalExtension_ && !noDot_ && pat.size() >= 2 && pat[0] == U'*') {
        asciiSuffix_ = true;
        for (size_t i = 1; i < pat.size(); ++i) {
            const char32_t c = pat[i];
            if (c >= 0x80 || c == U'*' || c == U'?') {
                asciiSuffix_ = false;
                break;
            }
            suffix_.push_back(char(c));
        }
        if (!asciiSuffix_)
            suffix_.clear();
    }
}

bool TarFileMask::matches(std::string_view name) const
{
    if (all_)
        return true;
    if (asciiSuffix_ && name.size() >= suffix_.size()) {
        // When the tail of the name is plain ASCII, its last characters are exactly these bytes.
        const char* tail = name.data() + (name.size() - suffix_.size());
        bool ascii = true;
        bool equal = true;
        for (size_t i = 0; i < suffix_.size(); ++i) {
            const auto b = static_cast<unsigned char>(tail[i]);
            if (b >= 0x80) {
                ascii = false;
                break;
            }
            const char u = (b >= 'a' && b <= 'z') ? char(b - 32) : char(b);
            if (u != suffix_[i])
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
        text::DecodeUtf8(name, text::Malformed::Escape, [&](char32_t c) { stackBuf[count++] = upperOf(c); });
    else
        text::DecodeUtf8(name, text::Malformed::Escape, [&](char32_t c) { heapBuf.push_back(upperOf(c)); });
    const std::u32string_view n = onStack ? std::u32string_view(stackBuf, count) : std::u32string_view(heapBuf);

    if (globMatch(pattern_, n))
        return true;
    // "name.*" also matches the bare "name"; "name." matches "name" when it has no dot at all.
    if (optionalExtension_)
        return globMatch(std::u32string_view(pattern_).substr(0, pattern_.size() - 2), n);
    if (noDot_)
        return n.find(U'.') == std::u32string_view::npos &&
               globMatch(std::u32string_view(pattern_).substr(0, pattern_.size() - 1), n);
    return false;
}

// --- TarFindFile ------------------------------------------------------------------------------

struct TarFindFile::Walk {
    QStringList& found;
    TarFileMask mask;
    int filter;
    bool recursive;
    std::unordered_set<platform::DirId, platform::DirIdHash> visited;

    // Searches the folder that Listing has just read; Folder is its path with a trailing
    // separator and is restored on return.
    void searchListed(const platform::DirListing& listing, std::string& folder)
    {
        if (!visited.insert(listing.id()).second)
            return; // reached again through a link or junction
        const size_t base = folder.size();

        for (size_t i = 0; i < listing.size(); ++i) {
            const auto& e = listing[i];
            if (e.kind != platform::EntryKind::File || !ListedUnderFilter(filter, e.hidden, e.system, false))
                continue;
            const std::string_view name = listing.name(e);
            if (!mask.matches(name))
                continue;
            folder.append(name);
            found.append(FromNativeBytes(folder));
            folder.resize(base);
        }
        if (!recursive)
            return;
        platform::DirListing sub;
        for (size_t i = 0; i < listing.size(); ++i) {
            const auto& e = listing[i];
            if (e.kind != platform::EntryKind::Directory || !ListedUnderFilter(kFilterDirectory, e.hidden, e.system, true))
                continue;
            const std::string_view name = listing.name(e);
            folder.append(name);
            folder.push_back(platform::NativeSeparatorChar());
            // A subfolder that cannot be listed adds nothing; the search goes on.
            if (sub.readSubfolder(listing, name, folder))
                searchListed(sub, folder);
            folder.resize(base);
        }
    }

    void run(std::string& folder)
    {
        platform::DirListing listing;
        if (listing.read(folder))
            searchListed(listing, folder);
    }
};

TarFindFile::TarFindFile()
{
    std::error_code ec;
    Directory_ = FromFsPath(std::filesystem::current_path(ec));
    if (!endsWithSeparator(Directory_))
        Directory_ += NativeSeparator();
}

TarFindFile::~TarFindFile() = default;

void TarFindFile::setDirectory(const QString& value)
{
    if (value == Directory_ || value.isEmpty() || !platform::IsDirectory(ToNativeBytes(value)))
        return;
    Directory_ = value;
    if (!endsWithSeparator(Directory_))
        Directory_ += NativeSeparator();
}

const QStringList& TarFindFile::Search()
{
    FoundFiles_.clear();
    SearchDirectory(Directory_);
    return FoundFiles_;
}

void TarFindFile::SearchDirectory(const QString& folder)
{
    Walk walk{FoundFiles_, TarFileMask(Mask_), Attributes_.filter(), Recursive_, {}};
    std::string path = ToNativeBytes(folder);
    // Names are appended straight to the folder, so it has to end with a separator.
    if (!folder.isEmpty() && !endsWithSeparator(folder))
        path.push_back(platform::NativeSeparatorChar());
    walk.run(path);
}
