#pragma once
// Small helpers for tests that work on real files in a temporary folder.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <ostream>

// GoogleTest prints QStrings (and lists of them) as text in failure messages.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace testfiles {

// Writes bytes to a file, creating missing folders; fails the test when it cannot.
void WriteBytes(const QString& path, const QByteArray& bytes);
// The whole file, or an empty array when it cannot be read.
QByteArray ReadBytes(const QString& path);

} // namespace testfiles
