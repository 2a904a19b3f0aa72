#include "console/ConsoleOutput.h"

#include "common/FsPath.h"

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
        std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), to);
        return;
    }
    const std::string bytes = ToNativeBytes(text);
    std::fwrite(bytes.data(), 1, bytes.size(), to);
}

void PrintLine(std::FILE* to, const QString& text)
{
    Print(to, text);
    std::fputc('\n', to);
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
