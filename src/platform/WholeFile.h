#pragma once
// Whole-file reads and replacements of the program's own small files (INI files, list files,
// property set and seed files). No Qt; errors come back as std::error_code.

#include <filesystem>
#include <string>
#include <system_error>

namespace platform {

// Reads the whole regular file at `path` into `bytes`. Never blocks and never opens anything else:
// a folder fails with is_a_directory, a FIFO, socket or device with not_supported.
bool ReadRegularFile(const std::filesystem::path& path, std::string& bytes, std::error_code& ec);

// Replaces the contents of the file at `path`: the bytes go to a new file in the same folder,
// are flushed to the disk, and that file is renamed over `path`; then the folder is flushed, so
// that once the call returns a power cut keeps the new content. A failure at any point leaves
// the old file as it was and no new file behind. A symbolic link is followed (its target is
// replaced, the link stays); an existing folder, FIFO, socket or device is refused as above.
// The old file's permissions carry over; a new file gets the usual ones of the process.
bool ReplaceWholeFile(const std::filesystem::path& path, const std::string& bytes, std::error_code& ec);

} // namespace platform
