#include "common/PathText.h"

namespace {

bool isDriveColonAt(const QString& path, qsizetype i)
{
    return i == 1 && path.at(1) == u':' && path.at(0).isLetter() && path.at(0).unicode() < 128;
}

} // namespace

QChar NativeSeparator()
{
#ifdef _WIN32
    return u'\\';
#else
    return u'/';
#endif
}

bool IsPathSeparator(QChar c)
{
    return c == u'\\' || c == u'/';
}

qsizetype LastDelimiter(const QString& path)
{
    for (qsizetype i = path.size() - 1; i >= 0; --i) {
        if (IsPathSeparator(path.at(i)) || isDriveColonAt(path, i))
            return i;
    }
    return -1;
}

QChar SeparatorFor(const QString& directory)
{
    const bool back = directory.contains(u'\\');
    const bool slash = directory.contains(u'/');
    if (back && !slash)
        return u'\\';
    if (slash && !back)
        return u'/';
    if (directory.size() >= 2 && isDriveColonAt(directory, 1))
        return u'\\';
    if (back && slash)
        return directory.lastIndexOf(u'\\') > directory.lastIndexOf(u'/') ? u'\\' : u'/';
    return NativeSeparator();
}

QString JoinPath(const QString& directory, const QString& name)
{
    if (!directory.isEmpty() && IsPathSeparator(directory.back()))
        return directory + name;
    return directory + SeparatorFor(directory) + name;
}

QString IncludeTrailingPathDelimiter(const QString& folder)
{
    if (folder.isEmpty() || IsPathSeparator(folder.back()))
        return folder;
    return folder + SeparatorFor(folder);
}

QString ExtractFileName(const QString& path)
{
    return path.mid(LastDelimiter(path) + 1);
}
