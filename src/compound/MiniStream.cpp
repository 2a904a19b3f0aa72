#include "compound/MiniStream.h"

#include "compound/Cfb.h"

#include <algorithm>

namespace cfb {

namespace {
std::uint64_t DivUp(std::uint64_t a, std::uint64_t b) { return (a + b - 1) / b; }
}

MiniStream::MiniStream(Fat& fat, std::uint32_t rootStart, std::uint64_t rootSize)
    : m_fat(fat),
      m_miniSectorSize(fat.Sectors().Head().MiniSectorSize()),
      m_rootSize(rootSize),
      m_tableSectors(fat.Sectors().Head().miniFatSectorCount),
      m_container(fat, rootStart, DivUp(rootSize, fat.Sectors().SectorSize())),
      m_table(fat, fat.Sectors().Head().firstMiniFatSector,
             // Some writers leave the count at zero; the chain itself is then the authority.
             fat.Sectors().Head().miniFatSectorCount ? fat.Sectors().Head().miniFatSectorCount
                                                    : fat.Sectors().SectorCount())
{
}

std::uint64_t MiniStream::Capacity() const
{
    return m_tableSectors * (m_fat.Sectors().SectorSize() / 4);
}

std::uint32_t MiniStream::Next(std::uint32_t mini)
{
    const std::uint32_t entriesPerSector = m_fat.Sectors().SectorSize() / 4;
    const std::uint32_t sector = m_table.At(mini / entriesPerSector);
    return Get32(m_fat.Sectors().Sector(sector) + 4 * (mini % entriesPerSector));
}

std::vector<std::uint32_t> MiniStream::AllEntries()
{
    std::vector<std::uint32_t> out;
    const std::uint32_t entriesPerSector = m_fat.Sectors().SectorSize() / 4;
    const std::vector<std::uint32_t>& sectors = m_table.All();
    m_fat.Sectors().Prefetch(sectors);
    for (std::uint32_t sector : sectors) {
        const std::uint8_t* s = m_fat.Sectors().Sector(sector);
        for (std::uint32_t j = 0; j < entriesPerSector; ++j)
            out.push_back(Get32(s + 4 * j));
    }
    return out;
}

std::pair<std::uint32_t, std::uint32_t> MiniStream::Locate(std::uint32_t mini)
{
    const std::uint64_t offset = static_cast<std::uint64_t>(mini) * m_miniSectorSize;
    if (offset + m_miniSectorSize > DivUp(m_rootSize, m_miniSectorSize) * m_miniSectorSize)
        throw Error("mini sector " + std::to_string(mini) + " lies beyond the mini stream");
    const std::uint32_t sectorSize = m_fat.Sectors().SectorSize();
    return {m_container.At(offset / sectorSize), static_cast<std::uint32_t>(offset % sectorSize)};
}

void MiniStream::Read(std::uint32_t mini, std::uint32_t offset, std::uint8_t* out, std::uint32_t length)
{
    if (offset > m_miniSectorSize || length > m_miniSectorSize - offset)
        throw Error("read outside a mini sector");
    auto [sector, at] = Locate(mini);
    std::copy_n(m_fat.Sectors().Sector(sector) + at + offset, length, out);
}

std::vector<std::uint32_t> MiniStream::Chain(std::uint32_t start, std::uint64_t maxSectors)
{
    std::vector<std::uint32_t> out;
    const std::uint64_t limit = std::min<std::uint64_t>(maxSectors, MiniSectorCount() + 1);
    std::uint32_t s = start;
    while (s != kEndOfChain && s != kFreeSect) {
        if (s > kMaxRegSect)
            throw Error("broken mini sector chain");
        if (out.size() >= limit)
            throw Error("mini sector chain longer than its data (a loop in the mini table?)");
        out.push_back(s);
        s = Next(s);
    }
    return out;
}

} // namespace cfb
