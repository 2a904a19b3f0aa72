#include "compound/MiniStream.h"

#include "compound/Cfb.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>

namespace cfb {

MiniStream::MiniStream(Fat& fat, std::uint32_t rootStart, std::uint64_t rootSize)
    : m_fat(fat),
      m_miniSectorSize(fat.Sectors().Head().MiniSectorSize()),
      m_rootStart(rootStart),
      m_rootSize(rootSize),
      m_tableSectors(fat.Sectors().Head().miniFatSectorCount),
      m_container(fat, rootStart, DivideRoundingUp(rootSize, fat.Sectors().SectorSize())),
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
        const std::uint8_t* bytes = m_fat.Sectors().Sector(sector);
        for (std::uint32_t j = 0; j < entriesPerSector; ++j)
            out.push_back(Get32(bytes + 4 * j));
    }
    return out;
}

std::pair<std::uint32_t, std::uint32_t> MiniStream::Locate(std::uint32_t mini)
{
    const std::uint64_t offset = static_cast<std::uint64_t>(mini) * m_miniSectorSize;
    if (offset + m_miniSectorSize > DivideRoundingUp(m_rootSize, m_miniSectorSize) * m_miniSectorSize)
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
    std::uint32_t mini = start;
    while (mini != kEndOfChain && mini != kFreeSect) {
        if (mini > kMaxRegSect)
            throw Error("broken mini sector chain");
        if (out.size() >= limit)
            throw Error("mini sector chain longer than its data (a loop in the mini table?)");
        out.push_back(mini);
        mini = Next(mini);
    }
    return out;
}

namespace {

std::vector<std::uint32_t> ChainOrNothing(Fat& fat, bool present, std::uint32_t start)
{
    return present ? fat.Chain(start, fat.Sectors().SectorCount()) : std::vector<std::uint32_t>{};
}

} // namespace

MiniStreamEditor::MiniStreamEditor(FatEditor& table, MiniStream& committed)
    : m_committed(committed),
      m_sectorSize(table.SectorSize()),
      m_miniSectorSize(committed.MiniSectorSize()),
      m_entriesPerSector(m_sectorSize / 4),
      m_container(table, ChainOrNothing(table.Committed(), committed.Size() > 0 && committed.FirstSector() <= kMaxRegSect,
                                        committed.FirstSector())),
      m_tableChain(table, ChainOrNothing(table.Committed(), table.Committed().Sectors().Head().firstMiniFatSector <= kMaxRegSect,
                                         table.Committed().Sectors().Head().firstMiniFatSector)),
      m_miniSectorCount(DivideRoundingUp(committed.Size(), m_miniSectorSize))
{
    SectorReader& sectors = table.Committed().Sectors();
    sectors.Prefetch(m_tableChain.Sectors());
    for (std::uint32_t sector : m_tableChain.Sectors()) {
        const std::uint8_t* bytes = sectors.Sector(sector);
        for (std::uint32_t j = 0; j < m_entriesPerSector; ++j)
            m_entries.push_back(Get32(bytes + 4 * j));
    }
    if (DivideRoundingUp(committed.Size(), m_sectorSize) > m_container.Size())
        throw Error("the mini stream is shorter than the root entry says");
    for (std::uint64_t mini = 0; mini < std::min<std::uint64_t>(m_miniSectorCount, m_entries.size()); ++mini)
        if (m_entries[mini] == kFreeSect)
            m_freeMiniSectors.push_back(static_cast<std::uint32_t>(mini));
}

void MiniStreamEditor::Set(std::uint32_t mini, std::uint32_t value)
{
    while (mini >= m_entries.size()) {
        m_tableChain.Append(std::vector<std::uint8_t>(m_sectorSize, 0xFF));
        m_entries.resize(m_entries.size() + m_entriesPerSector, kFreeSect);
    }
    if (m_entries[mini] != value) {
        m_entries[mini] = value;
        m_changedTableSectors.insert(mini / m_entriesPerSector);
    }
}

std::uint32_t MiniStreamEditor::Allocate()
{
    const std::uint64_t mini = m_nextFree < m_freeMiniSectors.size() ? m_freeMiniSectors[m_nextFree++] : m_miniSectorCount++;
    if (mini >= kMaxRegSect)
        throw Error("the mini stream would grow too large");
    Set(static_cast<std::uint32_t>(mini), kEndOfChain);
    return static_cast<std::uint32_t>(mini);
}

// Writes one mini sector into the mini stream, adding sectors to the stream as far as needed.
void MiniStreamEditor::Write(std::uint32_t mini, const std::uint8_t* data, std::size_t length)
{
    const std::uint64_t offset = std::uint64_t{mini} * m_miniSectorSize;
    const std::size_t index = static_cast<std::size_t>(offset / m_sectorSize);
    while (index >= m_container.Size())
        m_container.Append({});
    std::uint8_t* place = m_container.Change(index) + offset % m_sectorSize;
    std::memcpy(place, data, length);
    std::memset(place + length, 0, m_miniSectorSize - length);
}

std::uint32_t MiniStreamEditor::WriteChain(const std::vector<std::uint8_t>& content)
{
    if (content.empty())
        return kEndOfChain;
    std::vector<std::uint32_t> minis;
    for (std::size_t at = 0; at < content.size(); at += m_miniSectorSize)
        minis.push_back(Allocate());
    for (std::size_t i = 0; i < minis.size(); ++i) {
        const std::size_t at = i * m_miniSectorSize;
        Write(minis[i], content.data() + at, std::min<std::size_t>(m_miniSectorSize, content.size() - at));
        Set(minis[i], i + 1 < minis.size() ? minis[i + 1] : kEndOfChain);
    }
    return minis.front();
}

void MiniStreamEditor::FreeChain(std::uint32_t start, std::uint64_t size)
{
    const std::uint64_t count = DivideRoundingUp(size, m_miniSectorSize);
    std::vector<std::uint32_t> minis;
    for (std::uint32_t mini = start; minis.size() < count && mini <= kMaxRegSect; mini = m_committed.Next(mini))
        minis.push_back(mini);
    std::unordered_set<std::uint32_t> claimed;
    ClaimSectors(claimed, minis);
    for (std::uint32_t mini : minis)
        Set(mini, kFreeSect);
}

void MiniStreamEditor::WriteTable()
{
    for (std::uint32_t index : m_changedTableSectors) {
        std::uint8_t* bytes = m_tableChain.Change(index);
        for (std::uint32_t j = 0; j < m_entriesPerSector; ++j)
            Put32(bytes + 4 * j, m_entries[std::size_t{index} * m_entriesPerSector + j]);
    }
}

std::optional<std::pair<std::uint32_t, std::uint64_t>> MiniStreamEditor::MovedRoot() const
{
    const std::uint64_t size = std::max<std::uint64_t>(m_committed.Size(), m_miniSectorCount * m_miniSectorSize);
    const std::uint32_t start = m_container.Sectors().empty() ? m_committed.FirstSector() : m_container.Sectors().front();
    if (size == m_committed.Size() && start == m_committed.FirstSector())
        return std::nullopt;
    return std::make_pair(start, size);
}

void MiniStreamEditor::Finish(Header& header)
{
    m_container.Link();
    m_tableChain.Link();
    header.firstMiniFatSector = m_tableChain.Sectors().empty() ? kEndOfChain : m_tableChain.Sectors().front();
    header.miniFatSectorCount = static_cast<std::uint32_t>(m_tableChain.Size());
}

} // namespace cfb
