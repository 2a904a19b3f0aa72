#pragma once
// Which file a directory entry stands for, whatever it is called: a rename keeps it, a new file
// under the old name has another one. The undo journal records it to tell the file it renamed
// from one that took its name since, and a save compares it to write only the file it read.

#include <cstdint>
#include <filesystem>
#include <string>

namespace platform {

// "device:file number" of the entry at Path itself (a symbolic link is not followed); empty
// when nothing is there or the file system gives no such number.
std::string FileIdentity(const std::filesystem::path& path);

// The same for a file already open: `handle` is a file descriptor, or a Windows HANDLE
// (PositionedFile::Identity). Empty when the system gives no number.
std::string OpenFileIdentity(std::intptr_t handle);

// True when the entry at `path` itself is a symbolic link (on Windows, any reparse point).
bool IsSymbolicLink(const std::filesystem::path& path);

} // namespace platform
