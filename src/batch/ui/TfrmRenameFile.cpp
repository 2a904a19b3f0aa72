#include "batch/ui/TfrmRenameFile.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TfrmRenameFile::TfrmRenameFile(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setWindowTitle(QStringLiteral("Rename file"));
    setFixedSize(318, 116);

    m_gbRenameFile = new QGroupBox(this);
    m_gbRenameFile->setObjectName(QStringLiteral("gbRenameFile"));
    m_gbRenameFile->setGeometry(8, 4, 302, 72);

    m_lblOldName = new QLabel(QStringLiteral("Old name:"), m_gbRenameFile);
    m_lblOldName->setGeometry(10, 14, 66, 21);
    m_edOldName = new QLineEdit(m_gbRenameFile);
    m_edOldName->setObjectName(QStringLiteral("edOldName"));
    m_edOldName->setGeometry(80, 14, 212, 21);
    m_edOldName->setEnabled(false);

    m_lblNewName = new QLabel(QStringLiteral("New name:"), m_gbRenameFile);
    m_lblNewName->setGeometry(10, 42, 66, 21);
    m_edNewName = new QLineEdit(m_gbRenameFile);
    m_edNewName->setObjectName(QStringLiteral("edNewName"));
    m_edNewName->setGeometry(80, 42, 212, 21);
    m_lblNewName->setBuddy(m_edNewName);

    m_btnRename = new QPushButton(QStringLiteral("Rename"), this);
    m_btnRename->setObjectName(QStringLiteral("btnRename"));
    m_btnRename->setGeometry(154, 84, 75, 25);
    m_btnRename->setDefault(true);
    m_btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_btnCancel->setObjectName(QStringLiteral("btnCancel"));
    m_btnCancel->setGeometry(235, 84, 75, 25);
    m_btnCancel->setAutoDefault(false);

    connect(m_btnRename, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    m_edNewName->setFocus();
}

void TfrmRenameFile::SetOldName(const QString& name)
{
    m_edOldName->setText(name);
}

QString TfrmRenameFile::NewName() const
{
    return m_edNewName->text();
}
