#pragma once
// Whole files the program reads and replaces (list, INI, property set and seed files), by the
// one path conversion of common/FsPath.h.
//
// Reading never blocks: a folder, FIFO, socket or device in the place of the file is refused.
// Replacing writes the new content to a temporary file in the same folder, flushes it, and
// renames it over the old file. A failure at any point leaves the old file as it was and no
// temporary file behind.

#include <QByteArray>
#include <QString>

// Returns true on success; otherwise false with the reason in *reason.
bool ReadFileContents(const QString& fileName, QByteArray& contents, QString* reason = nullptr);
bool ReplaceFileContents(const QString& fileName, const QByteArray& contents, QString* reason = nullptr);
