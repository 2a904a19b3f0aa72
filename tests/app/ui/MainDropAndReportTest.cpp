// The main window's drop target and file-name report: documents dropped on the list join it,
// other drops change nothing, and both report commands preview the checked entries.
#include "MainWindowChildren.h"

#include "app/ui/TfrmMain.h"
#include "filelist/ui/FileListModel.h"
#include "support/ConfigSandbox.h"
#include "support/FakeDesktop.h"
#include "support/PdfText.h"
#include "support/TestFiles.h"

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QTableView>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

class MainDropAndReport : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        window = std::make_unique<TfrmMain>(desktop);
    }
    QString file(const QString& rel)
    {
        testfiles::WriteBytes(dir.filePath(rel), "x");
        return QDir::toNativeSeparators(dir.filePath(rel));
    }
    // Drops the names on Target as the file manager does; says whether the drop was taken.
    static bool drop(QWidget* target, const QStringList& names)
    {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& name : names)
            urls << QUrl::fromLocalFile(name);
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &enter);
        QDropEvent dropped(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        dropped.setAccepted(false);
        QCoreApplication::sendEvent(target, &dropped);
        return enter.isAccepted() && dropped.isAccepted();
    }
    QStringList rows() const
    {
        QStringList out;
        for (const FileEntry& e : window->FileList()->List().Entries())
            out << (e.checked ? u"[x] "_s : u"[ ] "_s) + e.FullPath();
        return out;
    }
    testfiles::ConfigSandbox dir;
    testfiles::FakeDesktop desktop{dir.filePath(u"KRDL"_s)};
    std::unique_ptr<TfrmMain> window;
};

} // namespace

TEST_F(MainDropAndReport, DroppedDocumentsJoinTheListCheckedAndSorted)
{
    const QString a = file(u"a.dft"_s), b = file(u"b.PAR"_s), c = file(u"c.txt"_s), z = file(u"z.asm"_s);
    ASSERT_TRUE(QDir(dir.path()).mkpath(u"drafts.dft"_s));
    file(u"drafts.dft/inside.dft"_s);
    auto* lvFiles = Child<QTableView>(window.get(), u"lvFiles"_s);

    EXPECT_TRUE(drop(lvFiles->viewport(), {z, c, b, dir.filePath(u"drafts.dft"_s), a}));
    EXPECT_EQ(rows(), QStringList({u"[x] "_s + a, u"[x] "_s + b, u"[x] "_s + z}));
    // A file already in the list comes in a second time.
    EXPECT_TRUE(drop(lvFiles->viewport(), {a}));
    EXPECT_EQ(rows(), QStringList({u"[x] "_s + a, u"[x] "_s + a, u"[x] "_s + b, u"[x] "_s + z}));

    for (const char* elsewhere : {"pcOperations", "pnlTitle", "btnAddFiles"})
        EXPECT_FALSE(drop(Child(window.get(), QString::fromLatin1(elsewhere)), {b})) << elsewhere;
    EXPECT_EQ(rows().size(), 4);
}

TEST_F(MainDropAndReport, BothReportCommandsPreviewTheCheckedEntries)
{
    if (!testfiles::HavePdfToText())
        GTEST_SKIP() << "pdftotext (poppler-utils) cannot run";
    window->FileList()->Change([](FileList& l) {
        l.Append(EntryByPathRule(u"C:\\Work\\b.par"_s, true));
        l.Append(EntryByPathRule(u"C:\\Work\\skip.asm"_s, false));
        l.Append(EntryByPathRule(u"D:\\a.dft"_s, true));
    });
    window->ActionManagerUpdate();
    const auto printed = [this](const char* action) {
        // The preview's own printer, turned into a PDF file, prints what the preview shows.
        const QString pdf = dir.filePath(u"report.pdf"_s);
        QTimer::singleShot(0, [pdf] {
            auto* preview = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget());
            if (!preview) {
                ADD_FAILURE() << "no preview";
                return;
            }
            preview->printer()->setOutputFormat(QPrinter::PdfFormat);
            preview->printer()->setOutputFileName(pdf);
            preview->findChild<QPrintPreviewWidget*>()->print();
            preview->reject();
        });
        Action(window.get(), QString::fromLatin1(action))->trigger();
        QStringList lines;
        for (const QString& line : testfiles::PdfToText(pdf, {u"-layout"_s}).split(u'\n')) {
            if (!line.trimmed().isEmpty())
                lines << line.trimmed();
        }
        return lines.mid(1, lines.size() - 2); // without header and footer
    };
    EXPECT_EQ(printed("actPrintFilenames"), QStringList({u"1. b.par"_s, u"2. a.dft"_s}));
    EXPECT_EQ(printed("actPrintFilenamesWithPath"), QStringList({u"1. C:\\Work\\b.par"_s, u"2. D:\\a.dft"_s}));
}
