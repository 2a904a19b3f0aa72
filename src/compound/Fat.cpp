#include "compound/Fat.h"

#include "compound/Cfb.h"
#include "compound/Layout.h"

#include <algorithm>
#include <unordered_set>

namespace cfb {

Fat::Fat(SectorReader& sectors) : m_sectors(sectors), m_entriesPerSector(sectors.SectorSize() / 4)
{
    const Header& header = sectors.Head();
    // Every FAT sector is a sector of the file, so a larger count is impossible.
    if (header.fatSectorCount > static_cast<std::uint64_t>(sectors.SectorCount()) + 1)
        throw Error("the header claims more FAT sectors than the file holds");
    m_capacity = static_cast<std::uint64_t>(header.fatSectorCount) * m_entriesPerSector;
}

void Fat::WalkDifatTo(std::size_t count)
{
    const Header& header = m_sectors.Head();
    while (m_difatChain.size() < count && !m_difatEnded) {
        const std::uint32_t next = m_difatChain.empty()
            ? header.firstDifatSector
            : Get32(m_sectors.Sector(m_difatChain.back()) + layout::DifatNextLink(m_sectors.SectorSize()));
        if (next < m_sectors.SectorCount() && !m_sectors.Kept(next)) {
            // Writers put the DIFAT sectors one after another: read the rest of the way at once.
            std::vector<std::uint32_t> run;
            for (std::size_t k = m_difatChain.size(); k < count && next + (k - m_difatChain.size()) < m_sectors.SectorCount(); ++k)
                run.push_back(static_cast<std::uint32_t>(next + (k - m_difatChain.size())));
            m_sectors.Prefetch(run, false);
        }
        if (next == kEndOfChain || next == kFreeSect) {
            m_difatEnded = true;
            break;
        }
        if (next > kMaxRegSect || next >= m_sectors.SectorCount())
            throw Error("broken DIFAT chain");
        if (m_difatChain.size() >= m_sectors.SectorCount()
            || std::find(m_difatChain.begin(), m_difatChain.end(), next) != m_difatChain.end())
            throw Error("loop in the DIFAT chain");
        m_difatChain.push_back(next);
    }
}

std::uint32_t Fat::FatSectorLocation(std::uint32_t index)
{
    const Header& header = m_sectors.Head();
    if (index >= header.fatSectorCount)
        throw Error("FAT sector index out of range");
    std::uint32_t location;
    if (index < Header::kHeaderDifat) {
        location = header.difat[index];
    } else {
        const std::uint32_t difatEntriesPerSector = layout::DifatEntriesPerSector(m_sectors.SectorSize());
        const std::size_t k = (index - Header::kHeaderDifat) / difatEntriesPerSector;
        const std::size_t j = (index - Header::kHeaderDifat) % difatEntriesPerSector;
        WalkDifatTo(k + 1);
        if (m_difatChain.size() <= k)
            throw Error("the DIFAT chain ends before the FAT does");
        location = Get32(m_sectors.Sector(m_difatChain[k]) + 4 * j);
    }
    if (location > kMaxRegSect || location >= m_sectors.SectorCount())
        throw Error("a FAT sector lies beyond the end of the file");
    return location;
}

std::vector<std::uint32_t> Fat::DifatSectorLocations()
{
    const Header& header = m_sectors.Head();
    const std::uint32_t difatEntriesPerSector = layout::DifatEntriesPerSector(m_sectors.SectorSize());
    const std::size_t needed = header.fatSectorCount > Header::kHeaderDifat
        ? (header.fatSectorCount - Header::kHeaderDifat + difatEntriesPerSector - 1) / difatEntriesPerSector
        : 0;
    WalkDifatTo(needed);
    std::vector<std::uint32_t> out(m_difatChain.begin(),
                                   m_difatChain.begin() + static_cast<std::ptrdiff_t>(std::min(needed, m_difatChain.size())));
    return out;
}

std::uint32_t Fat::Next(std::uint32_t sector)
{
    if (sector >= m_capacity)
        throw Error("sector " + std::to_string(sector) + " is not covered by the allocation table");
    const std::uint32_t location = FatSectorLocation(sector / m_entriesPerSector);
    return Get32(m_sectors.Sector(location) + 4 * (sector % m_entriesPerSector));
}

std::vector<std::uint32_t> Fat::AllEntries()
{
    std::vector<std::uint32_t> out;
    out.reserve(static_cast<std::size_t>(m_capacity));
    const std::uint32_t n = m_sectors.Head().fatSectorCount;
    std::vector<std::uint32_t> locations;
    for (std::uint32_t i = 0; i < n; ++i)
        locations.push_back(FatSectorLocation(i));
    m_sectors.Prefetch(locations);
    for (std::uint32_t location : locations) {
        const std::uint8_t* s = m_sectors.Sector(location);
        for (std::uint32_t j = 0; j < m_entriesPerSector; ++j)
            out.push_back(Get32(s + 4 * j));
    }
    return out;
}

std::vector<std::uint32_t> Fat::LinkSectorsFor(const std::vector<std::uint32_t>& sectors,
                                               std::vector<std::uint32_t>& difatRun) const
{
    const Header& header = m_sectors.Head();
    const std::uint32_t difatEntriesPerSector = layout::DifatEntriesPerSector(m_sectors.SectorSize());
    std::vector<std::uint32_t> out;
    std::size_t difatNeeded = 0;
    for (std::uint32_t s : sectors) {
        if (s > kMaxRegSect)
            continue;
        const std::uint32_t index = s / m_entriesPerSector;
        if (index >= header.fatSectorCount)
            continue;
        if (index < Header::kHeaderDifat)
            out.push_back(header.difat[index]);
        else
            difatNeeded = std::max<std::size_t>(difatNeeded, (index - Header::kHeaderDifat) / difatEntriesPerSector + 1);
    }
    if (difatNeeded && m_difatChain.empty() && header.firstDifatSector <= kMaxRegSect)
        for (std::size_t k = 0; k < difatNeeded; ++k)
            difatRun.push_back(static_cast<std::uint32_t>(std::min<std::uint64_t>(std::uint64_t{header.firstDifatSector} + k, kMaxRegSect)));
    return out;
}

std::vector<std::uint32_t> Fat::Chain(std::uint32_t start, std::uint64_t maxSectors)
{
    LazyChain chain(*this, start, maxSectors);
    return chain.All();
}

LazyChain::LazyChain(Fat& fat, std::uint32_t start, std::uint64_t maxSectors)
    : m_fat(fat), m_maxSectors(std::min<std::uint64_t>(maxSectors, fat.Sectors().SectorCount())), m_next(start), m_mark(start)
{
}

bool LazyChain::Extend()
{
    if (m_next == kEndOfChain || m_next == kFreeSect)
        return false;
    if (m_next > kMaxRegSect || m_next >= m_fat.Sectors().SectorCount())
        throw Error("broken sector chain");
    if (m_known.size() >= m_maxSectors)
        throw Error("sector chain longer than its data (a loop in the allocation table?)");
    if (!m_known.empty() && m_next == m_mark)
        throw Error("loop in a sector chain");
    m_known.push_back(m_next);
    if (++m_sinceMark == m_markPeriod) {
        m_mark = m_next;
        m_sinceMark = 0;
        m_markPeriod *= 2;
    }
    m_next = m_fat.Next(m_next);
    return true;
}

std::uint32_t LazyChain::At(std::uint64_t index)
{
    while (m_known.size() <= index)
        if (!Extend())
            throw Error("sector chain shorter than its data");
    return m_known[static_cast<std::size_t>(index)];
}

bool LazyChain::Has(std::uint64_t index)
{
    while (m_known.size() <= index)
        if (!Extend())
            return false;
    return true;
}

const std::vector<std::uint32_t>& LazyChain::All()
{
    while (Extend()) {
    }
    return m_known;
}

} // namespace cfb
