#include "properties/ui/LocatePropseed.h"

#include "properties/PropertySeed.h"
#include "widgets/ui/arMessageBox.h"

using namespace Qt::StringLiterals;

bool LocatePropseedFile(const QString& programFileName, QString& path, QWidget* owner)
{
    path = PropseedFileName(programFileName);
    if (PropseedFileExists(path))
        return true;
    arMessageBox(u"Information"_s, CannotFindPropseedMessage(path), {u"Ok"_s}, miInformation, 0, poMainFormCenter,
                 true, owner);
    return false;
}
