#include "journal/Crc32.h"

#include <array>

namespace {

// The remainder of each byte value, one bit at a time, worked out once at compile time.
constexpr std::array<std::uint32_t, 256> MakeTable()
{
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int bit = 0; bit < 8; ++bit)
            c = (c & 1u) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}

constexpr std::array<std::uint32_t, 256> kTable = MakeTable();

} // namespace

std::uint32_t Crc32(std::string_view bytes, std::uint32_t previous)
{
    std::uint32_t c = ~previous;
    for (const char b : bytes)
        c = kTable[(c ^ static_cast<unsigned char>(b)) & 0xFFu] ^ (c >> 8);
    return ~c;
}
