#pragma once
// The directory: 128-byte entries in a chain of ordinary sectors. Entry 0 is the root storage.
// Siblings form a red-black tree, but real writers colour and order it in many ways, so a name
// is looked up along the tree's order first and, when that fails, by visiting every sibling.
//
// The write half (`DirectoryEditor`) changes entries for one save through `EditedChain`, so that
// the committed directory sectors stay as they are.

#include "compound/Cfb.h"
#include "compound/Fat.h"
#include "compound/Layout.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace cfb {

// Other values (lock bytes, property entries of ancient writers) are kept as they come.
enum class EntryType : std::uint8_t { Unused = 0, Storage = 1, Stream = 2, Root = 5 };
enum class Color : std::uint8_t { Red = 0, Black = 1 };

struct DirectoryEntry {
    static constexpr std::uint32_t kSize = layout::entry::kSize;
    std::u16string name;
    EntryType type = EntryType::Unused;
    Color color = Color::Black;
    std::uint32_t left = kNoStream;
    std::uint32_t right = kNoStream;
    std::uint32_t child = kNoStream;
    std::uint32_t start = 0;
    std::uint64_t size = 0;

    // Reads one entry; in a version 3 file (512-byte sectors) only the low 32 bits of the size
    // count, since old writers left garbage in the high half.
    static DirectoryEntry Parse(const std::uint8_t* bytes, bool version3);
    // Writes the fields above into an existing 128-byte entry, leaving every other byte as is:
    // the name bytes are rewritten only when the name changed, and a version 3 entry gets a
    // clean high half of its size.
    void WriteInto(std::uint8_t* bytes, bool version3) const;
};

// Order of sibling names in the tree: shorter names first, then by upper-cased code units.
int CompareNames(const std::u16string& a, const std::u16string& b);

class Directory {
public:
    explicit Directory(Fat& fat);
    // Entry `index`; throws when the directory has no such entry.
    DirectoryEntry Entry(std::uint32_t index);
    // The child of storage `parent` named `name` (compared without regard to ASCII case).
    std::optional<std::uint32_t> FindChild(std::uint32_t parent, const std::u16string& name);
    // Sectors of the directory chain (reads the whole chain).
    const std::vector<std::uint32_t>& Sectors() { return m_chain.All(); }
    std::uint32_t EntriesPerSector() const { return m_entriesPerSector; }

private:
    Fat& m_fat;
    LazyChain m_chain;
    std::uint32_t m_entriesPerSector;
};

// The directory as one save changes it.
class DirectoryEditor {
public:
    // Reserves the sectors of the committed directory in `table`.
    explicit DirectoryEditor(FatEditor& table);

    // Entry `index` as the save has it so far; throws when the directory has no such entry.
    DirectoryEntry Entry(std::uint32_t index);
    // Writes the fields of `entry` into entry `index` (see DirectoryEntry::WriteInto).
    void Set(std::uint32_t index, const DirectoryEntry& entry);
    // Gives entry `index` the stream that starts at `start` and holds `size` bytes.
    void Resize(std::uint32_t index, std::uint32_t start, std::uint64_t size);
    // A new, empty stream entry `name` under the root, hung into the root's tree as a leaf at
    // the place the tree's order gives it; returns its index. Throws when the root already
    // holds an entry of that name.
    std::uint32_t InsertStream(const std::u16string& name);
    // Links the directory's chain and puts its place into `header`.
    void Finish(Header& header);

private:
    std::uint32_t EntryCount() const;
    const std::uint8_t* Read(std::uint32_t index);
    std::uint8_t* Change(std::uint32_t index);
    std::uint32_t FreeEntry(std::uint32_t count);
    Color HangUnderRoot(std::uint32_t index, const std::u16string& name, std::uint32_t count);

    EditedChain m_chain;
    std::uint32_t m_sectorSize;
    std::uint32_t m_entriesPerSector;
    bool m_version3;
};

} // namespace cfb
