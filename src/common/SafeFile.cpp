#include "common/SafeFile.h"

#include <QSaveFile>

bool ReplaceFileContents(const QString& fileName, const QByteArray& contents, QString* reason)
{
    QSaveFile file(fileName);
    // Without this, a folder that denies creating the temporary file would make QSaveFile
    // write the target in place, which is exactly what this function must never do.
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly)) {
        if (reason)
            *reason = file.errorString();
        return false;
    }
    if (file.write(contents) != contents.size()) {
        if (reason)
            *reason = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (reason)
            *reason = file.errorString();
        return false;
    }
    return true;
}
