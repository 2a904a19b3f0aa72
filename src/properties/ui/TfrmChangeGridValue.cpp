#include "properties/ui/TfrmChangeGridValue.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

TfrmChangeGridValue::TfrmChangeGridValue(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(u"TfrmChangeGridValue"_s);
    auto* layout = new QVBoxLayout(this);

    gbChangeValue = new QGroupBox(this);
    gbChangeValue->setObjectName(u"gbChangeValue"_s);
    auto* group = new QHBoxLayout(gbChangeValue);
    lblValue = new QLabel(u"Value:"_s, gbChangeValue);
    lblValue->setObjectName(u"lblValue"_s);
    edValue = new QLineEdit(gbChangeValue);
    edValue->setObjectName(u"edValue"_s);
    edValue->setMinimumWidth(320);
    lblValue->setBuddy(edValue);
    group->addWidget(lblValue);
    group->addWidget(edValue, 1);
    layout->addWidget(gbChangeValue);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    BitBtn1 = new QPushButton(u"OK"_s, this);
    BitBtn1->setObjectName(u"BitBtn1"_s);
    BitBtn1->setDefault(true);
    btnClose = new QPushButton(u"Cancel"_s, this);
    btnClose->setObjectName(u"btnClose"_s);
    buttons->addWidget(BitBtn1);
    buttons->addWidget(btnClose);
    layout->addLayout(buttons);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);

    layout->setSizeConstraint(QLayout::SetFixedSize);
    edValue->setFocus();
}
