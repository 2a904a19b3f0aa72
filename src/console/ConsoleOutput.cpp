#include "console/ConsoleOutput.h"

#include "common/FsPath.h"
#include "platform/ConsoleText.h"

#include <string>

using namespace Qt::StringLiterals;

namespace console {

namespace {

QString& ToolName()
{
    static QString name;
    return name;
}

} // namespace

void Print(std::FILE* to, const QString& text)
{
    // Text without escaped bytes (no lone surrogates) takes Qt's faster conversion to the same
    // bytes: `Print` carries every line of a `docprops show` over thousands of documents.
    if (text.isValidUtf16()) {
        const QByteArray bytes = text.toUtf8();
        platform::WriteText(to, std::string_view(bytes.constData(), std::size_t(bytes.size())));
        return;
    }
    platform::WriteText(to, ToNativeBytes(text));
}

void PrintLine(std::FILE* to, const QString& text)
{
    // One write with its line end: a Windows console gets the line as one piece of UTF-16.
    Print(to, text + u'\n');
}

void Error(const QString& text)
{
    Print(stderr, ToolName() + u": "_s + text + u'\n');
}

void SetToolName(const QString& name)
{
    ToolName() = name;
}

} // namespace console
