#include "common/FsPath.h"

#include "platform/PositionedFile.h"
#include "text/NativePath.h"

#include <QCoreApplication>

namespace {

// Not QString::fromUtf16, which drops a U+FEFF at the start as a byte order mark: a name may
// start with one (the bytes EF BB BF).
QString FromUtf16(const std::u16string& s)
{
    return QStringView(s).toString();
}

std::u16string_view Utf16Of(const QString& s)
{
    return std::u16string_view(reinterpret_cast<const char16_t*>(s.utf16()), size_t(s.size()));
}

} // namespace

std::filesystem::path ToFsPath(const QString& path)
{
    return text::PathFromUtf16(Utf16Of(path));
}

QString FromFsPath(const std::filesystem::path& path)
{
    return FromUtf16(text::Utf16FromPath(path));
}

std::string ToNativeBytes(const QString& text)
{
    return text::NativeBytesFromUtf16(Utf16Of(text));
}

QString FromNativeBytes(std::string_view bytes)
{
    return FromUtf16(text::Utf16FromNativeBytes(bytes));
}

QStringList CommandLineArguments(int argc, char** argv)
{
    QStringList args;
    if constexpr (text::kNativeNamesAreUtf16) {
        args = QCoreApplication::arguments();
        if (!args.isEmpty())
            args.removeFirst();
    } else {
        for (int i = 1; i < argc; ++i)
            args.append(FromNativeBytes(argv[i]));
    }
    return args;
}

namespace {

QString ReasonFor(const QString& path, bool missingIsFine)
{
    using std::filesystem::file_type;
    std::error_code ec;
    file_type type = std::filesystem::status(ToFsPath(path), ec).type();
    if (type == file_type::not_found) {
        // A Windows device name ("NUL", "COM1") is found by no status(), but it opens.
        platform::PositionedFile probe;
        if (probe.Open(ToFsPath(path), platform::PositionedFile::Access::Read).problem
            == platform::PositionedFile::Problem::Device) {
            type = file_type::character;
            ec.clear();
        }
    }
    if (type == file_type::not_found && missingIsFine)
        return {};
    if (ec && type != file_type::not_found)
        return ErrorText(ec);
    switch (type) {
    case file_type::regular:
        return {};
    case file_type::not_found:
        return QStringLiteral("the file does not exist");
    case file_type::directory:
        return QStringLiteral("it is a folder");
    case file_type::fifo:
        return QStringLiteral("it is a FIFO");
    case file_type::socket:
        return QStringLiteral("it is a socket");
    case file_type::block:
    case file_type::character:
        return QStringLiteral("it is a device");
    default:
        return QStringLiteral("it is not a regular file");
    }
}

} // namespace

QString NotARegularFileReason(const QString& path)
{
    return ReasonFor(path, false);
}

QString SpecialFileReason(const QString& path)
{
    return ReasonFor(path, true);
}

QString ErrorText(const std::error_code& ec)
{
    return QString::fromLocal8Bit(ec.message());
}
