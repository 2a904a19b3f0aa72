#pragma once
// The mini stream: small streams (below the header's cutoff, normally 4096 bytes) live in 64-byte
// mini sectors inside one ordinary stream, the root entry's stream, and are chained through the
// mini allocation table, itself a chain of ordinary sectors. Both are followed lazily.
//
// The write half (`MiniStreamEditor`) changes both for one save through `EditedChain`, so that
// their committed sectors stay as they are.

#include "compound/Fat.h"

#include <cstdint>
#include <optional>
#include <set>
#include <utility>
#include <vector>

namespace cfb {

class MiniStream {
public:
    // `rootStart` and `rootSize` are the root directory entry's start sector and stream size.
    MiniStream(Fat& fat, std::uint32_t rootStart, std::uint64_t rootSize);
    std::uint32_t MiniSectorSize() const { return m_miniSectorSize; }
    // Mini sectors the mini stream holds.
    std::uint64_t MiniSectorCount() const { return m_rootSize / m_miniSectorSize; }
    std::uint64_t Size() const { return m_rootSize; }
    // The first sector of the mini stream (the root entry's start sector).
    std::uint32_t FirstSector() const { return m_rootStart; }
    // The mini allocation table entry of mini sector `mini`.
    std::uint32_t Next(std::uint32_t mini);
    // Number of entries the mini table can hold.
    std::uint64_t Capacity() const;
    // Every entry of the mini table (reads the whole table).
    std::vector<std::uint32_t> AllEntries();
    // Reads `length` bytes at `offset` inside mini sector `mini`.
    void Read(std::uint32_t mini, std::uint32_t offset, std::uint8_t* out, std::uint32_t length);
    // A whole mini chain, bounded like Fat::Chain.
    std::vector<std::uint32_t> Chain(std::uint32_t start, std::uint64_t maxSectors);
    // Where a mini sector lies: ordinary sector and offset in it.
    std::pair<std::uint32_t, std::uint32_t> Locate(std::uint32_t mini);
    LazyChain& Container() { return m_container; }
    LazyChain& TableChain() { return m_table; }

private:
    Fat& m_fat;
    std::uint32_t m_miniSectorSize;
    std::uint32_t m_rootStart;
    std::uint64_t m_rootSize;
    std::uint64_t m_tableSectors;
    LazyChain m_container; // sectors of the mini stream
    LazyChain m_table;     // sectors of the mini allocation table
};

// The mini table and the mini stream as one save changes them. A new mini sector is a free
// one inside the mini stream or one added at its end; the mini table, held in memory, reaches
// the file through `WriteTable`.
class MiniStreamEditor {
public:
    // Reads the whole mini table of `committed` and reserves the sectors of the mini stream and
    // the mini table in `table`.
    MiniStreamEditor(FatEditor& table, MiniStream& committed);

    // A mini sector for new content, marked as the end of a chain.
    std::uint32_t Allocate();
    // Sets the mini table entry of `mini`, growing the table when it does not reach that far.
    void Set(std::uint32_t mini, std::uint32_t value);
    // Writes `content` into newly allocated mini sectors linked in order; returns the first
    // (kEndOfChain for no content).
    std::uint32_t WriteChain(const std::vector<std::uint8_t>& content);
    // Frees the mini chain of `size` bytes that starts at `start`.
    void FreeChain(std::uint32_t start, std::uint64_t size);
    // Puts the changed mini table sectors into the save; called after the table's last change.
    void WriteTable();
    // The start sector and size the root entry must give the mini stream, when they changed.
    std::optional<std::pair<std::uint32_t, std::uint64_t>> MovedRoot() const;
    // Links the chains of the mini stream and the mini table and puts the table's place into
    // `header`.
    void Finish(Header& header);

private:
    void Write(std::uint32_t mini, const std::uint8_t* data, std::size_t length);

    MiniStream& m_committed;
    std::uint32_t m_sectorSize;
    std::uint32_t m_miniSectorSize;
    std::uint32_t m_entriesPerSector;
    EditedChain m_container;  // sectors of the mini stream
    EditedChain m_tableChain; // sectors of the mini table
    std::vector<std::uint32_t> m_entries;
    std::set<std::uint32_t> m_changedTableSectors; // indexes into m_tableChain
    std::vector<std::uint32_t> m_freeMiniSectors;
    std::size_t m_nextFree = 0;
    std::uint64_t m_miniSectorCount; // mini sectors the mini stream holds
};

} // namespace cfb
