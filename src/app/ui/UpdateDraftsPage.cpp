#include "app/ui/UpdateDraftsPage.h"

#include "automation/UpdateDrafts.h"
#include "automation/dispatch/AutomationServer.h"
#include "batch/ui/TarFrmProgressDialog.h"

#include <QVBoxLayout>

using namespace Qt::StringLiterals;

UpdateDraftsPage::UpdateDraftsPage(FileListModel& files, QAction* actUpdateDrafts, QWidget* parent)
    : OperationPage(u"tbshUpdateDrafts"_s, files, parent)
{
    AddNote(u"Update outdated views in selected drafts!"_s);
    AddCommandButton(actUpdateDrafts, u"btnUpdateDrafts"_s);
    Content()->addStretch();
}

void UpdateDraftsPage::actUpdateDraftsExecute()
{
    ProgressDialogFactory progress(window());
    UpdateDrafts run(SystemAutomationServer(), progress);
    run.files = CheckedFiles();
    run.Execute();
}
