#pragma once
// The lookup picker of the property editor: one of a column's lookup values for every selected
// cell.
//
//     TfrmGridLookupValues dlg(owner);
//     dlg.lbLookupItems->addItems(headerCell->Items);
//     if (dlg.exec() == QDialog::Accepted) use(dlg.SelectedLookupValue());

#include <QDialog>

class QListWidget;
class QPushButton;

class TfrmGridLookupValues : public QDialog {
    Q_OBJECT
public:
    explicit TfrmGridLookupValues(QWidget* owner = nullptr);

    // The text of the selected item; empty text when none is selected.
    QString SelectedLookupValue() const;

    QListWidget* lbLookupItems = nullptr;
    QPushButton* btnClose = nullptr; // Cancel
    QPushButton* btnOk = nullptr;
};
