#include "Console.h"

#include "common/FsPath.h"
#include "platform/ConsoleText.h"

#include <string>

using namespace Qt::StringLiterals;

void Print(std::FILE* to, const QString& text)
{
    // Text without such bytes (no lone surrogates) takes Qt's faster conversion to the same bytes.
    if (text.isValidUtf16()) {
        const QByteArray bytes = text.toUtf8();
        platform::WriteText(to, std::string_view(bytes.constData(), std::size_t(bytes.size())));
        return;
    }
    platform::WriteText(to, ToNativeBytes(text));
}

void Error(const QString& text)
{
    Print(stderr, u"docprops: "_s + text + u'\n');
}
