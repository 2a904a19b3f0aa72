#pragma once
// The small modal dialog of "Rename file": the current name, shown disabled, and the new name
// the user types (the whole name, extension included).

#include <QDialog>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

class TfrmRenameFile : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmRenameFile)
public:
    explicit TfrmRenameFile(QWidget* owner = nullptr);

    QGroupBox* gbRenameFile = nullptr;
    QLabel* lblOldName = nullptr;
    QLineEdit* edOldName = nullptr;
    QLabel* lblNewName = nullptr;
    QLineEdit* edNewName = nullptr;
    QPushButton* btnRename = nullptr;
    QPushButton* btnCancel = nullptr;
};
