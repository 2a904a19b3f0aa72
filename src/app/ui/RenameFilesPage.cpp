#include "app/ui/RenameFilesPage.h"

#include "batch/RenameUndo.h"
#include "batch/TarRenameFiles.h"
#include "batch/ui/MessageBoxSink.h"
#include "batch/ui/TarFrmProgressDialog.h"
#include "filelist/ui/FileListModel.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

RenameFilesPage::RenameFilesPage(FileListModel& files, QAction* actRenameFiles, QAction* actUndoRename,
                                 QWidget* parent)
    : OperationPage(u"tbshRenameFiles"_s, files, parent)
{
    Content()->addWidget(new QLabel(u"Old text"_s, this));
    m_edOldText = new QLineEdit(this);
    m_edOldText->setObjectName(u"edOldText"_s);
    Content()->addWidget(m_edOldText);
    Content()->addWidget(new QLabel(u"New text"_s, this));
    m_edNewText = new QLineEdit(this);
    m_edNewText->setObjectName(u"edNewText"_s);
    Content()->addWidget(m_edNewText);
    m_chkCaseSensitive = new QCheckBox(u"Case sensitive"_s, this);
    m_chkCaseSensitive->setObjectName(u"chkCaseSensitive"_s);
    m_chkCaseSensitive->setChecked(true);
    Content()->addWidget(m_chkCaseSensitive);
    AddCommandButton(actRenameFiles, u"btnRenameFiles"_s);
    Content()->addStretch();
    AddCommandButton(actUndoRename, u"btnUndoRename"_s);

    connect(m_edOldText, &QLineEdit::textChanged, this, &OperationPage::InputsChanged);
    connect(m_edNewText, &QLineEdit::textChanged, this, &OperationPage::InputsChanged);
}

bool RenameFilesPage::HasTexts() const
{
    return !m_edOldText->text().isEmpty() && !m_edNewText->text().isEmpty();
}

void RenameFilesPage::actRenameFilesExecute()
{
    ProgressDialogFactory progress(window());
    TarRenameFiles rename(progress);
    rename.oldText = m_edOldText->text();
    rename.newText = m_edNewText->text();
    rename.caseSensitive = m_chkCaseSensitive->isChecked();
    rename.sourceFiles = CheckedFiles();
    rename.Execute();
    Files().Change([&rename](FileList& list) { rename.UpdateFileList(list); });
}

void RenameFilesPage::actUndoRenameExecute()
{
    ProgressDialogFactory progress(window());
    MessageBoxSink messages(window());
    RenameUndo undo(progress, messages);
    undo.Execute();
    Files().Change([&undo](FileList& list) { undo.UpdateFileList(list); });
}
