#pragma once
// The lookup picker of the property editor: one of a column's lookup values for every selected
// cell.
//
//     TfrmGridLookupValues dlg(owner);
//     dlg.SetLookupItems(headerCell->items);
//     if (dlg.exec() == QDialog::Accepted) use(dlg.SelectedLookupValue());

#include <QDialog>

class QListWidget;
class QPushButton;

class TfrmGridLookupValues : public QDialog {
    Q_OBJECT
public:
    explicit TfrmGridLookupValues(QWidget* owner = nullptr);

    // The values to pick from, in their order.
    void SetLookupItems(const QStringList& items);
    // The text of the selected item; empty text when none is selected.
    QString SelectedLookupValue() const;

private:
    QListWidget* m_lbLookupItems = nullptr;
    QPushButton* m_btnClose = nullptr; // Cancel
    QPushButton* m_btnOk = nullptr;
};
