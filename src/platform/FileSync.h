#pragma once
// Forcing written data out of the operating system's cache onto the disk.

#include <filesystem>

namespace platform {

// Makes the data written so far to the file at Path durable (fsync / FlushFileBuffers), so that
// a later write cannot reach the disk before it even after a power cut. Returns false when the
// file cannot be opened or synchronised.
bool SyncFileToDisk(const std::filesystem::path& path);

} // namespace platform
