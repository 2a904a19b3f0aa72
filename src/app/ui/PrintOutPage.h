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

    // "Print files". The batch print run is not built yet, so the command does nothing.
    void actPrintFilesExecute();

private:
    QComboBox* m_cbPrinters = nullptr;
    QComboBox* m_cbOrientation = nullptr;
    QSpinBox* m_edNumberOfCopies = nullptr;
    QCheckBox* m_chkCollate = nullptr;
    QCheckBox* m_chkPrintAsBlack = nullptr;
};
