#pragma once
// The program's settings: the program INI file next to the executable, the per-user registry
// values, and the rule that makes configured paths relative to the program's folder.
// Nothing is cached: every read and write opens the file (or the store) and closes it again.

#include <QString>
#include <QStringList>

// Full path of the running executable. The windows take it from their `Desktop`, and every
// operation below that depends on it is given it as `programFileName`.
QString ProgramFileName();

// `programFileName` with its extension replaced by ".ini" (added when it has none).
QString ProgramIniFileName(const QString& programFileName);

// Value of `key` in `section` of `fileName`; empty when the file, the section or the key is missing.
QString IniReadString(const QString& fileName, const QString& section, const QString& key);
// Writes the value, creating file, section or key as needed; throws KrdlError
// "Unable to write to <file>" when the file cannot be written.
void IniWriteString(const QString& fileName, const QString& section, const QString& key, const QString& value);

// [InitialDir] of the program INI file.
QString ReadInitialDir(const QString& programFileName, const QString& key);
void WriteInitialDir(const QString& programFileName, const QString& key, const QString& folder);

// The program's folder in the per-user configuration folder (it may not exist yet).
QString UserConfigFolder();

// The per-user files the program reads and writes: the registry store (where there is no
// registry, or KRDL_CONFIG_HOME names a folder of its own) and the window position file.
QStringList UserSettingsFiles(const QString& programFileName);

// Per-user string values under a key path such as "Software\KARDOLIN\Nastavitve".
// A write that cannot be done is skipped silently; a missing value reads as empty text.
void RegWriteString(const QString& keyPath, const QString& name, const QString& value);
QString RegReadString(const QString& keyPath, const QString& name);

// A `value` whose first character is a backslash is relative to the folder of
// `programFileName`; any other value is used unchanged.
QString ResolveProgramPath(const QString& programFileName, const QString& value);
