#pragma once
// The rules this platform's own paths follow.
//
// Windows: a backslash and a slash both separate folders, and "C:" at the start names a drive.
// POSIX: only the slash separates; a backslash or a colon is an ordinary character of a name.

namespace platform {

enum class PathStyle { Windows, Posix };

#ifdef _WIN32
inline constexpr PathStyle kNativePathStyle = PathStyle::Windows;
#else
inline constexpr PathStyle kNativePathStyle = PathStyle::Posix;
#endif

} // namespace platform
