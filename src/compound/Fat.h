#pragma once
// The sector allocation table (FAT) and the DIFAT that locates the FAT's own sectors. Both are
// read lazily: opening a large document touches only the table sectors that the chains it
// follows go through. Every walk is bounded by the number of sectors the file can hold and
// watches for loops, so a damaged table ends with an error instead of a hang.

#include "compound/SectorReader.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace cfb {

class Fat {
public:
    explicit Fat(SectorReader& sectors);
    // The table entry of `sector`: the next sector of its chain or a special value.
    std::uint32_t Next(std::uint32_t sector);
    // Number of entries the table has (FAT sectors times entries per sector).
    std::uint64_t Capacity() const { return m_capacity; }
    std::uint32_t EntriesPerSector() const { return m_entriesPerSector; }
    // Location of the FAT's `index`-th sector, through the header or the DIFAT chain.
    std::uint32_t FatSectorLocation(std::uint32_t index);
    // The sectors that following the links of `sectors` will read first, as far as they are
    // known without reading anything: the FAT sectors the header lists (returned), or else the
    // DIFAT sectors up to the one that lists them (`difatRun`; assumed to lie one after
    // another, as writers put them).
    std::vector<std::uint32_t> LinkSectorsFor(const std::vector<std::uint32_t>& sectors,
                                              std::vector<std::uint32_t>& difatRun) const;
    // Sectors of the DIFAT chain, in order (reads them all).
    std::vector<std::uint32_t> DifatSectorLocations();
    // Every entry of the table (reads every FAT sector).
    std::vector<std::uint32_t> AllEntries();
    // A whole chain, at most `maxSectors` long; throws on a loop, a bad link or a chain longer
    // than that.
    std::vector<std::uint32_t> Chain(std::uint32_t start, std::uint64_t maxSectors);
    SectorReader& Sectors() { return m_sectors; }

private:
    void WalkDifatTo(std::size_t count);
    SectorReader& m_sectors;
    std::uint32_t m_entriesPerSector;
    std::uint64_t m_capacity;
    std::vector<std::uint32_t> m_difatChain; // DIFAT sectors found so far
    bool m_difatEnded = false;
};

// A chain that is followed only as far as it is asked for.
class LazyChain {
public:
    LazyChain(Fat& fat, std::uint32_t start, std::uint64_t maxSectors);
    // The `index`-th sector of the chain; throws when the chain is shorter or broken.
    std::uint32_t At(std::uint64_t index);
    // True when the chain has a sector at `index`.
    bool Has(std::uint64_t index);
    // Every sector of the chain.
    const std::vector<std::uint32_t>& All();

private:
    bool Extend();
    Fat& m_fat;
    std::uint64_t m_maxSectors;
    std::vector<std::uint32_t> m_known;
    std::uint32_t m_next;
    // Loop watch (Brent): a sector remembered at every power of two steps; meeting it again
    // means the chain runs in a circle.
    std::uint32_t m_mark;
    std::uint64_t m_sinceMark = 0;
    std::uint64_t m_markPeriod = 1;
};

} // namespace cfb
