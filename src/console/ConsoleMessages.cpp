#include "console/ConsoleMessages.h"

#include "console/ConsoleOutput.h"

namespace console {

void ConsoleMessages::Information(const QString& caption, const QString& text)
{
    Q_UNUSED(caption);
    if (m_lines == NamedLines)
        Error(text);
    else
        PrintLine(stderr, text);
    m_shown = true;
}

} // namespace console
