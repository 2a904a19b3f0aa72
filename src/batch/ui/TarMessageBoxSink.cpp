#include "batch/ui/TarMessageBoxSink.h"

#include "widgets/ui/arMessageBox.h"

void TarMessageBoxSink::Information(const QString& caption, const QString& text)
{
    arMessageBox(caption, text, {QStringLiteral("Ok")}, miInformation, 0, poMainFormCenter, true, owner_);
}
