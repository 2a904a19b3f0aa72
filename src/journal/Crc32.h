#pragma once
// CRC-32 as zlib, PNG and ZIP compute it (reflected polynomial 0xEDB88320, all bits set before
// and flipped after), for the record checksums of the undo journal.

#include <cstdint>
#include <string_view>

// The checksum of `bytes`. Given the checksum of what came before them as `previous`, it goes on
// from there: Crc32(b, Crc32(a)) == Crc32(a + b).
std::uint32_t Crc32(std::string_view bytes, std::uint32_t previous = 0);
