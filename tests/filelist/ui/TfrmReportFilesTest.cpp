// The file-name report's preview: the pages of the PDF at any printer resolution, the modal
// "Print Preview" of the list's commands, and a print that fails.
#include "filelist/FileNameReport.h"
#include "filelist/ui/TfrmReportFiles.h"
#include "support/MessageBoxProbe.h"
#include "support/PdfText.h"
#include "widgets/ui/MessageBoxText.h"

#include <QAction>
#include <QApplication>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

using namespace Qt::StringLiterals;
using testfiles::PdfPages;

TEST(ReportPreview, ShowsThePagesOfThePdfAtAnyResolution)
{
    if (!testfiles::HavePdfToText())
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    const QStringList paths = [] {
        QStringList p;
        for (int i = 1; i <= 150; ++i)
            p << u"/home/user/work/assembly_%1.asm"_s.arg(i);
        return p;
    }();
    const FileNameReportLayout layout(FileNameReportLines(paths, true));
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    layout.SavePdf(folder.filePath(u"report.pdf"_s));
    const qsizetype pdfPageCount = PdfPages(folder.filePath(u"report.pdf"_s)).size();
    ASSERT_GE(pdfPageCount, 2);
    const TfrmReportFiles report(layout);

    for (const auto mode : {QPrinter::ScreenResolution, QPrinter::HighResolution}) {
        QPrinter printer(mode);
        TfrmReportFiles::SetupPage(printer);
        std::unique_ptr<QPrintPreviewDialog> preview(report.CreatePreview(printer, nullptr));
        auto* pages = preview->findChild<QPrintPreviewWidget*>();
        ASSERT_NE(pages, nullptr);
        pages->updatePreview();
        EXPECT_EQ(pages->pageCount(), pdfPageCount) << "resolution " << printer.resolution();
    }

    // The command itself: a modal "Print Preview" of the same pages that its Close ends.
    int shownPages = -1;
    QString title;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            ADD_FAILURE() << "no modal preview";
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (qobject_cast<QPrintPreviewDialog*>(w))
                    w->close();
            }
            return;
        }
        title = dialog->windowTitle();
        shownPages = dialog->findChild<QPrintPreviewWidget*>()->pageCount();
        dialog->findChild<QAction*>(u"actClosePreview"_s)->trigger();
    });
    PrintFileNames(paths, true, nullptr);
    EXPECT_EQ(title, u"Print Preview"_s);
    EXPECT_EQ(shownPages, pdfPageCount);
}

TEST(ReportPrint, APrintThatCannotStartIsShownAndThePreviewStays)
{
    QTemporaryDir tmp;
    const TfrmReportFiles report(FileNameReportLayout(FileNameReportLines({u"C:\\Work\\a.dft"_s}, false)));
    QPrinter printer(QPrinter::HighResolution);
    TfrmReportFiles::SetupPage(printer);
    printer.setOutputFormat(QPrinter::PdfFormat);
    const QString target = tmp.filePath(u"no such folder/report.pdf"_s);
    printer.setOutputFileName(target);
    std::unique_ptr<QPrintPreviewDialog> preview(report.CreatePreview(printer, nullptr));
    auto* pages = preview->findChild<QPrintPreviewWidget*>();
    ASSERT_NE(pages, nullptr);
    preview->show();

    QString caption;
    QString text;
    testfiles::WhenMessageBoxShown([&](QDialog* box) {
        caption = box->windowTitle();
        text = box->findChild<MessageBoxText*>(u"lblText"_s)->Text();
        box->reject();
    });
    // What the preview's Print button does once the print dialog is accepted.
    pages->print();
    preview->accept();
    EXPECT_EQ(caption, u"Velmar Solid Edge Utils"_s);
#ifdef _WIN32
    // The system's own words for a missing folder (Wine's differ from Windows').
    QFile probe(target);
    EXPECT_FALSE(probe.open(QIODevice::Append));
    const QString reason = probe.errorString();
#else
    const QString reason = u"No such file or directory"_s;
#endif
    EXPECT_EQ(text, u"Cannot create file \""_s + target + u"\". "_s + reason);
    EXPECT_TRUE(preview->isVisible()) << "a failed print keeps the preview open";
    EXPECT_EQ(pages->pageCount(), 1);
    EXPECT_FALSE(QFile::exists(target));
}
