#pragma once
// Sector access with a cache that lives as long as the open document: nothing is read twice.
// A sector that is not there yet is read together with its neighbours in the same 4 KB of the
// file, since writers put the tables, the directory and the mini stream next to each other and
// one read of 4 KB costs what a read of 512 bytes costs (one round trip on a network share).
// Several sectors needed at once are read in as few reads as their places allow.

#include "compound/BlockFile.h"
#include "compound/Header.h"

#include <cstdint>
#include <memory>
#include <map>
#include <vector>

namespace cfb {

class SectorReader {
public:
    SectorReader(BlockFile& file, const Header& header);
    SectorReader(const SectorReader&) = delete;
    SectorReader& operator=(const SectorReader&) = delete;

    // Sectors that begin inside the file (a partial last sector counts).
    std::uint32_t SectorCount() const { return m_sectorCount; }
    std::uint32_t SectorSize() const { return m_sectorSize; }
    // The sector's SectorSize() bytes (a partial last sector padded with zeros), valid while the
    // reader lives. Throws cfb::Error for a sector that does not begin inside the file.
    const std::uint8_t* Sector(std::uint32_t sector);
    // Reads the listed sectors that are not kept yet, adjacent ones in one read; each with its
    // neighbours unless `withNeighbours` is false (for a list that is known to be complete).
    // `sectors` beyond the end of the file are left out (Sector reports them).
    void Prefetch(const std::vector<std::uint32_t>& sectors, bool withNeighbours = true);
    // Copies the first `length` bytes of the sectors `chain` (in that order) to `out`, reading
    // what is not kept straight into `out`, consecutive sectors in one read. Keeps nothing.
    void ReadChain(const std::vector<std::uint32_t>& chain, std::uint64_t length, std::uint8_t* out);
    bool Kept(std::uint32_t sector) const { return Find(sector) != nullptr; }

    BlockFile& File() { return m_file; }
    const Header& Head() const { return m_header; }
    // Length of the file when the reader was made.
    std::uint64_t FileSize() const { return m_fileSize; }

private:
    void CheckInside(std::uint32_t sector) const;
    const std::uint8_t* Find(std::uint32_t sector) const;
    // Reads sectors [first, first + count) in one read and keeps those not kept yet.
    void ReadRun(std::uint32_t first, std::uint32_t count);

    BlockFile& m_file;
    const Header& m_header;
    std::uint32_t m_sectorSize;
    std::uint32_t m_sectorCount;
    std::uint32_t m_sectorsPerWindow; // sectors per 4 KB of the file
    std::uint64_t m_fileSize;
    // What was read, one entry per read: first sector -> (sector count, bytes). Runs never
    // overlap: a read covers only sectors that are not kept yet.
    struct Run {
        std::uint32_t count;
        std::unique_ptr<std::uint8_t[]> bytes;
    };
    std::map<std::uint32_t, Run> m_runs;
};

} // namespace cfb
