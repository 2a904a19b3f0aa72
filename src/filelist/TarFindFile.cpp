#include "filelist/TarFindFile.h"

#include "platform/DirList.h"

#include <QChar>
#include <QDir>

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

// Decodes UTF-8 into code points; every byte that does not start a well-formed sequence stands
// for itself as one character (mapped to a lone surrogate, so it never equals a real letter).
template <class Out> void decodeUtf8(std::string_view s, Out&& out)
{
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const auto* end = p + s.size();
    while (p < end) {
        const unsigned char b = *p;
        if (b < 0x80) {
            out(char32_t(b));
            ++p;
            continue;
        }
        int len = 0;
        char32_t cp = 0;
        char32_t min = 0;
        if ((b & 0xE0) == 0xC0) {
            len = 2, cp = b & 0x1F, min = 0x80;
        } else if ((b & 0xF0) == 0xE0) {
            len = 3, cp = b & 0x0F, min = 0x800;
        } else if ((b & 0xF8) == 0xF0) {
            len = 4, cp = b & 0x07, min = 0x10000;
        }
        bool ok = len > 0 && end - p >= len;
        for (int i = 1; ok && i < len; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                ok = false;
            else
                cp = (cp << 6) | (p[i] & 0x3F);
        }
        if (ok && (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)))
            ok = false;
        if (!ok) {
            out(char32_t(0xDC00 + b));
            ++p;
            continue;
        }
        out(cp);
        p += len;
    }
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
    if (folder.isEmpty())
        return false;
    const QChar last = folder.back();
#ifdef _WIN32
    return last == u'\\' || last == u'/';
#else
    return last == u'/';
#endif
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
        decodeUtf8(name, [&](char32_t c) { stackBuf[count++] = upperOf(c); });
    else
        decodeUtf8(name, [&](char32_t c) { heapBuf.push_back(upperOf(c)); });
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
            found.append(QString::fromUtf8(folder));
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
    Directory_ = QDir::toNativeSeparators(QDir::currentPath());
    if (!endsWithSeparator(Directory_))
        Directory_ += QDir::separator();
}

TarFindFile::~TarFindFile() = default;

void TarFindFile::setDirectory(const QString& value)
{
    if (value == Directory_ || value.isEmpty() || !platform::IsDirectory(value.toStdString()))
        return;
    Directory_ = value;
    if (!endsWithSeparator(Directory_))
        Directory_ += QDir::separator();
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
    std::string path = folder.toStdString();
    // Names are appended straight to the folder, so it has to end with a separator.
    if (!folder.isEmpty() && !endsWithSeparator(folder))
        path.push_back(platform::NativeSeparatorChar());
    walk.run(path);
}
