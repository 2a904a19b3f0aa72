#pragma once
// The value entry dialog of the property editor: one text for every selected cell.
//
//     TfrmChangeGridValue dlg(owner);
//     dlg.setWindowTitle(u"Change property values (Material)"_s);
//     dlg.SetValue(current);
//     if (dlg.exec() == QDialog::Accepted) use(dlg.Value());

#include <QDialog>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

class TfrmChangeGridValue : public QDialog {
    Q_OBJECT
public:
    explicit TfrmChangeGridValue(QWidget* owner = nullptr);

    // The text of the "Value:" box.
    QString Value() const;
    void SetValue(const QString& value);

private:
    QGroupBox* m_gbChangeValue = nullptr;
    QLabel* m_lblValue = nullptr;
    QLineEdit* m_edValue = nullptr;
    QPushButton* m_btnClose = nullptr; // Cancel
    QPushButton* m_btnOK = nullptr;    // OK (object name BitBtn1)
};
