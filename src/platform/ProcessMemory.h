#pragma once
// How much memory this process has held at most, for the benchmarks' reports.

#include <cstdint>

namespace platform {

// The largest resident set (Windows: peak working set) of this process so far, in bytes; 0 when
// the system cannot tell.
std::uint64_t PeakResidentBytes();

} // namespace platform
