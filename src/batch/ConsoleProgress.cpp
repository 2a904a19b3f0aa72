#include "batch/ConsoleProgress.h"

#include "common/FsPath.h"
#include "platform/ConsoleText.h"
#include "platform/Interrupt.h"

#include <string>

void WriteNativeLine(std::FILE* out, const QString& text)
{
    platform::WriteText(out, ToNativeBytes(text) + '\n');
}

bool ConsoleProgress::Stopped() const
{
    return platform::InterruptRequested();
}
