#pragma once
// Where every field of the compound file's fixed structures lies: the header at the start of
// the file and the 128-byte directory entry. Reader and writer take their offsets from here
// only, so that a field is located in exactly one place.

#include <cstddef>
#include <cstdint>

namespace cfb::layout {

// The header: the first 512 bytes of the file (a version 4 file pads its header sector with
// zeros up to 4096 bytes).
namespace header {
inline constexpr std::size_t kSize = 512;
inline constexpr std::size_t kSignature = 0x00;       // 8 bytes D0 CF 11 E0 A1 B1 1A E1
inline constexpr std::size_t kClassId = 0x08;         // 16 bytes, normally zero
inline constexpr std::size_t kMinorVersion = 0x18;    // 16 bits
inline constexpr std::size_t kMajorVersion = 0x1A;    // 16 bits: 3 or 4
inline constexpr std::size_t kByteOrder = 0x1C;       // 16 bits: FFFE for little-endian
inline constexpr std::size_t kSectorShift = 0x1E;     // 16 bits: 9 or 12
inline constexpr std::size_t kMiniSectorShift = 0x20; // 16 bits: normally 6
inline constexpr std::size_t kDirectorySectorCount = 0x28;  // 32 bits, zero in version 3 files
inline constexpr std::size_t kFatSectorCount = 0x2C;
inline constexpr std::size_t kFirstDirectorySector = 0x30;
inline constexpr std::size_t kMiniStreamCutoff = 0x38;
inline constexpr std::size_t kFirstMiniFatSector = 0x3C;
inline constexpr std::size_t kMiniFatSectorCount = 0x40;
inline constexpr std::size_t kFirstDifatSector = 0x44;
inline constexpr std::size_t kDifatSectorCount = 0x48;
inline constexpr std::size_t kDifat = 0x4C;           // the first FAT sector locations, 4 bytes each
inline constexpr std::size_t kDifatEntries = (kSize - kDifat) / 4; // 109

inline constexpr std::uint16_t kLittleEndian = 0xFFFE;
inline constexpr std::uint8_t kSignatureBytes[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
} // namespace header

// One directory entry: a UTF-16 name of at most 31 characters and its terminator, then the
// entry's fields.
namespace entry {
inline constexpr std::size_t kSize = 128;
inline constexpr std::size_t kName = 0x00;         // 64 bytes of UTF-16LE
inline constexpr std::size_t kNameCapacity = 64;   // bytes, terminator included
inline constexpr std::size_t kNameLength = 0x40;   // 16 bits: bytes of the name, terminator included
inline constexpr std::size_t kType = 0x42;         // 8 bits, see EntryType
inline constexpr std::size_t kColor = 0x43;        // 8 bits, see Color
inline constexpr std::size_t kLeft = 0x44;         // 32 bits: sibling with a smaller name
inline constexpr std::size_t kRight = 0x48;        // 32 bits: sibling with a larger name
inline constexpr std::size_t kChild = 0x4C;        // 32 bits: root of a storage's own tree
inline constexpr std::size_t kClassId = 0x50;      // 16 bytes, storages only
inline constexpr std::size_t kStateBits = 0x60;    // 32 bits
inline constexpr std::size_t kCreated = 0x64;      // 64-bit FILETIME
inline constexpr std::size_t kModified = 0x6C;     // 64-bit FILETIME
inline constexpr std::size_t kStartSector = 0x74;  // 32 bits: first sector or mini sector
inline constexpr std::size_t kStreamSize = 0x78;   // 64 bits (version 3: only the low half counts)
} // namespace entry

// Each sector of the DIFAT chain lists FAT sector locations and ends with the location of the
// next DIFAT sector.
inline constexpr std::uint32_t DifatEntriesPerSector(std::uint32_t sectorSize) { return sectorSize / 4 - 1; }
inline constexpr std::size_t DifatNextLink(std::uint32_t sectorSize) { return sectorSize - 4; }

} // namespace cfb::layout
