#pragma once
// "File custom properties": the custom properties of one document, one row per property with
// "Name (Type)" and the value, in the document's order. Reads only: the document is opened for
// reading, so a read-only or write-locked document can be viewed too.
//
//     TfrmDocCustomProperties::ShowFor(entry.FullPath(), mainWindow);   // the whole command

#include <QDialog>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

class TfrmDocCustomProperties : public QDialog {
    Q_OBJECT
public:
    explicit TfrmDocCustomProperties(QWidget* owner = nullptr);

    // Appends a row: `label` in the first column, `value` in the second.
    void AddPropertyRow(const QString& label, const QString& value);
    // Fills the dialog from the document at `path`. A missing file gives the "File doesn't
    // exists!" box and leaves the dialog empty; any read error gives the "Error when trying read
    // document custom properties!" box and keeps the rows read before it.
    void ReadDocument(const QString& path);
    // The command: a dialog filled from `path`, shown modally in every case.
    static void ShowFor(const QString& path, QWidget* owner);

private:
    QGroupBox* m_gbDocCustomProperties = nullptr;
    QLabel* m_lblFileName = nullptr;
    QLineEdit* m_edFileName = nullptr;
    QTreeWidget* m_lvProperties = nullptr;
    QPushButton* m_btnClose = nullptr;
};
