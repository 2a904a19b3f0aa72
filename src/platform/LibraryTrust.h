#pragma once
// Whether a dynamic library may be loaded into this process. Code in a library runs with the
// user's rights the moment it is loaded, so a library that another user could have put in place
// (or could swap before it is loaded) is refused. No Qt.

#include <filesystem>

namespace platform {

enum class LibraryTrust {
    Trusted,
    Missing,          // nothing there, or the path cannot be resolved
    NotRegularFile,   // a folder, pipe, device, ...
    ForeignOwner,     // the file belongs to another user than this one or the system
    WritableByOthers, // the file may be changed by other users
    UnsafeFolder,     // a folder on the way may be changed by, or belongs to, another user
};

// Checks the file a path leads to, links resolved, and every folder above it.
// POSIX: the file must be a regular file owned by this user (effective id) or root and writable
// by neither group nor others; each folder above must be owned by this user or root and be
// writable by neither group nor others unless its sticky bit keeps others from replacing entries
// they do not own (as /tmp does).
// Windows: the owner must be this user, SYSTEM, the Administrators group or TrustedInstaller,
// and the access list may grant write, delete or permission changes to no one else; for each
// folder above, no one else may add or delete its entries or change its permissions.
LibraryTrust CheckLibraryTrust(const std::filesystem::path& path);

// The file name suffix of dynamic libraries here, with its dot: ".dll", ".dylib" or ".so".
const char* SharedLibrarySuffix();

} // namespace platform
