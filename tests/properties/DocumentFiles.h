#pragma once
// Copies of the fixture documents in a temporary folder, for the property access tests.

#include "support/TestFiles.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace docfiles {

inline QString Fixture(const char* name)
{
    return QStringLiteral(KRDL_SOURCE_DIR "/tests/data/compound/") + QString::fromUtf8(name);
}

// Copies a fixture into `dir` (writable) and returns the copy's path.
inline QString Copy(QTemporaryDir& dir, const char* name, const QString& as = QString())
{
    const QString target = dir.filePath(as.isEmpty() ? QString::fromUtf8(name) : as);
    testfiles::WriteBytes(target, testfiles::ReadBytes(Fixture(name)));
    return target;
}

struct Snapshot {
    QByteArray bytes;
    QDateTime modified;
    bool operator==(const Snapshot&) const = default;
};

inline Snapshot Take(const QString& path)
{
    return {testfiles::ReadBytes(path), QFileInfo(path).lastModified()};
}

} // namespace docfiles
