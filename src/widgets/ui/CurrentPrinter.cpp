#include "widgets/ui/CurrentPrinter.h"

#include <QPrinterInfo>

namespace {

// Used from the user-interface thread only, like every printing call.
QString& lastChosen()
{
    static QString name;
    return name;
}

} // namespace

QString CurrentPrinterName()
{
    return lastChosen().isEmpty() ? QPrinterInfo::defaultPrinterName() : lastChosen();
}

void PrinterChosen(const QString& name)
{
    if (!name.isEmpty())
        lastChosen() = name;
}
