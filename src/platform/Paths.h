#pragma once
// Where the program and its per-user files live. UTF-8 paths, no Qt.

#include <filesystem>

namespace platform {

// Full path of the running executable.
std::filesystem::path ExecutablePath();

// Per-user configuration folder: %APPDATA% on Windows; $XDG_CONFIG_HOME or ~/.config elsewhere.
// KRDL_CONFIG_HOME, when set, takes the place of both (tests use it to keep away from the
// user's real files).
std::filesystem::path UserConfigDir();

// Per-user data folder for what the program keeps between runs (the undo journal):
// %LOCALAPPDATA% on Windows; $XDG_DATA_HOME or ~/.local/share elsewhere. KRDL_DATA_HOME takes
// the place of both.
std::filesystem::path UserDataDir();

// Per-user runtime folder for lock files: %LOCALAPPDATA%\Temp on Windows; $XDG_RUNTIME_DIR, or a
// private folder under the temporary folder, elsewhere. KRDL_RUNTIME_DIR takes the place of both.
std::filesystem::path UserRuntimeDir();

} // namespace platform
