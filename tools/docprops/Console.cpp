#include "Console.h"

#include "common/FsPath.h"

#include <string>

using namespace Qt::StringLiterals;

void Print(std::FILE* to, const QString& text)
{
    // Text without such bytes (no lone surrogates) takes Qt's faster conversion to the same bytes.
    if (text.isValidUtf16()) {
        const QByteArray bytes = text.toUtf8();
        std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), to);
        return;
    }
    const std::string bytes = ToNativeBytes(text);
    std::fwrite(bytes.data(), 1, bytes.size(), to);
}

void Error(const QString& text)
{
    Print(stderr, u"docprops: "_s + text + u'\n');
}
