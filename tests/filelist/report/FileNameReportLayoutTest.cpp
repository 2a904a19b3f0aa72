// The file-name report rendered to PDF and read back with pdftotext: page bands, numbering
// across pages, and wrapping within the page.
#include "filelist/FileNameReport.h"
#include "filelist/report/FileNameReportLayout.h"
#include "support/PdfText.h"
#include "support/TestFiles.h"

#include <QLocale>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using testfiles::PdfPages;
using testfiles::PdfToText;

namespace {

QStringList NumberedLines(int count, const QString& folder)
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
        if (!testfiles::HavePdfToText())
            GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
        ASSERT_TRUE(m_folder.isValid());
        QLocale::setDefault(QLocale::c());
    }
    void TearDown() override { QLocale::setDefault(QLocale::system()); }
    // The report of `lines`, printed on 5 March 2024 at 14:07:09, as a PDF file.
    QString Save(const QStringList& lines)
    {
        const QString pdf = m_folder.filePath(u"report.pdf"_s);
        FileNameReportLayout(lines, QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9))).SavePdf(pdf);
        return pdf;
    }

private:
    QTemporaryDir m_folder;
};

} // namespace

TEST_F(ReportPdf, EveryPageHasTheHeaderItsOwnNumberAndTheLinesRunOn)
{
    for (const int count : {0, 1, 300}) {
        const QStringList lines = NumberedLines(count, u"C:\\Work\\"_s);
        const QList<QStringList> pages = PdfPages(Save(lines));
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
        EXPECT_EQ(body, lines) << count;
    }
}

TEST_F(ReportPdf, ALongPathWrapsWithinTheMarginsAndLosesNothing)
{
    QString path = u"C:\\"_s;
    while (path.size() < 400)
        path += u"Projekt_Č_Ž_%1\\"_s.arg(path.size());
    path += u"a.dft"_s;
    const QString pdf = Save(FileNameReportLines({path, u"C:\\short.par"_s}, true));

    const QList<QStringList> pages = PdfPages(pdf);
    ASSERT_EQ(pages.size(), 1);
    const QStringList body = pages[0].mid(1, pages[0].size() - 2);
    ASSERT_GE(body.size(), 3) << "the long line did not wrap";
    EXPECT_EQ(body.mid(0, body.size() - 1).join(QString()), u"1. "_s + path);
    EXPECT_EQ(body.last(), u"2. C:\\short.par"_s);

    // Every word stays between the 10 mm margins of the A4 page (595.28 points wide).
    const QString boxes = PdfToText(pdf, {u"-bbox"_s});
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
