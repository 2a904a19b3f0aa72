#pragma once
// Safe replacement of a whole file: the new content goes to a temporary file in the same
// folder, is flushed, and is then renamed over the old file. A failure at any point leaves
// the old file as it was and no temporary file behind.

#include <QByteArray>
#include <QString>

// Returns true on success; otherwise false with the platform's reason in *reason.
bool ReplaceFileContents(const QString& fileName, const QByteArray& contents, QString* reason = nullptr);
