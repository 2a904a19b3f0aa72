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
            const std::size_t missing = count - m_difatChain.size();
            for (std::uint32_t sector = next; run.size() < missing && sector < m_sectors.SectorCount(); ++sector)
                run.push_back(sector);
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
        const std::size_t difatSector = (index - Header::kHeaderDifat) / difatEntriesPerSector;
        const std::size_t slot = (index - Header::kHeaderDifat) % difatEntriesPerSector;
        WalkDifatTo(difatSector + 1);
        if (m_difatChain.size() <= difatSector)
            throw Error("the DIFAT chain ends before the FAT does");
        location = Get32(m_sectors.Sector(m_difatChain[difatSector]) + 4 * slot);
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
    const std::uint32_t fatSectorCount = m_sectors.Head().fatSectorCount;
    std::vector<std::uint32_t> locations;
    for (std::uint32_t i = 0; i < fatSectorCount; ++i)
        locations.push_back(FatSectorLocation(i));
    m_sectors.Prefetch(locations);
    for (std::uint32_t location : locations) {
        const std::uint8_t* bytes = m_sectors.Sector(location);
        for (std::uint32_t j = 0; j < m_entriesPerSector; ++j)
            out.push_back(Get32(bytes + 4 * j));
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
    for (std::uint32_t sector : sectors) {
        if (sector > kMaxRegSect)
            continue;
        const std::uint32_t index = sector / m_entriesPerSector;
        if (index >= header.fatSectorCount)
            continue;
        if (index < Header::kHeaderDifat)
            out.push_back(header.difat[index]);
        else
            difatNeeded = std::max<std::size_t>(difatNeeded, (index - Header::kHeaderDifat) / difatEntriesPerSector + 1);
    }
    if (difatNeeded && m_difatChain.empty() && header.firstDifatSector <= kMaxRegSect)
        for (std::size_t offset = 0; offset < difatNeeded; ++offset)
            difatRun.push_back(static_cast<std::uint32_t>(
                std::min<std::uint64_t>(std::uint64_t{header.firstDifatSector} + offset, kMaxRegSect)));
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

namespace {

// The two reasons a save may not grow the file further, each with its own message.
[[noreturn]] void TooLarge()
{
    throw Error("the file would grow beyond the largest size the format allows");
}
[[noreturn]] void TablesInconsistent()
{
    throw Error("the file's allocation table does not match the file: a save would grow it without end");
}

} // namespace

void ClaimSectors(std::unordered_set<std::uint32_t>& claimed, const std::vector<std::uint32_t>& sectors)
{
    for (std::uint32_t sector : sectors)
        if (!claimed.insert(sector).second)
            throw Error("the file is damaged: two of its structures share sector " + std::to_string(sector));
}

FatEditor::FatEditor(Fat& committed, SectorImages& images)
    : m_committed(committed),
      m_images(images),
      m_sectorSize(committed.Sectors().SectorSize()),
      m_entriesPerSector(m_sectorSize / 4),
      m_fileSectors(committed.Sectors().SectorCount()),
      m_committedEntries(committed.AllEntries()),
      m_entries(m_committedEntries),
      m_committedFatSectorCount(committed.Sectors().Head().fatSectorCount),
      m_nextAppend(m_fileSectors)
{
    for (std::uint32_t i = 0; i < m_committedFatSectorCount; ++i) {
        m_fatSectors.push_back(committed.FatSectorLocation(i));
        m_fatSectorMoved.push_back(false);
    }
    Reserve(m_fatSectors);
    m_difatSectors = committed.DifatSectorLocations();
    Reserve(m_difatSectors);
}

void FatEditor::Reserve(const std::vector<std::uint32_t>& chain)
{
    m_reserved.insert(chain.begin(), chain.end());
    m_reservedChains.push_back(chain);
}

void FatEditor::StartAllocating()
{
    // The tables and the directory must not share sectors: a save that moved one of them would
    // otherwise change the other behind its back.
    std::uint64_t reservedSectors = 0;
    for (const std::vector<std::uint32_t>& chain : m_reservedChains) {
        ClaimSectors(m_claimed, chain);
        reservedSectors += chain.size();
    }
    for (std::uint32_t sector = 0; sector < std::min<std::uint64_t>(m_fileSectors, m_committedEntries.size()); ++sector)
        if (m_committedEntries[sector] == kFreeSect && !m_reserved.count(sector))
            m_freeSectors.push_back(sector);
    // Everything a save can move plus room for the new stream: a damaged table that asks for
    // more ends in an error instead of an ever-growing file.
    m_appendLimit += std::uint64_t{m_fileSectors} + reservedSectors + 256;
}

bool FatEditor::MayWrite(std::uint32_t sector) const
{
    if (sector >= m_fileSectors)
        return true;
    return sector < m_committedEntries.size() && m_committedEntries[sector] == kFreeSect && !m_reserved.count(sector);
}

std::uint32_t FatEditor::Allocate()
{
    const std::uint64_t sector = m_nextFree < m_freeSectors.size() ? m_freeSectors[m_nextFree++] : m_nextAppend++;
    if (sector >= kMaxRegSect)
        TooLarge();
    if (m_nextAppend > m_appendLimit)
        TablesInconsistent();
    Set(static_cast<std::uint32_t>(sector), kEndOfChain);
    return static_cast<std::uint32_t>(sector);
}

std::uint32_t FatEditor::Add(std::vector<std::uint8_t> content)
{
    const std::uint32_t sector = Allocate();
    content.resize(m_sectorSize, 0);
    m_images[sector] = std::move(content);
    return sector;
}

std::uint32_t FatEditor::Move(std::uint32_t sector)
{
    const std::uint32_t copy = Allocate();
    const std::uint8_t* bytes = CommittedSector(sector);
    m_images[copy].assign(bytes, bytes + m_sectorSize);
    Set(sector, kFreeSect);
    return copy;
}

// Grows the table by whole FAT sectors, appended at the end of the file, until it has an entry
// for `sector` and for each FAT sector it added.
void FatEditor::Cover(std::uint32_t sector)
{
    std::vector<std::uint32_t> added;
    while (sector >= m_entries.size() || (!added.empty() && added.back() >= m_entries.size())) {
        if (m_nextAppend >= kMaxRegSect)
            TooLarge();
        if (m_nextAppend > m_appendLimit)
            TablesInconsistent();
        const auto place = static_cast<std::uint32_t>(m_nextAppend++);
        m_entries.resize(m_entries.size() + m_entriesPerSector, kFreeSect);
        m_fatSectors.push_back(place);
        m_fatSectorMoved.push_back(true);
        m_changedFatSectors.insert(static_cast<std::uint32_t>(m_fatSectors.size() - 1));
        added.push_back(place);
    }
    for (std::uint32_t place : added) {
        m_entries[place] = kFatSect;
        m_changedFatSectors.insert(place / m_entriesPerSector);
    }
}

void FatEditor::Set(std::uint32_t sector, std::uint32_t value)
{
    Cover(sector);
    if (m_entries[sector] != value) {
        m_entries[sector] = value;
        m_changedFatSectors.insert(sector / m_entriesPerSector);
    }
}

void FatEditor::Link(const std::vector<std::uint32_t>& chain)
{
    for (std::size_t i = 0; i < chain.size(); ++i)
        Set(chain[i], i + 1 < chain.size() ? chain[i + 1] : kEndOfChain);
}

std::uint32_t FatEditor::WriteChain(const std::vector<std::uint8_t>& content)
{
    if (content.empty())
        return kEndOfChain;
    std::vector<std::uint32_t> sectors;
    for (std::size_t at = 0; at < content.size(); at += m_sectorSize) {
        const auto end = content.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(content.size(), at + m_sectorSize));
        sectors.push_back(Add(std::vector<std::uint8_t>(content.begin() + static_cast<std::ptrdiff_t>(at), end)));
    }
    Link(sectors);
    return sectors.front();
}

void FatEditor::FreeChain(std::uint32_t start, std::uint64_t size)
{
    const std::uint64_t count = DivideRoundingUp(size, m_sectorSize);
    LazyChain chain(m_committed, start, count);
    std::vector<std::uint32_t> sectors;
    for (std::uint64_t i = 0; i < count && chain.Has(i); ++i)
        sectors.push_back(chain.At(i));
    ClaimSectors(m_claimed, sectors);
    for (std::uint32_t sector : sectors)
        Set(sector, kFreeSect);
}

void FatEditor::Finish(Header& header)
{
    // Moving a FAT sector or adding a DIFAT sector changes the table again: repeat until
    // nothing moves any more.
    for (bool changed = true; changed;) {
        changed = MoveChangedFatSectors();
        changed = RenewDifat() || changed;
    }
    WriteTableImages(header);
}

bool FatEditor::MoveChangedFatSectors()
{
    bool moved = false;
    const std::vector<std::uint32_t> changed(m_changedFatSectors.begin(), m_changedFatSectors.end());
    for (std::uint32_t index : changed) {
        if (m_fatSectorMoved[index])
            continue;
        const std::uint32_t old = m_fatSectors[index];
        const std::uint32_t place = Allocate();
        m_fatSectors[index] = place;
        m_fatSectorMoved[index] = true;
        Set(place, kFatSect);
        Set(old, kFreeSect);
        moved = true;
    }
    return moved;
}

// The DIFAT lists the FAT sectors beyond the header's: once one of those moved or the FAT
// grew, it is written anew in sectors of its own.
bool FatEditor::RenewDifat()
{
    const std::size_t fatCount = m_fatSectors.size();
    const std::size_t needed = fatCount > Header::kHeaderDifat
        ? DivideRoundingUp(fatCount - Header::kHeaderDifat, layout::DifatEntriesPerSector(m_sectorSize))
        : 0;
    bool listChanged = fatCount != m_committedFatSectorCount;
    for (std::size_t index = Header::kHeaderDifat; index < fatCount && !listChanged; ++index)
        listChanged = m_fatSectorMoved[index];
    bool changed = false;
    if (listChanged && !m_difatRenewed) {
        for (std::uint32_t old : m_difatSectors)
            Set(old, kFreeSect);
        m_difatSectors.clear();
        m_difatRenewed = true;
        changed = true;
    }
    while (m_difatRenewed && m_difatSectors.size() < needed) {
        const std::uint32_t sector = Allocate();
        Set(sector, kDifSect);
        m_difatSectors.push_back(sector);
        changed = true;
    }
    return changed;
}

void FatEditor::WriteTableImages(Header& header)
{
    for (std::size_t index = 0; index < m_fatSectors.size(); ++index) {
        if (!m_fatSectorMoved[index])
            continue;
        std::vector<std::uint8_t> bytes(m_sectorSize);
        for (std::uint32_t j = 0; j < m_entriesPerSector; ++j)
            Put32(bytes.data() + 4 * j, m_entries[index * m_entriesPerSector + j]);
        m_images[m_fatSectors[index]] = std::move(bytes);
    }
    if (m_difatRenewed) {
        const std::uint32_t difatEntriesPerSector = layout::DifatEntriesPerSector(m_sectorSize);
        for (std::size_t difatIndex = 0; difatIndex < m_difatSectors.size(); ++difatIndex) {
            std::vector<std::uint8_t> bytes(m_sectorSize);
            for (std::uint32_t j = 0; j < difatEntriesPerSector; ++j) {
                const std::size_t index = Header::kHeaderDifat + difatIndex * difatEntriesPerSector + j;
                Put32(bytes.data() + 4 * j, index < m_fatSectors.size() ? m_fatSectors[index] : kFreeSect);
            }
            Put32(bytes.data() + layout::DifatNextLink(m_sectorSize),
                  difatIndex + 1 < m_difatSectors.size() ? m_difatSectors[difatIndex + 1] : kEndOfChain);
            m_images[m_difatSectors[difatIndex]] = std::move(bytes);
        }
        header.firstDifatSector = m_difatSectors.empty() ? kEndOfChain : m_difatSectors.front();
        header.difatSectorCount = static_cast<std::uint32_t>(m_difatSectors.size());
    }
    header.fatSectorCount = static_cast<std::uint32_t>(m_fatSectors.size());
    for (std::size_t i = 0; i < Header::kHeaderDifat; ++i)
        header.difat[i] = i < m_fatSectors.size() ? m_fatSectors[i] : kFreeSect;
}

EditedChain::EditedChain(FatEditor& table, std::vector<std::uint32_t> sectors)
    : m_table(table), m_sectors(std::move(sectors)), m_placed(m_sectors.size(), false)
{
    m_table.Reserve(m_sectors);
}

const std::uint8_t* EditedChain::Read(std::size_t index)
{
    const std::uint32_t sector = m_sectors[index];
    return m_placed[index] ? m_table.Image(sector) : m_table.CommittedSector(sector);
}

std::uint8_t* EditedChain::Change(std::size_t index)
{
    if (!m_placed[index]) {
        m_sectors[index] = m_table.Move(m_sectors[index]);
        m_placed[index] = true;
    }
    return m_table.Image(m_sectors[index]);
}

void EditedChain::Append(std::vector<std::uint8_t> content)
{
    m_sectors.push_back(m_table.Add(std::move(content)));
    m_placed.push_back(true);
}

} // namespace cfb
