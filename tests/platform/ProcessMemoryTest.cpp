// The peak memory the benchmarks report follows what the process really touched, in bytes.
#include "platform/ProcessMemory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

TEST(ProcessMemory, PeakCoversTouchedMemory)
{
    const std::uint64_t before = platform::PeakResidentBytes();
    ASSERT_GT(before, 0u);
    const std::size_t size = 64u << 20;
    std::vector<unsigned char> block(size);
    for (std::size_t i = 0; i < size; i += 4096)
        block[i] = static_cast<unsigned char>(i >> 12);
    const std::uint64_t after = platform::PeakResidentBytes();
    EXPECT_GE(after, before);
    EXPECT_GE(after, size) << int(block[size - 4096]);
}
