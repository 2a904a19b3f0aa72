#include "compound/Header.h"

#include "compound/Cfb.h"

#include <cstring>

namespace cfb {

namespace at = layout::header;

Header Header::Parse(const std::uint8_t* bytes, std::size_t length)
{
    if (length < kSize || std::memcmp(bytes + at::kSignature, at::kSignatureBytes, sizeof at::kSignatureBytes) != 0)
        throw Error("not a compound file");
    Header header;
    std::memcpy(header.raw.data(), bytes, kSize);
    const std::uint8_t* fields = header.raw.data();
    header.majorVersion = Get16(fields + at::kMajorVersion);
    if (Get16(fields + at::kByteOrder) != at::kLittleEndian)
        throw Error("unsupported byte order in the header");
    header.sectorShift = Get16(fields + at::kSectorShift);
    header.miniSectorShift = Get16(fields + at::kMiniSectorShift);
    // Version 3 means 512-byte sectors and version 4 4096-byte sectors; trust the shift itself
    // as long as it is one of the two, since some writers get the version field wrong.
    if (header.sectorShift != 9 && header.sectorShift != 12)
        throw Error("unsupported sector size in the header");
    if (header.miniSectorShift < 2 || header.miniSectorShift >= header.sectorShift)
        throw Error("unsupported mini sector size in the header");
    header.directorySectorCount = Get32(fields + at::kDirectorySectorCount);
    header.fatSectorCount = Get32(fields + at::kFatSectorCount);
    header.firstDirectorySector = Get32(fields + at::kFirstDirectorySector);
    header.miniStreamCutoff = Get32(fields + at::kMiniStreamCutoff);
    header.firstMiniFatSector = Get32(fields + at::kFirstMiniFatSector);
    header.miniFatSectorCount = Get32(fields + at::kMiniFatSectorCount);
    header.firstDifatSector = Get32(fields + at::kFirstDifatSector);
    header.difatSectorCount = Get32(fields + at::kDifatSectorCount);
    for (std::size_t i = 0; i < kHeaderDifat; ++i)
        header.difat[i] = Get32(fields + at::kDifat + 4 * i);
    if (header.firstDirectorySector > kMaxRegSect)
        throw Error("the header names no directory");
    return header;
}

std::array<std::uint8_t, Header::kSize> Header::Serialize() const
{
    std::array<std::uint8_t, kSize> out = raw;
    std::uint8_t* fields = out.data();
    Put32(fields + at::kDirectorySectorCount, directorySectorCount);
    Put32(fields + at::kFatSectorCount, fatSectorCount);
    Put32(fields + at::kFirstDirectorySector, firstDirectorySector);
    Put32(fields + at::kFirstMiniFatSector, firstMiniFatSector);
    Put32(fields + at::kMiniFatSectorCount, miniFatSectorCount);
    Put32(fields + at::kFirstDifatSector, firstDifatSector);
    Put32(fields + at::kDifatSectorCount, difatSectorCount);
    for (std::size_t i = 0; i < kHeaderDifat; ++i)
        Put32(fields + at::kDifat + 4 * i, difat[i]);
    return out;
}

} // namespace cfb
