#pragma once
// Whole-file copy, rename and folder creation for the batch runs. No Qt; paths are
// std::filesystem paths, errors come back as std::error_code (never as exceptions).
//
// Guarantees every function here keeps, whatever goes wrong:
// - a copy never truncates or damages its source, also when source and target are the same file
//   (the same directory entry, a hard link, or a symbolic link to it): that copy simply fails;
// - a copy is written under a temporary name in the target's folder and renamed into place only
//   when complete, so a copy that fails half-way (read error, disk full, file size limit, a
//   cancel, an interrupt) leaves no partial file under the target's name nor a temporary one,
//   and with replacing on, the old target is still there untouched;
// - a rename never replaces an existing file, even when one appears at the last moment.
//
// The temporary name is ".krdl-copy-" and six letters or digits. A copy holds its temporary
// open and locked until it has its final name or is gone, so that RemoveLeftoverCopies can tell
// the temporary of a running copy from one whose process died (killed, a power cut).

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <system_error>
#include <vector>

namespace platform {

enum class CopyMode {
    FailIfExists, // an existing target makes the copy fail (exclusive create)
    Replace,      // an existing target is replaced once the new copy is complete
};

// Asked now and then while a copy runs; true stops it (it then fails with operation_canceled).
using CopyCancelled = std::function<bool()>;

// Copies the regular file `from` to `to`: contents, permissions and modification time.
// Returns true on success; otherwise false with the reason in ec.
bool CopyWholeFile(const std::filesystem::path& from, const std::filesystem::path& to, CopyMode mode,
                   std::error_code& ec, const CopyCancelled& cancelled = {});

// Removes from the folder `dir` the temporaries that copies into it left behind: each regular file
// named exactly like a copy's temporary, not changed after `changedBefore`, that no running copy
// holds. A folder, a symbolic link, any other name, a file changed later, and a file whose lock
// cannot be checked (no access, no locks on the file system) are left alone. Returns the paths
// removed; a folder that cannot be read gives none.
std::vector<std::filesystem::path> RemoveLeftoverCopies(const std::filesystem::path& dir,
                                                        std::chrono::system_clock::time_point changedBefore);

// Renames `from` to `to`; fails (ec = file_exists) when `to` exists, and never replaces it. A new name
// longer than common file systems take fails with filename_too_long.
bool RenameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to, std::error_code& ec);

// The longest name of one folder entry that common file systems take, in the unit that they
// measure it by: bytes of the name on POSIX, UTF-16 code units on Windows.
inline constexpr std::size_t kLongestName = 255;
#ifdef _WIN32
inline constexpr const char* kNameLengthUnit = "characters";
#else
inline constexpr const char* kNameLengthUnit = "bytes";
#endif
// The length of `name` in that unit.
std::size_t NameLength(const std::filesystem::path& name);

// Creates one folder level; its parent must exist. Fails when anything exists under that name.
bool CreateOneDirectory(const std::filesystem::path& dir, std::error_code& ec);

// True when the path names an existing folder (symbolic links followed).
bool DirectoryExists(const std::filesystem::path& dir);

// True when something exists under the path (symbolic links followed).
bool PathExists(const std::filesystem::path& path);

#ifndef _WIN32
namespace detail {
// The hard-link way of RenameNoReplace, used where the file system cannot rename without
// replacing by itself; callable on its own so that it can be checked everywhere.
bool RenameByLink(const std::filesystem::path& from, const std::filesystem::path& to, std::error_code& ec);
} // namespace detail
#endif

} // namespace platform
