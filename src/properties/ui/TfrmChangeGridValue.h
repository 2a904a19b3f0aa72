#pragma once
// The value entry dialog of the property editor: one text for every selected cell.
//
//     TfrmChangeGridValue dlg(owner);
//     dlg.setWindowTitle(u"Change property values (Material)"_s);
//     dlg.edValue->setText(current);
//     if (dlg.exec() == QDialog::Accepted) use(dlg.edValue->text());

#include <QDialog>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

class TfrmChangeGridValue : public QDialog {
    Q_OBJECT
public:
    explicit TfrmChangeGridValue(QWidget* owner = nullptr);

    QGroupBox* gbChangeValue = nullptr;
    QLabel* lblValue = nullptr;
    QLineEdit* edValue = nullptr;
    QPushButton* btnClose = nullptr; // Cancel
    QPushButton* BitBtn1 = nullptr;  // OK
};
