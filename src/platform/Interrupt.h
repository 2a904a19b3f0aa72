#pragma once
// Ctrl+C, termination requests and the file size limit in the command-line tools.
//
// Without this, SIGINT or SIGTERM ends a tool in the middle of a write and SIGXFSZ (a write past
// the file size limit) kills it without a word. With it, a first request only sets a flag that
// the runs poll (between files, and between the chunks of a copy, which then fails and removes
// its temporary file), so the run can log what happened and end with its own exit code. A write
// past the file size limit fails with EFBIG like one on a full disk. A second request ends the
// process at once with the given exit code, after removing the temporary file a copy is writing.
// On Windows the console's Ctrl+C, Ctrl+Break and close events take the place of the signals.

#include <filesystem>

namespace platform {

// Installs the handlers for the rest of the process's life.
void InstallInterruptHandlers(int exitCodeOnSecondRequest);

// True once an interrupt or termination request has arrived.
bool InterruptRequested();

// A write past the file size limit fails with EFBIG instead of ending the process. The
// program's window uses this alone: its runs are stopped with their own Cancel button.
void KeepRunningPastFileSizeLimit();

namespace detail {
// The temporary file being written, removed by the second request; an empty path for none.
// Used by the copy only.
void SetPendingTemporaryFile(const std::filesystem::path& path);
} // namespace detail

} // namespace platform
