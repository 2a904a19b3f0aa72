#pragma once
// What the fuzz targets share. A broken invariant ends the run as a crash does, so that
// libFuzzer keeps the input that broke it and the run fails; a target then reports logic
// faults (a round trip that changes data, two readings that disagree), not only crashes.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

// Ends the process with `what` on standard error when `holds` is false.
inline void Require(bool holds, const char* what)
{
    if (holds)
        return;
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

// A number drawn from the input's bytes (FNV-1a), for choices such as where to cut the input
// into pieces: the same input always makes the same choices, so a finding reproduces.
inline std::uint64_t InputHash(std::string_view bytes)
{
    std::uint64_t hash = 14695981039346656037ull;
    for (const char b : bytes)
        hash = (hash ^ static_cast<unsigned char>(b)) * 1099511628211ull;
    return hash;
}
