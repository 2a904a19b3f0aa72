#include "compound/Directory.h"

#include "compound/Cfb.h"

#include <algorithm>
#include <unordered_set>
#include <vector>

namespace cfb {

namespace {

char16_t Upper(char16_t c)
{
    if (c >= u'a' && c <= u'z')
        return static_cast<char16_t>(c - 32);
    // Latin-1 letters, as the platform's simple upper-casing does.
    if ((c >= 0xE0 && c <= 0xFE && c != 0xF7))
        return static_cast<char16_t>(c - 32);
    return c;
}

} // namespace

int CompareNames(const std::u16string& a, const std::u16string& b)
{
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const char16_t x = Upper(a[i]);
        const char16_t y = Upper(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return 0;
}

namespace at = layout::entry;

namespace {

std::u16string ParseName(const std::uint8_t* bytes)
{
    // The length field counts bytes with the terminator; writers that get it wrong still end
    // the name with a zero, so the field only bounds the name.
    const std::uint16_t nameBytes = Get16(bytes + at::kNameLength);
    const std::size_t chars = nameBytes >= 2 && nameBytes <= at::kNameCapacity ? nameBytes / 2 - 1 : at::kNameCapacity / 2;
    std::u16string name;
    for (std::size_t i = 0; i < chars; ++i) {
        const char16_t unit = static_cast<char16_t>(Get16(bytes + at::kName + 2 * i));
        if (unit == 0)
            break;
        name.push_back(unit);
    }
    return name;
}

} // namespace

DirectoryEntry DirectoryEntry::Parse(const std::uint8_t* bytes, bool version3)
{
    DirectoryEntry entry;
    entry.name = ParseName(bytes);
    entry.type = static_cast<EntryType>(bytes[at::kType]);
    entry.color = static_cast<Color>(bytes[at::kColor]);
    entry.left = Get32(bytes + at::kLeft);
    entry.right = Get32(bytes + at::kRight);
    entry.child = Get32(bytes + at::kChild);
    entry.start = Get32(bytes + at::kStartSector);
    entry.size = version3 ? Get32(bytes + at::kStreamSize) : Get64(bytes + at::kStreamSize);
    return entry;
}

void DirectoryEntry::WriteInto(std::uint8_t* bytes, bool version3) const
{
    if (ParseName(bytes) != name) {
        std::fill_n(bytes + at::kName, at::kNameCapacity, 0);
        const std::size_t chars = std::min<std::size_t>(name.size(), at::kNameCapacity / 2 - 1);
        for (std::size_t i = 0; i < chars; ++i)
            Put16(bytes + at::kName + 2 * i, static_cast<std::uint16_t>(name[i]));
        Put16(bytes + at::kNameLength, static_cast<std::uint16_t>(chars ? 2 * (chars + 1) : 0));
    }
    bytes[at::kType] = static_cast<std::uint8_t>(type);
    bytes[at::kColor] = static_cast<std::uint8_t>(color);
    Put32(bytes + at::kLeft, left);
    Put32(bytes + at::kRight, right);
    Put32(bytes + at::kChild, child);
    Put32(bytes + at::kStartSector, start);
    Put64(bytes + at::kStreamSize, version3 ? static_cast<std::uint32_t>(size) : size);
}

Directory::Directory(Fat& fat)
    : m_fat(fat),
      m_chain(fat, fat.Sectors().Head().firstDirectorySector, fat.Sectors().SectorCount()),
      m_entriesPerSector(fat.Sectors().SectorSize() / DirectoryEntry::kSize)
{
}

DirectoryEntry Directory::Entry(std::uint32_t index)
{
    const std::uint32_t sector = m_chain.At(index / m_entriesPerSector);
    return DirectoryEntry::Parse(m_fat.Sectors().Sector(sector) + (index % m_entriesPerSector) * DirectoryEntry::kSize,
                                 m_fat.Sectors().Head().sectorShift == 9);
}

std::optional<std::uint32_t> Directory::FindChild(std::uint32_t parent, const std::u16string& name)
{
    const DirectoryEntry parentEntry = Entry(parent);
    // Every walk visits an entry at most once, so it ends within the directory's own size
    // whatever links a damaged tree has, and however large the file around it is.
    std::unordered_set<std::uint32_t> seen;

    // Along the tree's order: cheap, and right for every writer that keeps the order.
    for (std::uint32_t at = parentEntry.child; at != kNoStream && seen.insert(at).second;) {
        if (!m_chain.Has(at / m_entriesPerSector))
            break;
        const DirectoryEntry entry = Entry(at);
        const int order = CompareNames(name, entry.name);
        if (order == 0 && entry.type != EntryType::Unused)
            return at;
        at = order < 0 ? entry.left : entry.right;
    }

    // Every sibling, for trees that are not ordered the way the format says.
    std::vector<std::uint32_t> stack{parentEntry.child};
    seen.clear();
    while (!stack.empty()) {
        const std::uint32_t index = stack.back();
        stack.pop_back();
        if (index == kNoStream || !seen.insert(index).second || !m_chain.Has(index / m_entriesPerSector))
            continue;
        const DirectoryEntry entry = Entry(index);
        if (entry.type != EntryType::Unused && CompareNames(name, entry.name) == 0)
            return index;
        stack.push_back(entry.left);
        stack.push_back(entry.right);
    }
    return std::nullopt;
}

DirectoryEditor::DirectoryEditor(FatEditor& table)
    : m_chain(table, table.Committed().Chain(table.Committed().Sectors().Head().firstDirectorySector,
                                             table.Committed().Sectors().SectorCount())),
      m_sectorSize(table.SectorSize()),
      m_entriesPerSector(m_sectorSize / DirectoryEntry::kSize),
      m_version3(table.Committed().Sectors().Head().sectorShift == 9)
{
}

std::uint32_t DirectoryEditor::EntryCount() const
{
    return static_cast<std::uint32_t>(m_chain.Size()) * m_entriesPerSector;
}

const std::uint8_t* DirectoryEditor::Read(std::uint32_t index)
{
    if (index / m_entriesPerSector >= m_chain.Size())
        throw Error("directory link out of range");
    return m_chain.Read(index / m_entriesPerSector) + (index % m_entriesPerSector) * DirectoryEntry::kSize;
}

std::uint8_t* DirectoryEditor::Change(std::uint32_t index)
{
    if (index / m_entriesPerSector >= m_chain.Size())
        throw Error("directory link out of range");
    return m_chain.Change(index / m_entriesPerSector) + (index % m_entriesPerSector) * DirectoryEntry::kSize;
}

DirectoryEntry DirectoryEditor::Entry(std::uint32_t index)
{
    return DirectoryEntry::Parse(Read(index), m_version3);
}

void DirectoryEditor::Set(std::uint32_t index, const DirectoryEntry& entry)
{
    entry.WriteInto(Change(index), m_version3);
}

void DirectoryEditor::Resize(std::uint32_t index, std::uint32_t start, std::uint64_t size)
{
    DirectoryEntry entry = Entry(index);
    entry.start = start;
    entry.size = size;
    Set(index, entry);
}

std::uint32_t DirectoryEditor::InsertStream(const std::u16string& name)
{
    const std::uint32_t count = EntryCount();
    const std::uint32_t index = FreeEntry(count);
    const Color parentColor = HangUnderRoot(index, name, count);
    DirectoryEntry entry;
    entry.name = name;
    entry.type = EntryType::Stream;
    // A red leaf under a black parent keeps the tree's black height; under a red parent (a tree
    // some writer coloured its own way) a black leaf avoids two reds in a row.
    entry.color = parentColor == Color::Black ? Color::Red : Color::Black;
    entry.start = kEndOfChain;
    entry.size = 0;
    std::uint8_t* bytes = Change(index);
    std::fill_n(bytes, DirectoryEntry::kSize, 0);
    entry.WriteInto(bytes, m_version3);
    return index;
}

// The first of the `count` entries that is unused and that no link points at (some writers
// leave links to entries they emptied), or the first entry of a sector added for it.
std::uint32_t DirectoryEditor::FreeEntry(std::uint32_t count)
{
    std::unordered_set<std::uint32_t> linked;
    std::vector<std::uint32_t> unused;
    for (std::uint32_t i = 0; i < count; ++i) {
        const DirectoryEntry entry = Entry(i);
        if (entry.type == EntryType::Unused) {
            if (i != 0)
                unused.push_back(i);
            continue;
        }
        linked.insert({entry.left, entry.right, entry.child});
    }
    for (std::uint32_t i : unused)
        if (!linked.count(i))
            return i;
    std::vector<std::uint8_t> sector(m_sectorSize, 0);
    for (std::uint32_t i = 0; i < m_entriesPerSector; ++i)
        DirectoryEntry{}.WriteInto(sector.data() + i * DirectoryEntry::kSize, m_version3);
    m_chain.Append(std::move(sector));
    return count;
}

// Links entry `index` into the root's tree where `name` belongs in the tree's order and
// returns the colour of its new parent (black for the root itself). A walk longer than the
// `count` entries the directory had means a loop.
Color DirectoryEditor::HangUnderRoot(std::uint32_t index, const std::u16string& name, std::uint32_t count)
{
    std::uint32_t parent = kNoStream;
    bool toLeft = false;
    std::uint32_t at = Entry(0).child;
    for (std::uint32_t steps = 0; at != kNoStream; ++steps) {
        if (steps > count)
            throw Error("loop in the directory tree");
        const DirectoryEntry entry = Entry(at);
        const int order = CompareNames(name, entry.name);
        if (order == 0)
            throw Error("the directory already holds an entry of that name");
        parent = at;
        toLeft = order < 0;
        at = toLeft ? entry.left : entry.right;
    }
    if (parent == kNoStream) {
        DirectoryEntry root = Entry(0);
        root.child = index;
        Set(0, root);
        return Color::Black;
    }
    DirectoryEntry above = Entry(parent);
    (toLeft ? above.left : above.right) = index;
    Set(parent, above);
    return above.color;
}

void DirectoryEditor::Finish(Header& header)
{
    m_chain.Link();
    header.firstDirectorySector = m_chain.Sectors().front();
    // Version 3 files may leave the count at zero; a count that is there must stay true.
    if (!m_version3 || header.directorySectorCount != 0)
        header.directorySectorCount = static_cast<std::uint32_t>(m_chain.Size());
}

} // namespace cfb
