// The print and update-drafts pages of the real main window: the choices made when the print
// page is shown, and the runs started from it. Without automation on this system both runs log
// the failed connection and touch nothing.
#include "app/ui/PrintOutPage.h"
#include "app/ui/TfrmMain.h"
#include "MainWindowChildren.h"
#include "batch/ui/TarFrmProgressDialog.h"
#include "filelist/ui/FileListModel.h"
#include "support/ConfigSandbox.h"
#include "support/FakeDesktop.h"
#include "widgets/ui/CurrentPrinter.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QPrinterInfo>
#include <QSpinBox>
#include <QTabWidget>

#include <gtest/gtest.h>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

class MainAutomationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        window = std::make_unique<TfrmMain>(desktop);
        window->show();
    }
    void TearDown() override
    {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<TarFrmProgressDialog*>(w))
                d->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        window.reset();
    }
    testfiles::ConfigSandbox dir;
    testfiles::FakeDesktop desktop{dir.filePath(u"KRDL"_s)};
    std::unique_ptr<TfrmMain> window;
};

TEST_F(MainAutomationTest, PrintPageChoosesTheCurrentPrinterAndLandscapeEachTimeItIsShown)
{
    auto* printers = Child<QComboBox>(window.get(), u"cbPrinters"_s);
    auto* orientation = Child<QComboBox>(window.get(), u"cbOrientation"_s);
    auto* pages = Child<QTabWidget>(window.get(), u"pcOperations"_s);
    auto* copies = Child<QSpinBox>(window.get(), u"edNumberOfCopies"_s);
    EXPECT_EQ(copies->minimum(), 0);
    EXPECT_EQ(copies->maximum(), 1000);
    EXPECT_EQ(copies->value(), 1);

    const QString current = QPrinterInfo::defaultPrinterName();
    EXPECT_EQ(printers->count(), QPrinterInfo::availablePrinterNames().size());
    EXPECT_EQ(printers->currentIndex(), printers->findText(current));
    EXPECT_EQ(orientation->currentText(), u"Landscape"_s);

    orientation->setCurrentIndex(0);
    pages->setCurrentIndex(4);
    pages->setCurrentWidget(Child(window.get(), u"tbshPrintOut"_s));
    EXPECT_EQ(orientation->currentText(), u"Landscape"_s);

    // No printer installed (the case here unless the machine has one): the command stays off.
    window->FileList()->AppendEntries({EntryByPathRule(dir.filePath(u"a.dft"_s), true)});
    window->ActionManagerUpdate();
    EXPECT_EQ(Action(window.get(), u"actPrintFiles"_s)->isEnabled(), printers->currentIndex() >= 0);

    // The printer chosen for printing earlier in this run is the current one from then on.
    printers->addItems({u"Printer A"_s, u"Printer B"_s});
    printers->setCurrentIndex(printers->findText(u"Printer A"_s));
    PrinterChosen(u"Printer B"_s);
    pages->setCurrentIndex(4);
    pages->setCurrentWidget(Child(window.get(), u"tbshPrintOut"_s));
    EXPECT_EQ(printers->currentText(), u"Printer B"_s);
}

TEST_F(MainAutomationTest, TypedTextInThePrintChoicesCountsOnlyWhenItIsAnItem)
{
    window->FileList()->AppendEntries({EntryByPathRule(dir.filePath(u"a.dft"_s), true)});
    auto* printers = Child<QComboBox>(window.get(), u"cbPrinters"_s);
    printers->addItem(u"Printer A"_s);
    printers->setCurrentIndex(printers->findText(u"Printer A"_s));
    QAction* print = Action(window.get(), u"actPrintFiles"_s);
    for (const char* name : {"cbPrinters", "cbOrientation"}) {
        auto* box = Child<QComboBox>(window.get(), QLatin1String(name));
        const int count = box->count();
        ASSERT_TRUE(box->isEditable()) << name;
        box->setFocus();
        box->lineEdit()->selectAll();
        QTest::keyClicks(box->lineEdit(), u"Nowhere"_s);
        window->ActionManagerUpdate();
        EXPECT_EQ(box->currentText(), u"Nowhere"_s) << name;
        EXPECT_EQ(box->currentIndex(), -1) << name;
        EXPECT_FALSE(print->isEnabled()) << name;
        QTest::keyClick(box->lineEdit(), Qt::Key_Return);
        EXPECT_EQ(box->count(), count) << name << ": typed text joins the list";
        EXPECT_EQ(box->currentIndex(), -1) << name;

        // A text that names an item, confirmed, chooses it.
        box->lineEdit()->selectAll();
        QTest::keyClicks(box->lineEdit(), box->itemText(count - 1).toLower());
        QTest::keyClick(box->lineEdit(), Qt::Key_Return);
        window->ActionManagerUpdate();
        EXPECT_EQ(box->currentIndex(), count - 1) << name;
        EXPECT_TRUE(print->isEnabled()) << name;
    }
}

TEST_F(MainAutomationTest, RunsLogTheFailedConnection)
{
    window->FileList()->AppendEntries({EntryByPathRule(dir.filePath(u"a.dft"_s), true)});
    window->ActionManagerUpdate();
    Action(window.get(), u"actUpdateDrafts"_s)->trigger();
    Child<PrintOutPage>(window.get(), u"tbshPrintOut"_s)->actPrintFilesExecute();

    QStringList captions;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* d = qobject_cast<TarFrmProgressDialog*>(w);
        if (!d)
            continue;
        captions << d->windowTitle();
        EXPECT_TRUE(d->Finished());
        EXPECT_EQ(d->Lines(), (QStringList{u"Try to connect to Solid Edge!"_s, u"Cannot connect to Solid Edge!"_s, u" "_s,
                                           u"Try to disconnect from Solid Edge!"_s,
                                           u"Successfuly disconnected from Solid Edge!"_s}));
    }
    captions.sort();
    EXPECT_EQ(captions, (QStringList{u"Print files"_s, u"Update drafts"_s}));
}

} // namespace
