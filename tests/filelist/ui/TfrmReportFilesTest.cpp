// The file-name report rendered to PDF and read back with pdftotext: page bands, numbering
// across pages, wrapping within the page, and the preview showing the same pages.
#include "filelist/FileNameReport.h"
#include "filelist/ui/TfrmReportFiles.h"
#include "support/MessageBoxProbe.h"
#include "support/TestFiles.h"
#include "widgets/ui/MessageBoxText.h"

#include <QAction>
#include <QApplication>
#include <QLocale>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// pdftotext's output of a file; empty when the tool fails.
QString pdfToText(const QString& pdf, const QStringList& options)
{
    return testfiles::PdfToText(pdf, options);
}

// The non-blank lines of each page.
QList<QStringList> pdfPages(const QString& pdf)
{
    QList<QStringList> pages;
    QStringList texts = pdfToText(pdf, {u"-layout"_s}).split(u'\f');
    texts.removeLast(); // after the last page's form feed
    for (const QString& text : texts) {
        QStringList lines;
        for (const QString& line : text.split(u'\n')) {
            if (!line.trimmed().isEmpty())
                lines << line.trimmed();
        }
        pages << lines;
    }
    return pages;
}

QStringList numberedLines(int count, const QString& folder)
{
    QStringList paths;
    for (int i = 1; i <= count; ++i)
        paths << folder + u"part_%1.par"_s.arg(i);
    return FileNameReportLines(paths, true);
}

class ReportPdf : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!testfiles::PdfToTextMissing().isEmpty())
            GTEST_SKIP() << testfiles::PdfToTextMissing().toStdString();
        ASSERT_TRUE(tmp.isValid());
        report.printedAt = QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9));
        QLocale::setDefault(QLocale::c());
    }
    void TearDown() override { QLocale::setDefault(QLocale::system()); }
    QString save()
    {
        const QString pdf = tmp.filePath(u"report.pdf"_s);
        report.SavePdf(pdf);
        return pdf;
    }
    QTemporaryDir tmp;
    TfrmReportFiles report;
};

} // namespace

TEST_F(ReportPdf, EveryPageHasTheHeaderItsOwnNumberAndTheLinesRunOn)
{
    for (const int count : {0, 1, 300}) {
        report.mFiles = numberedLines(count, u"C:\\Work\\"_s);
        const QList<QStringList> pages = pdfPages(save());
        ASSERT_FALSE(pages.isEmpty()) << count;
        if (count <= 1)
            EXPECT_EQ(pages.size(), 1) << count;
        else
            EXPECT_GE(pages.size(), 4) << count;

        QStringList body;
        for (qsizetype p = 0; p < pages.size(); ++p) {
            const QStringList& lines = pages[p];
            ASSERT_GE(lines.size(), 2);
            EXPECT_TRUE(lines.first().startsWith(QString::fromUtf16(kFileNameReportTitle))) << lines.first().toStdString();
            EXPECT_TRUE(lines.first().endsWith(u"5 Mar 2024 14:07:09"_s)) << lines.first().toStdString();
            EXPECT_EQ(lines.last(), QString::number(p + 1));
            body += lines.mid(1, lines.size() - 2);
            // Only the last page may have room left.
            if (p + 1 < pages.size()) {
                EXPECT_EQ(lines.size(), pages[0].size()) << "page " << p + 1;
            }
        }
        EXPECT_EQ(body, report.mFiles) << count;
    }
}

TEST_F(ReportPdf, ALongPathWrapsWithinTheMarginsAndLosesNothing)
{
    QString path = u"C:\\"_s;
    while (path.size() < 400)
        path += u"Projekt_Č_Ž_%1\\"_s.arg(path.size());
    path += u"a.dft"_s;
    report.mFiles = FileNameReportLines({path, u"C:\\short.par"_s}, true);
    const QString pdf = save();

    const QList<QStringList> pages = pdfPages(pdf);
    ASSERT_EQ(pages.size(), 1);
    const QStringList body = pages[0].mid(1, pages[0].size() - 2);
    ASSERT_GE(body.size(), 3) << "the long line did not wrap";
    EXPECT_EQ(body.mid(0, body.size() - 1).join(QString()), u"1. "_s + path);
    EXPECT_EQ(body.last(), u"2. C:\\short.par"_s);

    // Every word stays between the 10 mm margins of the A4 page (595.28 points wide).
    const QString boxes = pdfToText(pdf, {u"-bbox"_s});
    const QRegularExpression word(u"<word xMin=\"([0-9.]+)\" yMin=\"[0-9.]+\" xMax=\"([0-9.]+)\""_s);
    const double margin = 10 / 25.4 * 72;
    int words = 0;
    for (auto it = word.globalMatch(boxes); it.hasNext(); ++words) {
        const auto m = it.next();
        EXPECT_GE(m.captured(1).toDouble(), margin - 0.5);
        EXPECT_LE(m.captured(2).toDouble(), 595.28 - margin + 0.5);
    }
    EXPECT_GT(words, 5);
}

TEST_F(ReportPdf, ThePreviewShowsThePagesOfThePdfAtAnyResolution)
{
    const QStringList paths = [] {
        QStringList p;
        for (int i = 1; i <= 150; ++i)
            p << u"/home/user/work/assembly_%1.asm"_s.arg(i);
        return p;
    }();
    report.mFiles = FileNameReportLines(paths, true);
    const qsizetype pdfPageCount = pdfPages(save()).size();
    ASSERT_GE(pdfPageCount, 2);

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
    TfrmReportFiles report;
    report.mFiles = FileNameReportLines({u"C:\\Work\\a.dft"_s}, false);
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
        text = box->findChild<MessageBoxText*>(u"lblText"_s)->text();
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
