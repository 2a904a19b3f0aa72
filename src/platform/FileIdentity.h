#pragma once
// Which file a directory entry stands for, whatever it is called: a rename keeps it, a new file
// under the old name has another one. The undo journal records it to tell the file it renamed
// from one that took its name since, a save compares it to write only the file it read, and a
// list of paths is told apart by it where two of its paths reach one file.

#include <cstdint>
#include <filesystem>
#include <string>

namespace platform {

// "device:file number" of the entry at `path` itself (a symbolic link is not followed); empty
// when nothing is there or the file system gives no such number.
std::string FileIdentity(const std::filesystem::path& path);

// The same for the file a read or write through `path` reaches: a symbolic link is followed.
// Paths that reach one file (written otherwise, or hard or symbolic links to it) give one identity.
std::string FileIdentityFollowingLinks(const std::filesystem::path& path);

// The same for a file already open: `handle` is a file descriptor, or a Windows `handle`
// (PositionedFile::Identity). Empty when the system gives no number.
std::string OpenFileIdentity(std::intptr_t handle);

// True when the entry at `path` itself is a symbolic link (on Windows, any reparse point).
bool IsSymbolicLink(const std::filesystem::path& path);

} // namespace platform
