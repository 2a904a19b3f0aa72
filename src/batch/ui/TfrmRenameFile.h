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

    // The current name, shown disabled, and the name the user typed.
    void SetOldName(const QString& name);
    QString NewName() const;

private:
    QGroupBox* m_gbRenameFile = nullptr;
    QLabel* m_lblOldName = nullptr;
    QLineEdit* m_edOldName = nullptr;
    QLabel* m_lblNewName = nullptr;
    QLineEdit* m_edNewName = nullptr;
    QPushButton* m_btnRename = nullptr;
    QPushButton* m_btnCancel = nullptr;
};
