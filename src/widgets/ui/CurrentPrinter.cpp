#include "widgets/ui/CurrentPrinter.h"

#include <QPrinterInfo>

namespace {

// Used from the user-interface thread only, like every printing call.
QString& LastChosen()
{
    static QString name;
    return name;
}

} // namespace

QString CurrentPrinterName()
{
    return LastChosen().isEmpty() ? QPrinterInfo::defaultPrinterName() : LastChosen();
}

void PrinterChosen(const QString& name)
{
    if (!name.isEmpty())
        LastChosen() = name;
}
