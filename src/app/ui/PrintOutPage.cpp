#include "app/ui/PrintOutPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QPrinterInfo>
#include <QSpinBox>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

PrintOutPage::PrintOutPage(FileListModel& files, QAction* actPrintFiles, QWidget* parent)
    : OperationPage(u"tbshPrintOut"_s, files, parent)
{
    addNote(u"This tool will print all selected files by selected print settings!"_s);
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
    m_edNumberOfCopies->setRange(1, 1000);
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
    content()->addLayout(form);
    addCommandButton(actPrintFiles, u"btnPrintFiles"_s);
    content()->addStretch();

    connect(m_cbPrinters, &QComboBox::currentIndexChanged, this, &OperationPage::inputsChanged);
    connect(m_cbOrientation, &QComboBox::currentIndexChanged, this, &OperationPage::inputsChanged);
}

bool PrintOutPage::HasPrintChoices() const
{
    return m_cbPrinters->currentIndex() >= 0 && m_cbOrientation->currentIndex() >= 0;
}

void PrintOutPage::actPrintFilesExecute() {}
