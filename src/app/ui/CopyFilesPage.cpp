#include "app/ui/CopyFilesPage.h"

#include "batch/TarCopyFiles.h"
#include "batch/ui/TarFrmProgressDialog.h"
#include "batch/ui/MessageBoxSink.h"
#include "common/PathText.h"
#include "settings/Settings.h"
#include "settings/ui/Desktop.h"
#include "widgets/ui/ActionButton.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

CopyFilesPage::CopyFilesPage(FileListModel& files, Desktop& desktop, QAction* actCopyFilesBrowseForFolder,
                             QAction* actCopyFiles, QWidget* parent)
    : OperationPage(u"tbshCopyFiles"_s, files, parent), m_desktop(desktop)
{
    Content()->addWidget(new QLabel(u"Copy to directory"_s, this));
    m_edCopyFilesDir = new QLineEdit(this);
    m_edCopyFilesDir->setObjectName(u"edCopyFilesDir"_s);
    m_edCopyFilesDir->setFocusPolicy(Qt::ClickFocus);
    auto* btnCopyFilesDir = new ActionButton(actCopyFilesBrowseForFolder, ActionButton::ShowHint, this);
    btnCopyFilesDir->setObjectName(u"btnCopyFilesDir"_s);
    btnCopyFilesDir->setFixedWidth(28);
    auto* row = new QHBoxLayout();
    row->addWidget(m_edCopyFilesDir, 1);
    row->addWidget(btnCopyFilesDir);
    Content()->addLayout(row);
    m_chkOverwrite = new QCheckBox(u"Overwrite"_s, this);
    m_chkOverwrite->setObjectName(u"chkOverwrite"_s);
    Content()->addWidget(m_chkOverwrite);
    AddCommandButton(actCopyFiles, u"btnCopyFiles"_s);
    Content()->addStretch();
}

void CopyFilesPage::tbshCopyFilesShow()
{
    m_edCopyFilesDir->setText(ReadInitialDir(m_desktop.ProgramFileName(), u"AddDir"_s));
}

void CopyFilesPage::actCopyFilesBrowseForFolderExecute()
{
    QString folder = ReadInitialDir(m_desktop.ProgramFileName(), u"AddDir"_s);
    if (!m_desktop.BrowseDirectory(u"Browse directory"_s, QString(), folder, window()))
        return;
    folder = IncludeTrailingPathDelimiter(folder);
    m_edCopyFilesDir->setText(folder);
    WriteInitialDir(m_desktop.ProgramFileName(), u"AddDir"_s, folder);
}

void CopyFilesPage::actCopyFilesExecute()
{
    // The log window outlives this command: it deletes itself when the user closes it.
    ProgressDialogFactory progress(window());
    MessageBoxSink messages(window());
    TarCopyFiles copy(progress, messages);
    copy.destinationDir = m_edCopyFilesDir->text();
    copy.overwrite = m_chkOverwrite->isChecked();
    copy.sourceFiles = CheckedFiles();
    copy.Execute();
}
