#pragma once
// The form of a path to hand to the system's file functions. On Windows a path too long for the
// classic limit of 260 characters gets the "\\?\" prefix (absolute, normalised, with
// backslashes; "\\?\UNC\server\share\..." for a network path), which lifts that limit; shorter
// paths stay as they are, so their usual meaning (trailing dots and blanks dropped, either
// separator) is unchanged. Elsewhere the path is returned as it is.

#include <filesystem>

namespace platform {

std::filesystem::path::string_type SystemPath(const std::filesystem::path& path);

} // namespace platform
