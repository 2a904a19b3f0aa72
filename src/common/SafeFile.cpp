#include "common/SafeFile.h"

#include "common/FsPath.h"
#include "platform/WholeFile.h"

namespace {

QString ReasonOf(const QString& fileName, const std::error_code& ec)
{
    // The platform refuses what is no regular file; say what it is instead.
    if (ec == std::errc::is_a_directory || ec == std::errc::not_supported) {
        QString kind = NotARegularFileReason(fileName);
        if (!kind.isEmpty()) {
            kind[0] = kind[0].toUpper();
            return kind + u'.';
        }
    }
    return ErrorText(ec);
}

} // namespace

bool ReadFileContents(const QString& fileName, QByteArray& contents, QString* reason)
{
    std::string bytes;
    std::error_code ec;
    if (!platform::ReadRegularFile(ToFsPath(fileName), bytes, ec)) {
        contents.clear();
        if (reason)
            *reason = ReasonOf(fileName, ec);
        return false;
    }
    contents = QByteArray(bytes.data(), qsizetype(bytes.size()));
    return true;
}

bool ReplaceFileContents(const QString& fileName, const QByteArray& contents, QString* reason)
{
    std::error_code ec;
    if (platform::ReplaceWholeFile(ToFsPath(fileName), contents.toStdString(), ec))
        return true;
    if (reason)
        *reason = ReasonOf(fileName, ec);
    return false;
}
