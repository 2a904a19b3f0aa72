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

    m_gbChangeValue = new QGroupBox(this);
    m_gbChangeValue->setObjectName(u"gbChangeValue"_s);
    auto* group = new QHBoxLayout(m_gbChangeValue);
    m_lblValue = new QLabel(u"Value:"_s, m_gbChangeValue);
    m_lblValue->setObjectName(u"lblValue"_s);
    m_edValue = new QLineEdit(m_gbChangeValue);
    m_edValue->setObjectName(u"edValue"_s);
    m_edValue->setMinimumWidth(320);
    m_lblValue->setBuddy(m_edValue);
    group->addWidget(m_lblValue);
    group->addWidget(m_edValue, 1);
    layout->addWidget(m_gbChangeValue);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_btnOK = new QPushButton(u"OK"_s, this);
    m_btnOK->setObjectName(u"BitBtn1"_s);
    m_btnOK->setDefault(true);
    m_btnClose = new QPushButton(u"Cancel"_s, this);
    m_btnClose->setObjectName(u"btnClose"_s);
    buttons->addWidget(m_btnOK);
    buttons->addWidget(m_btnClose);
    layout->addLayout(buttons);
    connect(m_btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_btnClose, &QPushButton::clicked, this, &QDialog::reject);

    layout->setSizeConstraint(QLayout::SetFixedSize);
    m_edValue->setFocus();
}

QString TfrmChangeGridValue::Value() const
{
    return m_edValue->text();
}

void TfrmChangeGridValue::SetValue(const QString& value)
{
    m_edValue->setText(value);
}
