#include "console/ConsoleProgress.h"

#include "console/ConsoleOutput.h"
#include "platform/Interrupt.h"

namespace console {

void ConsoleProgress::AddLine(const QString& text)
{
    PrintLine(stdout, text);
}

bool ConsoleProgress::Stopped() const
{
    return platform::InterruptRequested();
}

} // namespace console
