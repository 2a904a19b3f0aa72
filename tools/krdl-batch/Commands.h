#pragma once
// The commands of krdl-batch, one file each: the rows of its command table (main.cpp).

#include "batch/BatchSinks.h"
#include "console/CommandLine.h"

console::ToolCommand CopyCommand();
console::ToolCommand RenameCommand();
console::ToolCommand ReportCommand();
console::ToolCommand UndoCommand();

// Some file failed, or the run was interrupted (also by a second Ctrl+C).
inline constexpr int kExitFailed = 2;

// The exit code of a run that began: 0 when every file succeeded.
inline int RunExitCode(const RunResult& result)
{
    return result.failed > 0 || result.cancelled ? kExitFailed : 0;
}
