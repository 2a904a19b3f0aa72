#pragma once
// The mini stream: small streams (below the header's cutoff, normally 4096 bytes) live in 64-byte
// mini sectors inside one ordinary stream, the root entry's stream, and are chained through the
// mini allocation table, itself a chain of ordinary sectors. Both are followed lazily.

#include "compound/Fat.h"

#include <cstdint>
#include <memory>
#include <unordered_map>
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
    std::uint64_t m_rootSize;
    std::uint64_t m_tableSectors;
    LazyChain m_container; // sectors of the mini stream
    LazyChain m_table;     // sectors of the mini allocation table
};

} // namespace cfb
