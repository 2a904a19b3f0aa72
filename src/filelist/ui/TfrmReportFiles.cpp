#include "filelist/ui/TfrmReportFiles.h"

#include "common/Error.h"
#include "filelist/FileNameReport.h"
#include "widgets/ui/CurrentPrinter.h"
#include "widgets/ui/RunGuarded.h"

#include <QAction>
#include <QFile>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QToolBar>

using namespace Qt::StringLiterals;

namespace {

// Why painting on `printer` could not begin. A printer writing to a file (PDF) fails when the
// file cannot be created; the reason is asked of the file system, since QPrinter keeps it to itself.
QString CannotPrintMessage(const QPrinter& printer)
{
    if (printer.outputFileName().isEmpty())
        return u"Cannot print the report."_s;
    const QString name = printer.outputFileName();
    QFile probe(name);
    const bool existed = probe.exists();
    // Append never truncates: a file that opens now (it could not a moment ago) loses nothing,
    // and one that this probe created goes again.
    QString reason;
    if (!probe.open(QIODevice::Append))
        reason = probe.errorString();
    else if (!existed)
        probe.remove();
    return u"Cannot create file \""_s + name + u"\". "_s + reason;
}

// The preview of the report. A print that failed (and was reported) does not close it, so that
// the user can choose another printer or file and print again.
class ReportPreview : public QPrintPreviewDialog {
public:
    using QPrintPreviewDialog::QPrintPreviewDialog;

    void SetPrintFailed(bool failed) { m_printFailed = failed; }

    void done(int result) override
    {
        if (result == Accepted && m_printFailed) {
            m_printFailed = false;
            return;
        }
        QPrintPreviewDialog::done(result);
    }

private:
    bool m_printFailed = false;
};

} // namespace

TfrmReportFiles::TfrmReportFiles(FileNameReportLayout report) : m_report(std::move(report)) {}

void TfrmReportFiles::SetupPage(QPrinter& printer)
{
    FileNameReportLayout::SetupPage(printer);
    printer.setCopyCount(1);
}

QPrintPreviewDialog* TfrmReportFiles::CreatePreview(QPrinter& printer, QWidget* parent) const
{
    auto* preview = new ReportPreview(&printer, parent);
    preview->setWindowTitle(u"Print Preview"_s);
    preview->setAttribute(Qt::WA_DeleteOnClose, false);
    // The slot runs inside Qt's event handling (the preview's Print button), which an exception
    // must never pass through: an error of the print is shown here, and the preview stays.
    QObject::connect(preview, &QPrintPreviewDialog::paintRequested, preview, [this, preview](QPrinter* target) {
        preview->SetPrintFailed(!RunGuarded(preview, [this, target] {
            QPainter painter(target);
            if (!painter.isActive())
                throw KrdlError(CannotPrintMessage(*target));
            m_report.PaintPages(painter, *target);
        }));
    });
    // The preview's own bar has zoom, paging, page setup and print; it gets a way to close.
    if (auto* bar = preview->findChild<QToolBar*>()) {
        bar->addSeparator();
        QAction* close = bar->addAction(u"Close"_s);
        close->setObjectName(u"actClosePreview"_s);
        QObject::connect(close, &QAction::triggered, preview, &QDialog::reject);
    }
    return preview;
}

void TfrmReportFiles::Preview(QWidget* parent) const
{
    QPrinter printer(QPrinter::HighResolution);
    // The printer chosen earlier in this run, while it is still installed (an unknown name
    // would turn the printer into a PDF writer).
    if (const QString current = CurrentPrinterName(); !QPrinterInfo::printerInfo(current).isNull())
        printer.setPrinterName(current);
    SetupPage(printer);
    QPrintPreviewDialog* preview = CreatePreview(printer, parent);
    // The preview accepts once it has printed; its Close and the title bar reject.
    const bool printed = preview->exec() == QDialog::Accepted;
    delete preview;
    if (printed && printer.outputFormat() == QPrinter::NativeFormat)
        PrinterChosen(printer.printerName());
}

void PrintFileNames(const QStringList& paths, bool withPath, QWidget* parent)
{
    TfrmReportFiles(FileNameReportLayout(FileNameReportLines(paths, withPath))).Preview(parent);
}
