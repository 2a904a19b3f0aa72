#pragma once
// One read of a folder: the names of its entries with their kind and attributes, as the
// platform's listing reports them, plus an identity of the folder itself so that a walk over a
// tree can tell when a link or junction leads it back to a folder it has already seen.
// UTF-8 names and paths, no Qt.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

enum class EntryKind : std::uint8_t {
    File,      // a regular file (or a link to one)
    Directory, // a folder (or a link or junction to one)
    Other,     // anything else: devices, pipes, sockets, dangling links
};

// Identity of a folder: device and inode on POSIX, volume serial number and file index on
// Windows. Two paths that reach the same folder have the same identity.
struct DirId {
    std::uint64_t device = 0;
    std::uint64_t node = 0;
    friend bool operator==(const DirId&, const DirId&) = default;
};

struct DirIdHash {
    std::size_t operator()(const DirId& id) const noexcept
    {
        return std::size_t(id.node * 0x9E3779B97F4A7C15ull ^ id.device);
    }
};

// The entries of one folder, without "." and "..", in the order the platform lists them.
// The names share one buffer, so a listing of many entries costs a few allocations only.
class DirListing {
public:
    struct Entry {
        std::uint32_t offset = 0; // into the name buffer
        std::uint32_t length = 0;
        EntryKind kind = EntryKind::Other;
        bool hidden = false; // POSIX: the name starts with "."; Windows: the hidden attribute
        bool system = false; // Windows: the system attribute; never set on POSIX
    };

    DirListing() = default;
    ~DirListing() { Release(); }
    DirListing(const DirListing&) = delete;
    DirListing& operator=(const DirListing&) = delete;

    // Reads the folder named by `folder` (UTF-8; a trailing separator is allowed). Returns false,
    // with an empty listing, when the folder cannot be opened or read. The kind of an entry
    // comes from the listing itself; only entries whose kind the listing leaves open (links,
    // and file systems that report no type) cost one status call each.
    bool Read(const std::string& folder);
    // Reads the subfolder `name` of the folder `parent` listed last; `fullPath` names the same
    // subfolder and is used where the platform cannot open it relative to its parent.
    bool ReadSubfolder(const DirListing& parent, std::string_view name, const std::string& fullPath);

    // Identity of the folder that the last successful read listed.
    const DirId& Id() const { return m_id; }

    std::size_t Size() const { return m_entries.size(); }
    bool Empty() const { return m_entries.empty(); }
    const Entry& operator[](std::size_t i) const { return m_entries[i]; }
    std::string_view Name(const Entry& e) const { return std::string_view(m_names.data() + e.offset, e.length); }
    std::string_view Name(std::size_t i) const { return Name(m_entries[i]); }

    // Empties the listing and lets go of the folder.
    void Clear()
    {
        Release();
        m_entries.clear();
        m_names.clear();
        m_id = {};
    }

private:
    void Add(std::string_view name, EntryKind kind, bool hidden, bool system);
    bool ReadOpened(int fd);
    void Release();

    std::vector<Entry> m_entries;
    std::string m_names; // every name followed by a NUL
    DirId m_id;
    int m_fd = -1; // POSIX: the listed folder stays open so that subfolders open relative to it
};

// True when `path` (UTF-8) names an existing folder, following links.
bool IsDirectory(const std::string& path);

// The native separator of this platform.
constexpr char NativeSeparatorChar()
{
#ifdef _WIN32
    return '\\';
#else
    return '/';
#endif
}

} // namespace platform
