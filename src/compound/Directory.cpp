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

std::u16string ParseName(const std::uint8_t* p)
{
    // The length field counts bytes with the terminator; writers that get it wrong still end
    // the name with a zero, so the field only bounds the name.
    const std::uint16_t nameBytes = Get16(p + at::kNameLength);
    const std::size_t chars = nameBytes >= 2 && nameBytes <= at::kNameCapacity ? nameBytes / 2 - 1 : at::kNameCapacity / 2;
    std::u16string name;
    for (std::size_t i = 0; i < chars; ++i) {
        const char16_t c = static_cast<char16_t>(Get16(p + at::kName + 2 * i));
        if (c == 0)
            break;
        name.push_back(c);
    }
    return name;
}

} // namespace

DirectoryEntry DirectoryEntry::Parse(const std::uint8_t* p, bool version3)
{
    DirectoryEntry e;
    e.name = ParseName(p);
    e.type = static_cast<EntryType>(p[at::kType]);
    e.color = static_cast<Color>(p[at::kColor]);
    e.left = Get32(p + at::kLeft);
    e.right = Get32(p + at::kRight);
    e.child = Get32(p + at::kChild);
    e.start = Get32(p + at::kStartSector);
    e.size = version3 ? Get32(p + at::kStreamSize) : Get64(p + at::kStreamSize);
    return e;
}

void DirectoryEntry::WriteInto(std::uint8_t* p, bool version3) const
{
    if (ParseName(p) != name) {
        std::fill_n(p + at::kName, at::kNameCapacity, 0);
        const std::size_t chars = std::min<std::size_t>(name.size(), at::kNameCapacity / 2 - 1);
        for (std::size_t i = 0; i < chars; ++i)
            Put16(p + at::kName + 2 * i, static_cast<std::uint16_t>(name[i]));
        Put16(p + at::kNameLength, static_cast<std::uint16_t>(chars ? 2 * (chars + 1) : 0));
    }
    p[at::kType] = static_cast<std::uint8_t>(type);
    p[at::kColor] = static_cast<std::uint8_t>(color);
    Put32(p + at::kLeft, left);
    Put32(p + at::kRight, right);
    Put32(p + at::kChild, child);
    Put32(p + at::kStartSector, start);
    Put64(p + at::kStreamSize, version3 ? static_cast<std::uint32_t>(size) : size);
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
    const DirectoryEntry p = Entry(parent);
    // Every walk visits an entry at most once, so it ends within the directory's own size
    // whatever links a damaged tree has, and however large the file around it is.
    std::unordered_set<std::uint32_t> seen;

    // Along the tree's order: cheap, and right for every writer that keeps the order.
    for (std::uint32_t at = p.child; at != kNoStream && seen.insert(at).second;) {
        if (!m_chain.Has(at / m_entriesPerSector))
            break;
        const DirectoryEntry e = Entry(at);
        const int c = CompareNames(name, e.name);
        if (c == 0 && e.type != EntryType::Unused)
            return at;
        at = c < 0 ? e.left : e.right;
    }

    // Every sibling, for trees that are not ordered the way the format says.
    std::vector<std::uint32_t> stack{p.child};
    seen.clear();
    while (!stack.empty()) {
        const std::uint32_t i = stack.back();
        stack.pop_back();
        if (i == kNoStream || !seen.insert(i).second || !m_chain.Has(i / m_entriesPerSector))
            continue;
        const DirectoryEntry e = Entry(i);
        if (e.type != EntryType::Unused && CompareNames(name, e.name) == 0)
            return i;
        stack.push_back(e.left);
        stack.push_back(e.right);
    }
    return std::nullopt;
}

} // namespace cfb
