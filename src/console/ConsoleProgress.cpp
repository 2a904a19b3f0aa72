#include "console/ConsoleProgress.h"

#include "common/FsPath.h"
#include "platform/Interrupt.h"

#include <string>

void WriteNativeLine(std::FILE* out, const QString& text)
{
    const std::string bytes = ToNativeBytes(text);
    std::fwrite(bytes.data(), 1, bytes.size(), out);
    std::fputc('\n', out);
}

bool ConsoleProgress::Stopped() const
{
    return platform::InterruptRequested();
}
