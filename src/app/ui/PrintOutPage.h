#pragma once
// The "Print out" page (`tbshPrintOut`): one set of print settings for printing every checked
// document through Solid Edge.

#include "app/ui/OperationPage.h"

class QCheckBox;
class QComboBox;
class QSpinBox;

class PrintOutPage : public OperationPage {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PrintOutPage)
public:
    PrintOutPage(FileListModel& files, QAction* actPrintFiles, QWidget* parent = nullptr);

    // True when a printer and an orientation are chosen (part of the rule of `actPrintFiles`).
    bool HasPrintChoices() const;

    // Each time the page becomes visible: the current printer and "Landscape" are chosen,
    // replacing the user's earlier choice.
    void tbshPrintOutShow();

    // "Print files": prints every checked file through Solid Edge with the page's settings.
    void actPrintFilesExecute();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QComboBox* m_cbPrinters = nullptr;
    QComboBox* m_cbOrientation = nullptr;
    QSpinBox* m_edNumberOfCopies = nullptr;
    QCheckBox* m_chkCollate = nullptr;
    QCheckBox* m_chkPrintAsBlack = nullptr;
};
