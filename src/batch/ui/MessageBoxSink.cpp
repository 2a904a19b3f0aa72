#include "batch/ui/MessageBoxSink.h"

#include "widgets/ui/arMessageBox.h"

void MessageBoxSink::Information(const QString& caption, const QString& text)
{
    arMessageBox(caption, text, {QStringLiteral("Ok")}, miInformation, 0, poMainFormCenter, true, m_owner);
}
