#include "app/ui/DocPropertiesPage.h"

#include "properties/PropertyUndo.h"
#include "batch/ui/MessageBoxSink.h"
#include "batch/ui/TarFrmProgressDialog.h"
#include "properties/ui/TfrmChangeCustomProp.h"

#include <QVBoxLayout>

using namespace Qt::StringLiterals;

DocPropertiesPage::DocPropertiesPage(FileListModel& files, Desktop& desktop, QAction* actDocPropEdit,
                                     QAction* actUndoPropertySave, QWidget* parent)
    : OperationPage(u"tbshDocProperties"_s, files, parent), m_desktop(desktop)
{
    AddNote(u"This tool will change, add or remove document properties from all selected files!"_s);
    AddCommandButton(actDocPropEdit, u"btnEditList"_s);
    Content()->addStretch();
    AddCommandButton(actUndoPropertySave, u"btnUndoPropertySave"_s);
}

void DocPropertiesPage::actDocPropEditExecute()
{
    TfrmChangeCustomProp::Execute(m_desktop, CheckedFiles(), window());
}

void DocPropertiesPage::actUndoPropertySaveExecute()
{
    ProgressDialogFactory progress(window());
    MessageBoxSink messages(window());
    PropertyUndo undo(progress, messages);
    undo.Execute();
}
