#pragma once
// Windows keeps who may change a file in its access list, not in mode bits: tests that need a file
// or folder other users may change grant Everyone that right. Windows only.

#include <filesystem>

namespace testfiles {

// Adds an entry to the access list of Path that grants Everyone the rights (GENERIC_WRITE,
// FILE_ADD_FILE, ...); false when the list cannot be read or written.
bool GrantEveryone(const std::filesystem::path& path, unsigned long rights);

} // namespace testfiles
