#pragma once
// Sector access, the sector allocation table (FAT) and the DIFAT that locates the FAT's own
// sectors. Everything is read lazily: opening a large document touches only the table sectors
// that the chains it follows go through. Every walk is bounded by the number of sectors the
// file can hold, so a loop in a damaged table ends with an error instead of a hang.

#include "compound/BlockFile.h"
#include "compound/Header.h"

#include <cstdint>
#include <unordered_map>
#include <vector>

namespace cfb {

// Reads whole sectors; a partial last sector is padded with zeros. Caches what it read.
class SectorReader {
public:
    SectorReader(BlockFile& file, const Header& header);
    // Sectors that begin inside the file (a partial last sector counts).
    std::uint32_t SectorCount() const { return sectorCount_; }
    std::uint32_t SectorSize() const { return sectorSize_; }
    // The sector's bytes; throws cfb::Error for a sector that does not begin inside the file.
    const std::vector<std::uint8_t>& Sector(std::uint32_t sector);
    // Reads a byte range of one sector without caching the sector.
    void ReadPart(std::uint32_t sector, std::uint32_t offset, std::uint8_t* out, std::uint32_t length);
    BlockFile& File() { return file_; }
    const Header& Head() const { return header_; }
    // Length of the file when the reader was made.
    std::uint64_t FileSize() const { return fileSize_; }

private:
    BlockFile& file_;
    const Header& header_;
    std::uint32_t sectorSize_;
    std::uint32_t sectorCount_;
    std::uint64_t fileSize_;
    std::unordered_map<std::uint32_t, std::vector<std::uint8_t>> cache_;
};

class Fat {
public:
    explicit Fat(SectorReader& sectors);
    // The table entry of `sector`: the next sector of its chain or a special value.
    std::uint32_t Next(std::uint32_t sector);
    // Number of entries the table has (FAT sectors times entries per sector).
    std::uint64_t Capacity() const { return capacity_; }
    std::uint32_t EntriesPerSector() const { return perSector_; }
    // Location of the FAT's `index`-th sector, through the header or the DIFAT chain.
    std::uint32_t FatSectorLocation(std::uint32_t index);
    // Sectors of the DIFAT chain, in order (reads them all).
    std::vector<std::uint32_t> DifatSectorLocations();
    // Every entry of the table (reads every FAT sector).
    std::vector<std::uint32_t> AllEntries();
    // A whole chain, at most `maxSectors` long; throws on a loop, a bad link or a chain longer
    // than that.
    std::vector<std::uint32_t> Chain(std::uint32_t start, std::uint64_t maxSectors);
    SectorReader& Sectors() { return sectors_; }

private:
    void WalkDifatTo(std::size_t count);
    SectorReader& sectors_;
    std::uint32_t perSector_;
    std::uint64_t capacity_;
    std::vector<std::uint32_t> difatChain_; // DIFAT sectors found so far
    bool difatEnded_ = false;
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
    Fat& fat_;
    std::uint64_t maxSectors_;
    std::vector<std::uint32_t> known_;
    std::uint32_t next_;
};

} // namespace cfb
