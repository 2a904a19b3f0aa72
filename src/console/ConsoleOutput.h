#pragma once
// Everything the command-line tools write to the terminal goes through here, so that a file
// name that is not UTF-8 reaches the terminal, a pipe or a log with the bytes it has on disk,
// in a log line, a result line or an error message alike (never through the locale).

#include <QString>

#include <cstdio>

namespace console {

// `text` as UTF-8, with the escaped bytes of file names (text/NativePath.h) as those bytes.
void Print(std::FILE* to, const QString& text);
// The same and a line end.
void PrintLine(std::FILE* to, const QString& text);

// The tool's name and ": ", then `text`, as a line on standard error.
void Error(const QString& text);
// The name `Error` starts its lines with; `RunTool` sets it.
void SetToolName(const QString& name);

} // namespace console
