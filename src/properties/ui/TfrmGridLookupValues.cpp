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

    lbLookupItems = new QListWidget(this);
    lbLookupItems->setObjectName(u"lbLookupItems"_s);
    lbLookupItems->setToolTip(u"Lookup values"_s);
    lbLookupItems->clear();
    layout->addWidget(lbLookupItems, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    btnOk = new QPushButton(u"OK"_s, this);
    btnOk->setObjectName(u"btnOk"_s);
    btnOk->setDefault(true);
    btnClose = new QPushButton(u"Cancel"_s, this);
    btnClose->setObjectName(u"btnClose"_s);
    buttons->addWidget(btnOk);
    buttons->addWidget(btnClose);
    layout->addLayout(buttons);
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

QString TfrmGridLookupValues::SelectedLookupValue() const
{
    const QList<QListWidgetItem*> selected = lbLookupItems->selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}
