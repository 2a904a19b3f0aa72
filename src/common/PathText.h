#pragma once
// Path texts in both styles: Windows paths (C:\Work\a.dft) and native POSIX paths
// (/home/u/a.dft). Backslash and slash both separate folders; a colon counts only as the
// drive colon of a drive-letter prefix (C:), so POSIX names that contain a colon stay whole.

#include <QString>

// True for '\\' and '/'.
bool IsPathSeparator(QChar c);

// Index of the last separator or drive colon, or -1.
qsizetype LastDelimiter(const QString& path);

// The separator to put after Directory: the style the text already uses, a backslash after a
// drive prefix such as "C:", the native separator otherwise.
QChar SeparatorFor(const QString& directory);

// Directory + separator (unless it already ends with one) + name.
QString JoinPath(const QString& directory, const QString& name);

// Folder with a trailing separator added when missing (an empty folder stays empty).
QString IncludeTrailingPathDelimiter(const QString& folder);

// Everything after the last separator or drive colon.
QString ExtractFileName(const QString& path);

// The native separator of this platform.
QChar NativeSeparator();
