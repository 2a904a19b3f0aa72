#include "app/ui/PrintOutPage.h"

#include "automation/BatchPrint.h"
#include "automation/dispatch/AutomationServer.h"
#include "batch/ui/TarFrmProgressDialog.h"
#include "widgets/ui/CurrentPrinter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPrinterInfo>
#include <QShowEvent>
#include <QSpinBox>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

PrintOutPage::PrintOutPage(FileListModel& files, QAction* actPrintFiles, QWidget* parent)
    : OperationPage(u"tbshPrintOut"_s, files, parent)
{
    AddNote(u"This tool will print all selected files by selected print settings!"_s);
    m_cbPrinters = new QComboBox(this);
    m_cbPrinters->setObjectName(u"cbPrinters"_s);
    // The installed printers in the platform's order; none is chosen yet.
    m_cbPrinters->addItems(QPrinterInfo::availablePrinterNames());
    m_cbPrinters->setCurrentIndex(-1);
    m_cbOrientation = new QComboBox(this);
    m_cbOrientation->setObjectName(u"cbOrientation"_s);
    m_cbOrientation->addItems({u"Portrait"_s, u"Landscape"_s});
    m_cbOrientation->setCurrentIndex(-1);
    m_edNumberOfCopies = new QSpinBox(this);
    m_edNumberOfCopies->setObjectName(u"edNumberOfCopies"_s);
    m_edNumberOfCopies->setRange(0, 1000);
    m_edNumberOfCopies->setValue(1);
    m_chkCollate = new QCheckBox(this);
    m_chkCollate->setObjectName(u"chkCollate"_s);
    m_chkPrintAsBlack = new QCheckBox(this);
    m_chkPrintAsBlack->setObjectName(u"chkPrintAsBlack"_s);
    m_chkPrintAsBlack->setChecked(true);

    auto* form = new QFormLayout();
    form->addRow(u"Printer:"_s, m_cbPrinters);
    form->addRow(u"Orientation:"_s, m_cbOrientation);
    form->addRow(u"Number of copies:"_s, m_edNumberOfCopies);
    form->addRow(u"Collate:"_s, m_chkCollate);
    form->addRow(u"Print as black:"_s, m_chkPrintAsBlack);
    Content()->addLayout(form);
    AddCommandButton(actPrintFiles, u"btnPrintFiles"_s);
    Content()->addStretch();

    // Both boxes take typed text, but only an item of the list counts as chosen: typing drops
    // the choice, and a text that names an item (picked, or confirmed with Enter) chooses it.
    // Typed text is never added to the list.
    for (QComboBox* box : {m_cbPrinters, m_cbOrientation}) {
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
        connect(box->lineEdit(), &QLineEdit::textEdited, box, [box](const QString& text) {
            if (box->currentIndex() < 0 || box->itemText(box->currentIndex()) == text)
                return;
            const int cursor = box->lineEdit()->cursorPosition();
            box->setCurrentIndex(-1); // empties the edit: the typed text goes back
            box->lineEdit()->setText(text);
            box->lineEdit()->setCursorPosition(cursor);
        });
        connect(box, &QComboBox::currentIndexChanged, this, &OperationPage::InputsChanged);
    }
}

bool PrintOutPage::HasPrintChoices() const
{
    return m_cbPrinters->currentIndex() >= 0 && m_cbOrientation->currentIndex() >= 0;
}

void PrintOutPage::showEvent(QShowEvent* event)
{
    OperationPage::showEvent(event);
    tbshPrintOutShow();
}

void PrintOutPage::tbshPrintOutShow()
{
    // The printer last chosen for printing in this run, or the system's default one (also when
    // the last chosen one has been removed since).
    int current = m_cbPrinters->findText(CurrentPrinterName(), Qt::MatchExactly);
    if (current < 0)
        current = m_cbPrinters->findText(QPrinterInfo::defaultPrinterName(), Qt::MatchExactly);
    if (current >= 0 && m_cbPrinters->count() > 0)
        m_cbPrinters->setCurrentIndex(current);
    if (m_cbOrientation->count() > 0)
        m_cbOrientation->setCurrentIndex(1);
}

void PrintOutPage::actPrintFilesExecute()
{
    // The log window outlives this command: it deletes itself when the user closes it.
    ProgressDialogFactory progress(window());
    BatchPrint run(SystemAutomationServer(), progress);
    run.printerName = m_cbPrinters->itemText(m_cbPrinters->currentIndex());
    PrinterChosen(run.printerName);
    run.files = CheckedFiles();
    run.landscape = m_cbOrientation->currentIndex() == 1;
    // Copies, collate and print as black may change while the run goes on; each document
    // takes them as they are when it is printed.
    run.readPageSettings = [this] {
        return BatchPrint::PageSettings{m_edNumberOfCopies->value(), m_chkCollate->isChecked(),
                                        m_chkPrintAsBlack->isChecked()};
    };
    run.Execute();
}
