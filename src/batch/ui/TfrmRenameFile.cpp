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

    gbRenameFile = new QGroupBox(this);
    gbRenameFile->setObjectName(QStringLiteral("gbRenameFile"));
    gbRenameFile->setGeometry(8, 4, 302, 72);

    lblOldName = new QLabel(QStringLiteral("Old name:"), gbRenameFile);
    lblOldName->setGeometry(10, 14, 66, 21);
    edOldName = new QLineEdit(gbRenameFile);
    edOldName->setObjectName(QStringLiteral("edOldName"));
    edOldName->setGeometry(80, 14, 212, 21);
    edOldName->setEnabled(false);

    lblNewName = new QLabel(QStringLiteral("New name:"), gbRenameFile);
    lblNewName->setGeometry(10, 42, 66, 21);
    edNewName = new QLineEdit(gbRenameFile);
    edNewName->setObjectName(QStringLiteral("edNewName"));
    edNewName->setGeometry(80, 42, 212, 21);
    lblNewName->setBuddy(edNewName);

    btnRename = new QPushButton(QStringLiteral("Rename"), this);
    btnRename->setObjectName(QStringLiteral("btnRename"));
    btnRename->setGeometry(154, 84, 75, 25);
    btnRename->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setGeometry(235, 84, 75, 25);
    btnCancel->setAutoDefault(false);

    connect(btnRename, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    edNewName->setFocus();
}
