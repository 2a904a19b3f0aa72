#pragma once
// The sector allocation table (FAT) and the DIFAT that locates the FAT's own sectors. Both are
// read lazily: opening a large document touches only the table sectors that the chains it
// follows go through. Every walk is bounded by the number of sectors the file can hold and
// watches for loops, so a damaged table ends with an error instead of a hang.
//
// The write half (`FatEditor`, `EditedChain`) edits a copy of the table for one save and never
// hands out a sector that the file's committed state uses.

#include "compound/SectorReader.h"

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <unordered_set>
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

// Adds `sectors` to `claimed`; throws when one of them is there already, that is when two
// structures of the file, or two places of one chain, share a sector.
void ClaimSectors(std::unordered_set<std::uint32_t>& claimed, const std::vector<std::uint32_t>& sectors);

// The new contents of the sectors a save writes, by sector number.
using SectorImages = std::map<std::uint32_t, std::vector<std::uint8_t>>;

// The allocation table and the DIFAT as one save changes them, held in memory. A sector is
// handed out only when the committed state does not use it: free in the committed table and
// part of no structure that was reserved, or appended at the end of the file. FAT and DIFAT
// sectors that change move to new places in `Finish`, so the committed table stays intact
// until the header that points at the new one is written.
class FatEditor {
public:
    // Reads the whole table and the DIFAT of `committed`; new sector contents go to `images`.
    FatEditor(Fat& committed, SectorImages& images);
    FatEditor(const FatEditor&) = delete;
    FatEditor& operator=(const FatEditor&) = delete;

    Fat& Committed() { return m_committed; }
    std::uint32_t SectorSize() const { return m_sectorSize; }
    // Marks the sectors of `chain`, a structure of the committed state (the directory, the mini
    // stream, the mini table), as never to be handed out. The FAT and DIFAT sectors are reserved
    // from the start.
    void Reserve(const std::vector<std::uint32_t>& chain);
    // Checks that no two reserved structures share a sector and lists the free sectors. Called
    // once, after the last `Reserve` and before the first allocation.
    void StartAllocating();
    // Lets the file grow by `sectors` sectors more than moving the reserved structures needs.
    void AllowGrowth(std::uint64_t sectors) { m_appendLimit += sectors; }

    // A sector for new content, marked as the end of a chain: a free one, or one appended.
    std::uint32_t Allocate();
    // Allocates a sector that holds `content`, padded with zeros to a whole sector.
    std::uint32_t Add(std::vector<std::uint8_t> content);
    // Allocates a sector holding a copy of the committed bytes of `sector`, which becomes free.
    std::uint32_t Move(std::uint32_t sector);
    // The new content of a sector that this save allocated.
    std::uint8_t* Image(std::uint32_t sector) { return m_images[sector].data(); }
    // The content of `sector` in the committed state.
    const std::uint8_t* CommittedSector(std::uint32_t sector) { return m_committed.Sectors().Sector(sector); }

    // Sets the table entry of `sector`, growing the table when it does not reach that far.
    void Set(std::uint32_t sector, std::uint32_t value);
    // Links `chain` in its order, its last sector ending it.
    void Link(const std::vector<std::uint32_t>& chain);
    // Writes `content` into newly allocated sectors linked in order; returns the first sector
    // (kEndOfChain for no content).
    std::uint32_t WriteChain(const std::vector<std::uint8_t>& content);
    // Frees the chain of `size` bytes that starts at `start` in the committed table.
    void FreeChain(std::uint32_t start, std::uint64_t size);

    // True when the committed state does not use `sector`, so that a save may write it.
    bool MayWrite(std::uint32_t sector) const;
    // Moves every changed FAT sector, and the DIFAT when the FAT's sectors moved or grew, to
    // new sectors, puts their images into the save and their places into `header`.
    void Finish(Header& header);

private:
    void Cover(std::uint32_t sector);
    bool MoveChangedFatSectors();
    bool RenewDifat();
    void WriteTableImages(Header& header);

    Fat& m_committed;
    SectorImages& m_images;
    std::uint32_t m_sectorSize;
    std::uint32_t m_entriesPerSector;
    std::uint32_t m_fileSectors;
    std::vector<std::uint32_t> m_committedEntries;
    std::vector<std::uint32_t> m_entries;
    std::vector<std::uint32_t> m_fatSectors;  // where each FAT sector lies in this save
    std::vector<bool> m_fatSectorMoved;       // placed anew in this save
    std::set<std::uint32_t> m_changedFatSectors; // indexes into m_fatSectors
    std::uint32_t m_committedFatSectorCount;
    std::vector<std::uint32_t> m_difatSectors;
    bool m_difatRenewed = false;
    std::vector<std::vector<std::uint32_t>> m_reservedChains;
    std::unordered_set<std::uint32_t> m_reserved;
    std::unordered_set<std::uint32_t> m_claimed; // sectors of the reserved structures and freed chains
    std::vector<std::uint32_t> m_freeSectors;
    std::size_t m_nextFree = 0;
    std::uint64_t m_nextAppend;
    std::uint64_t m_appendLimit = 0;
};

// A chain of ordinary sectors that a save edits (the directory, the mini stream, the mini
// table). A sector the committed state uses is moved to a new one before its bytes change.
class EditedChain {
public:
    // `sectors` is the committed chain; it is reserved in `table`.
    EditedChain(FatEditor& table, std::vector<std::uint32_t> sectors);
    const std::vector<std::uint32_t>& Sectors() const { return m_sectors; }
    std::size_t Size() const { return m_sectors.size(); }
    // The bytes of the `index`-th sector as the save has them so far.
    const std::uint8_t* Read(std::size_t index);
    // The bytes of the `index`-th sector, to change.
    std::uint8_t* Change(std::size_t index);
    // Adds a sector holding `content` (padded with zeros) at the end.
    void Append(std::vector<std::uint8_t> content);
    void Link() { m_table.Link(m_sectors); }

private:
    FatEditor& m_table;
    std::vector<std::uint32_t> m_sectors;
    std::vector<bool> m_placed; // moved or appended in this save, so writable
};

} // namespace cfb
