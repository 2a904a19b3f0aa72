#include "properties/ui/TfrmGridLookupValues.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

TfrmGridLookupValues::TfrmGridLookupValues(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint)
{
    setObjectName(u"TfrmGridLookupValues"_s);
    resize(300, 360);
    auto* layout = new QVBoxLayout(this);

    m_lbLookupItems = new QListWidget(this);
    m_lbLookupItems->setObjectName(u"lbLookupItems"_s);
    m_lbLookupItems->setToolTip(u"Lookup values"_s);
    m_lbLookupItems->clear();
    layout->addWidget(m_lbLookupItems, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_btnOk = new QPushButton(u"OK"_s, this);
    m_btnOk->setObjectName(u"btnOk"_s);
    m_btnOk->setDefault(true);
    m_btnClose = new QPushButton(u"Cancel"_s, this);
    m_btnClose->setObjectName(u"btnClose"_s);
    buttons->addWidget(m_btnOk);
    buttons->addWidget(m_btnClose);
    layout->addLayout(buttons);
    connect(m_btnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_btnClose, &QPushButton::clicked, this, &QDialog::reject);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TfrmGridLookupValues::SetLookupItems(const QStringList& items)
{
    m_lbLookupItems->addItems(items);
}

QString TfrmGridLookupValues::SelectedLookupValue() const
{
    const QList<QListWidgetItem*> selected = m_lbLookupItems->selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}
