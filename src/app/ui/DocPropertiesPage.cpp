#include "app/ui/DocPropertiesPage.h"

#include "properties/ui/TfrmChangeCustomProp.h"

#include <QVBoxLayout>

using namespace Qt::StringLiterals;

DocPropertiesPage::DocPropertiesPage(FileListModel& files, QAction* actDocPropEdit, QWidget* parent)
    : OperationPage(u"tbshDocProperties"_s, files, parent)
{
    addNote(u"This tool will change, add or remove document properties from all selected files!"_s);
    addCommandButton(actDocPropEdit, u"btnEditList"_s);
    content()->addStretch();
}

void DocPropertiesPage::actDocPropEditExecute()
{
    TfrmChangeCustomProp::Execute(checkedFiles(), window());
}
