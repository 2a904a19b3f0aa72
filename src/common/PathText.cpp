#include "common/PathText.h"

namespace {

bool HasDrivePrefix(const QString& path)
{
    return path.size() >= 2 && path.at(1) == u':' && path.at(0).isLetter() && path.at(0).unicode() < 128;
}

bool IsDriveColonAt(const QString& path, qsizetype i, PathStyle style)
{
    return i == 1 && style == PathStyle::Windows && HasDrivePrefix(path);
}

} // namespace

QChar NativeSeparator()
{
    return platform::kNativePathStyle == PathStyle::Windows ? u'\\' : u'/';
}

PathStyle GuessPathStyle(const QString& path)
{
    if (platform::kNativePathStyle == PathStyle::Windows)
        return PathStyle::Windows;
    if (path.startsWith(u'/'))
        return PathStyle::Posix;
    return HasDrivePrefix(path) || path.contains(u'\\') ? PathStyle::Windows : PathStyle::Posix;
}

bool IsPathSeparator(QChar c, PathStyle style)
{
    return c == u'/' || (c == u'\\' && style == PathStyle::Windows);
}

qsizetype LastDelimiter(const QString& path, PathStyle style)
{
    for (qsizetype i = path.size() - 1; i >= 0; --i) {
        if (IsPathSeparator(path.at(i), style) || IsDriveColonAt(path, i, style))
            return i;
    }
    return -1;
}

QChar SeparatorFor(const QString& directory, PathStyle style)
{
    if (style == PathStyle::Posix)
        return u'/';
    const qsizetype back = directory.lastIndexOf(u'\\');
    const qsizetype slash = directory.lastIndexOf(u'/');
    return slash > back ? u'/' : u'\\';
}

QString JoinPath(const QString& directory, const QString& name, PathStyle style)
{
    if (!directory.isEmpty() && IsPathSeparator(directory.back(), style))
        return directory + name;
    return directory + SeparatorFor(directory, style) + name;
}

QString IncludeTrailingPathDelimiter(const QString& folder, PathStyle style)
{
    if (folder.isEmpty() || IsPathSeparator(folder.back(), style))
        return folder;
    return folder + SeparatorFor(folder, style);
}

QString ExtractFileName(const QString& path, PathStyle style)
{
    return path.mid(LastDelimiter(path, style) + 1);
}

qsizetype LastDelimiter(const QString& path)
{
    return LastDelimiter(path, GuessPathStyle(path));
}

QChar SeparatorFor(const QString& directory)
{
    return SeparatorFor(directory, GuessPathStyle(directory));
}

QString JoinPath(const QString& directory, const QString& name)
{
    return JoinPath(directory, name, GuessPathStyle(directory));
}

QString IncludeTrailingPathDelimiter(const QString& folder)
{
    return IncludeTrailingPathDelimiter(folder, GuessPathStyle(folder));
}

QString ExtractFileName(const QString& path)
{
    return ExtractFileName(path, GuessPathStyle(path));
}
