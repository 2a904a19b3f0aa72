#include "compound/Header.h"

#include "compound/Cfb.h"

#include <cstring>

namespace cfb {

namespace {
constexpr std::uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
}

Header Header::Parse(const std::uint8_t* bytes, std::size_t length)
{
    if (length < kSize || std::memcmp(bytes, kSignature, sizeof kSignature) != 0)
        throw Error("not a compound file");
    Header h;
    std::memcpy(h.raw.data(), bytes, kSize);
    const std::uint8_t* p = h.raw.data();
    h.majorVersion = Get16(p + 26);
    if (Get16(p + 28) != 0xFFFE)
        throw Error("unsupported byte order in the header");
    h.sectorShift = Get16(p + 30);
    h.miniSectorShift = Get16(p + 32);
    // Version 3 means 512-byte sectors and version 4 4096-byte sectors; trust the shift itself
    // as long as it is one of the two, since some writers get the version field wrong.
    if (h.sectorShift != 9 && h.sectorShift != 12)
        throw Error("unsupported sector size in the header");
    if (h.miniSectorShift < 2 || h.miniSectorShift >= h.sectorShift)
        throw Error("unsupported mini sector size in the header");
    h.numDirSectors = Get32(p + 40);
    h.numFatSectors = Get32(p + 44);
    h.firstDirSector = Get32(p + 48);
    h.miniStreamCutoff = Get32(p + 56);
    h.firstMiniFatSector = Get32(p + 60);
    h.numMiniFatSectors = Get32(p + 64);
    h.firstDifatSector = Get32(p + 68);
    h.numDifatSectors = Get32(p + 72);
    for (std::size_t i = 0; i < kHeaderDifat; ++i)
        h.difat[i] = Get32(p + 76 + 4 * i);
    if (h.firstDirSector > kMaxRegSect)
        throw Error("the header names no directory");
    return h;
}

std::array<std::uint8_t, Header::kSize> Header::Serialize() const
{
    std::array<std::uint8_t, kSize> out = raw;
    std::uint8_t* p = out.data();
    Put32(p + 40, numDirSectors);
    Put32(p + 44, numFatSectors);
    Put32(p + 48, firstDirSector);
    Put32(p + 60, firstMiniFatSector);
    Put32(p + 64, numMiniFatSectors);
    Put32(p + 68, firstDifatSector);
    Put32(p + 72, numDifatSectors);
    for (std::size_t i = 0; i < kHeaderDifat; ++i)
        Put32(p + 76 + 4 * i, difat[i]);
    return out;
}

} // namespace cfb
