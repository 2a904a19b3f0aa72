#pragma once
// Basic vocabulary of the compound file engine: the error type, the special sector numbers and
// little-endian access to raw bytes. Nothing here knows about Qt.

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace cfb {

// Every failure of the engine: a damaged or unsupported file, a failed read or write.
class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Sector numbers with a special meaning in the allocation table.
inline constexpr std::uint32_t kMaxRegSect = 0xFFFFFFFAu;
inline constexpr std::uint32_t kDifSect = 0xFFFFFFFCu;
inline constexpr std::uint32_t kFatSect = 0xFFFFFFFDu;
inline constexpr std::uint32_t kEndOfChain = 0xFFFFFFFEu;
inline constexpr std::uint32_t kFreeSect = 0xFFFFFFFFu;
// "No entry" in the sibling and child links of the directory.
inline constexpr std::uint32_t kNoStream = 0xFFFFFFFFu;

// How many blocks of `blockSize` it takes to hold `length`.
inline constexpr std::uint64_t DivideRoundingUp(std::uint64_t length, std::uint64_t blockSize)
{
    return (length + blockSize - 1) / blockSize;
}

inline std::uint16_t Get16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t Get32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8)
        | (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline std::uint64_t Get64(const std::uint8_t* p)
{
    return static_cast<std::uint64_t>(Get32(p)) | (static_cast<std::uint64_t>(Get32(p + 4)) << 32);
}
inline void Put16(std::uint8_t* p, std::uint16_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void Put32(std::uint8_t* p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void Put64(std::uint8_t* p, std::uint64_t v)
{
    Put32(p, static_cast<std::uint32_t>(v));
    Put32(p + 4, static_cast<std::uint32_t>(v >> 32));
}

} // namespace cfb
