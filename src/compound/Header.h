#pragma once
// The header of a compound file: the first 512 bytes (version 3 files have 512-byte sectors,
// version 4 files 4096-byte sectors whose header sector is padded with zeros after byte 512).

#include "compound/Layout.h"

#include <array>
#include <cstdint>

namespace cfb {

struct Header {
    static constexpr std::size_t kSize = layout::header::kSize;
    static constexpr std::size_t kHeaderDifat = layout::header::kDifatEntries;

    std::array<std::uint8_t, kSize> raw{}; // the bytes as read; fields not listed below stay as they were
    std::uint16_t majorVersion = 3;
    std::uint32_t sectorShift = 9;
    std::uint32_t miniSectorShift = 6;
    std::uint32_t directorySectorCount = 0;
    std::uint32_t fatSectorCount = 0;
    std::uint32_t firstDirectorySector = 0;
    std::uint32_t miniStreamCutoff = 4096;
    std::uint32_t firstMiniFatSector = 0;
    std::uint32_t miniFatSectorCount = 0;
    std::uint32_t firstDifatSector = 0;
    std::uint32_t difatSectorCount = 0;
    std::array<std::uint32_t, kHeaderDifat> difat{};

    std::uint32_t SectorSize() const { return 1u << sectorShift; }
    std::uint32_t MiniSectorSize() const { return 1u << miniSectorShift; }
    // Offset of sector `sector` in the file: the header takes the place of sector -1.
    std::uint64_t SectorOffset(std::uint32_t sector) const
    {
        return (static_cast<std::uint64_t>(sector) + 1) << sectorShift;
    }

    // Checks the signature and the sizes it depends on. Throws cfb::Error("not a compound file")
    // when the signature is wrong, another cfb::Error when a field is impossible.
    static Header Parse(const std::uint8_t* bytes, std::size_t length);
    // The raw header with the fields above written into it.
    std::array<std::uint8_t, kSize> Serialize() const;
};

} // namespace cfb
