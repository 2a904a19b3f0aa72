#pragma once
// Path texts in both styles, by one set of rules: Windows paths (C:\Work\a.dft, \\server\share)
// and native POSIX paths (/home/u/a.dft). In the Windows style a backslash and a slash both
// separate folders and a colon counts only as the drive colon of a drive prefix (C:); in the
// POSIX style only the slash separates, and a backslash or a colon is part of a name.
//
// Every function takes the style the caller knows. The overloads without one are for texts of
// unknown origin (list files, INI values, file list entries) and use GuessPathStyle.

#include "platform/PathStyle.h"

#include <QString>

using platform::PathStyle;

// On Windows always the Windows style. Elsewhere a text that starts with a slash is a native
// path; a text that starts with a drive prefix or holds a backslash was written on Windows
// (C:\Work, C:, \\server\share); anything else is native.
PathStyle GuessPathStyle(const QString& path);

bool IsPathSeparator(QChar c, PathStyle style);

// Index of the last separator or drive colon, or -1.
qsizetype LastDelimiter(const QString& path, PathStyle style);
qsizetype LastDelimiter(const QString& path);

// The separator to put after `directory`. POSIX: a slash. Windows: a slash when the text uses
// slashes only, the one used last when it has both, a backslash otherwise.
QChar SeparatorFor(const QString& directory, PathStyle style);
QChar SeparatorFor(const QString& directory);

// `directory` + separator (unless it already ends with one) + name.
QString JoinPath(const QString& directory, const QString& name, PathStyle style);
QString JoinPath(const QString& directory, const QString& name);

// `folder` with a trailing separator added when missing (an empty folder stays empty).
QString IncludeTrailingPathDelimiter(const QString& folder, PathStyle style);
QString IncludeTrailingPathDelimiter(const QString& folder);

// Everything after the last separator or drive colon.
QString ExtractFileName(const QString& path, PathStyle style);
QString ExtractFileName(const QString& path);

// The native separator of this platform.
QChar NativeSeparator();
