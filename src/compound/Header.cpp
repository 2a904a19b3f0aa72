#include "compound/Header.h"

#include "compound/Cfb.h"

#include <cstring>

namespace cfb {

namespace at = layout::header;

Header Header::Parse(const std::uint8_t* bytes, std::size_t length)
{
    if (length < kSize || std::memcmp(bytes + at::kSignature, at::kSignatureBytes, sizeof at::kSignatureBytes) != 0)
        throw Error("not a compound file");
    Header h;
    std::memcpy(h.raw.data(), bytes, kSize);
    const std::uint8_t* p = h.raw.data();
    h.majorVersion = Get16(p + at::kMajorVersion);
    if (Get16(p + at::kByteOrder) != at::kLittleEndian)
        throw Error("unsupported byte order in the header");
    h.sectorShift = Get16(p + at::kSectorShift);
    h.miniSectorShift = Get16(p + at::kMiniSectorShift);
    // Version 3 means 512-byte sectors and version 4 4096-byte sectors; trust the shift itself
    // as long as it is one of the two, since some writers get the version field wrong.
    if (h.sectorShift != 9 && h.sectorShift != 12)
        throw Error("unsupported sector size in the header");
    if (h.miniSectorShift < 2 || h.miniSectorShift >= h.sectorShift)
        throw Error("unsupported mini sector size in the header");
    h.numDirSectors = Get32(p + at::kDirSectorCount);
    h.numFatSectors = Get32(p + at::kFatSectorCount);
    h.firstDirSector = Get32(p + at::kFirstDirSector);
    h.miniStreamCutoff = Get32(p + at::kMiniStreamCutoff);
    h.firstMiniFatSector = Get32(p + at::kFirstMiniFatSector);
    h.numMiniFatSectors = Get32(p + at::kMiniFatSectorCount);
    h.firstDifatSector = Get32(p + at::kFirstDifatSector);
    h.numDifatSectors = Get32(p + at::kDifatSectorCount);
    for (std::size_t i = 0; i < kHeaderDifat; ++i)
        h.difat[i] = Get32(p + at::kDifat + 4 * i);
    if (h.firstDirSector > kMaxRegSect)
        throw Error("the header names no directory");
    return h;
}

std::array<std::uint8_t, Header::kSize> Header::Serialize() const
{
    std::array<std::uint8_t, kSize> out = raw;
    std::uint8_t* p = out.data();
    Put32(p + at::kDirSectorCount, numDirSectors);
    Put32(p + at::kFatSectorCount, numFatSectors);
    Put32(p + at::kFirstDirSector, firstDirSector);
    Put32(p + at::kFirstMiniFatSector, firstMiniFatSector);
    Put32(p + at::kMiniFatSectorCount, numMiniFatSectors);
    Put32(p + at::kFirstDifatSector, firstDifatSector);
    Put32(p + at::kDifatSectorCount, numDifatSectors);
    for (std::size_t i = 0; i < kHeaderDifat; ++i)
        Put32(p + at::kDifat + 4 * i, difat[i]);
    return out;
}

} // namespace cfb
