#pragma once
// A small version 3 compound file spelled out sector by sector, with the engine's reader and
// table editor opened over it: the ground for tests of one layer's write half.

#include "compound/BlockFile.h"
#include "compound/Cfb.h"
#include "compound/Fat.h"

#include <algorithm>
#include <map>
#include <vector>

namespace literal {

using Bytes = std::vector<std::uint8_t>;
inline constexpr std::uint32_t kEnd = cfb::kEndOfChain, kFree = cfb::kFreeSect, kFat = cfb::kFatSect;

// A sector of 32-bit table entries (FAT, mini table): `entries`, then free ones.
inline Bytes TableSector(const std::vector<std::uint32_t>& entries)
{
    Bytes bytes(512, 0xFF);
    for (std::size_t i = 0; i < entries.size(); ++i)
        cfb::Put32(&bytes[4 * i], entries[i]);
    return bytes;
}

// `table` is the one FAT sector, sector 0, with an entry for every sector of the file (the rest
// of it free). Sector `i` is filled with the byte `i + 1` unless `contents` gives its bytes. The
// directory starts at sector 1; the mini table at `firstMiniFatSector`.
inline Bytes FileBytes(const std::vector<std::uint32_t>& table, const std::map<std::uint32_t, Bytes>& contents,
                       std::uint32_t firstMiniFatSector)
{
    Bytes bytes(512 * (table.size() + 1), 0);
    const std::uint8_t signature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    std::copy(std::begin(signature), std::end(signature), bytes.begin());
    cfb::Put16(&bytes[0x1A], 3);      // version
    cfb::Put16(&bytes[0x1C], 0xFFFE); // little-endian
    cfb::Put16(&bytes[0x1E], 9);      // 512-byte sectors
    cfb::Put16(&bytes[0x20], 6);      // 64-byte mini sectors
    cfb::Put32(&bytes[0x2C], 1);      // one FAT sector
    cfb::Put32(&bytes[0x30], 1);      // first directory sector
    cfb::Put32(&bytes[0x38], 4096);   // mini stream cutoff
    cfb::Put32(&bytes[0x3C], firstMiniFatSector);
    cfb::Put32(&bytes[0x44], kEnd);   // no DIFAT sector
    for (std::size_t i = 0; i < 109; ++i)
        cfb::Put32(&bytes[0x4C + 4 * i], i == 0 ? 0 : kFree);
    for (std::uint32_t sector = 0; sector < table.size(); ++sector) {
        const auto given = contents.find(sector);
        const Bytes fill = sector == 0               ? TableSector(table)
                           : given != contents.end() ? given->second
                                                     : Bytes(512, static_cast<std::uint8_t>(sector + 1));
        std::copy_n(fill.begin(), std::min<std::size_t>(fill.size(), 512), bytes.begin() + 512 * (sector + 1));
    }
    return bytes;
}

struct LiteralFile {
    explicit LiteralFile(const std::vector<std::uint32_t>& table, const std::map<std::uint32_t, Bytes>& contents = {},
                         std::uint32_t firstMiniFatSector = kEnd)
        : file(FileBytes(table, contents, firstMiniFatSector)),
          header(cfb::Header::Parse(file.Bytes().data(), 512)),
          sectors(file, header),
          fat(sectors),
          editor(fat, images)
    {
    }

    // A sector as the save leaves it: its new image, or else its committed bytes.
    const std::uint8_t* After(std::uint32_t sector)
    {
        const auto image = images.find(sector);
        return image != images.end() ? image->second.data() : sectors.Sector(sector);
    }
    // Finishes the table into `out` and returns the first `count` entries of its first sector.
    std::vector<std::uint32_t> FinishTable(cfb::Header& out, std::size_t count)
    {
        editor.Finish(out);
        std::vector<std::uint32_t> entries;
        for (std::size_t i = 0; i < count; ++i)
            entries.push_back(cfb::Get32(After(out.difat[0]) + 4 * i));
        return entries;
    }

    cfb::MemoryFile file;
    cfb::Header header;
    cfb::SectorReader sectors;
    cfb::Fat fat;
    cfb::SectorImages images;
    cfb::FatEditor editor;
};

} // namespace literal
