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

DirEntry DirEntry::Parse(const std::uint8_t* p, bool version3)
{
    DirEntry e;
    std::uint16_t nameBytes = Get16(p + 64);
    std::size_t chars = nameBytes >= 2 && nameBytes <= 64 ? nameBytes / 2 - 1 : 32;
    for (std::size_t i = 0; i < chars; ++i) {
        const char16_t c = static_cast<char16_t>(Get16(p + 2 * i));
        if (c == 0)
            break;
        e.name.push_back(c);
    }
    e.type = p[66];
    e.color = p[67];
    e.left = Get32(p + 68);
    e.right = Get32(p + 72);
    e.child = Get32(p + 76);
    e.start = Get32(p + 116);
    e.size = version3 ? Get32(p + 120) : Get64(p + 120);
    return e;
}

void DirEntry::WriteInto(std::uint8_t* p, bool version3) const
{
    std::fill_n(p, 64, 0);
    const std::size_t chars = std::min<std::size_t>(name.size(), 31);
    for (std::size_t i = 0; i < chars; ++i)
        Put16(p + 2 * i, static_cast<std::uint16_t>(name[i]));
    Put16(p + 64, static_cast<std::uint16_t>(chars ? 2 * (chars + 1) : 0));
    p[66] = type;
    p[67] = color;
    Put32(p + 68, left);
    Put32(p + 72, right);
    Put32(p + 76, child);
    Put32(p + 116, start);
    if (version3)
        Put64(p + 120, static_cast<std::uint32_t>(size));
    else
        Put64(p + 120, size);
}

Directory::Directory(Fat& fat)
    : fat_(fat),
      chain_(fat, fat.Sectors().Head().firstDirSector, fat.Sectors().SectorCount()),
      perSector_(fat.Sectors().SectorSize() / DirEntry::kSize)
{
}

DirEntry Directory::Entry(std::uint32_t index)
{
    const std::uint32_t sector = chain_.At(index / perSector_);
    const auto& bytes = fat_.Sectors().Sector(sector);
    return DirEntry::Parse(bytes.data() + (index % perSector_) * DirEntry::kSize,
                           fat_.Sectors().Head().sectorShift == 9);
}

std::optional<std::uint32_t> Directory::FindChild(std::uint32_t parent, const std::u16string& name)
{
    const DirEntry p = Entry(parent);
    const std::uint64_t limit = static_cast<std::uint64_t>(fat_.Sectors().SectorCount()) * perSector_ + 1;

    // Along the tree's order: cheap, and right for every writer that keeps the order.
    std::uint32_t at = p.child;
    for (std::uint64_t steps = 0; at != kNoStream && steps < limit; ++steps) {
        if (!chain_.Has(at / perSector_))
            break;
        const DirEntry e = Entry(at);
        const int c = CompareNames(name, e.name);
        if (c == 0 && e.type != 0)
            return at;
        at = c < 0 ? e.left : e.right;
    }

    // Every sibling, for trees that are not ordered the way the format says.
    std::vector<std::uint32_t> stack{p.child};
    std::unordered_set<std::uint32_t> seen;
    while (!stack.empty()) {
        const std::uint32_t i = stack.back();
        stack.pop_back();
        if (i == kNoStream || !seen.insert(i).second)
            continue;
        if (seen.size() > limit || !chain_.Has(i / perSector_))
            continue;
        const DirEntry e = Entry(i);
        if (e.type != 0 && CompareNames(name, e.name) == 0)
            return i;
        stack.push_back(e.left);
        stack.push_back(e.right);
    }
    return std::nullopt;
}

} // namespace cfb
