#pragma once
// Forcing what was written out of the system's cache onto the disk, for files the program
// writes whole (the undo journal) and for the folders that hold them.

#include <filesystem>

namespace platform {

// Makes the file's data, or for a folder its entries (a file just renamed into it), durable
// (fsync; FlushFileBuffers for a file on Windows, where the file system keeps folder entries
// safe by itself). Returns false when it cannot be opened or synchronised.
bool SyncToDisk(const std::filesystem::path& path);

} // namespace platform
