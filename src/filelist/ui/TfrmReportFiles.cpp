#include "filelist/ui/TfrmReportFiles.h"

#include "common/Error.h"
#include "common/SafeFile.h"
#include "filelist/FileNameReport.h"
#include "widgets/ui/CurrentPrinter.h"
#include "widgets/ui/arMessageBox.h"

#include <QAction>
#include <QBuffer>
#include <QFile>
#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTextLayout>
#include <QToolBar>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

// Layout units per inch: every size below is in these units, whatever the device.
constexpr double kUnits = 1200.0;

double mm(double millimetres)
{
    return millimetres / 25.4 * kUnits;
}

// A font of Points size in layout units. A pixel size is not resolved against a device's
// resolution, so the painter's scale alone decides its size on the device.
QFont reportFont(double points, bool bold)
{
    QFont font(u"Arial"_s);
    font.setPixelSize(int(std::lround(points / 72.0 * kUnits)));
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferNoHinting);
    // Any letter spacing turns ligatures off, so "fi" in "filelist" stays two letters that a
    // search in the PDF finds; a 64th of a unit (1/76800 inch) changes nothing that shows.
    font.setLetterSpacing(QFont::AbsoluteSpacing, 1.0 / 64);
    return font;
}

// Fonts and metrics come from an image of the layout resolution, never from a screen or a
// printer, so the layout is the same for every device.
QImage& layoutDevice()
{
    static QImage image = [] {
        QImage img(1, 1, QImage::Format_Mono);
        const int dotsPerMeter = int(std::lround(kUnits / 0.0254));
        img.setDotsPerMeterX(dotsPerMeter);
        img.setDotsPerMeterY(dotsPerMeter);
        return img;
    }();
    return image;
}

struct Bands {
    QFont bandFont = reportFont(10, true);
    QFont detailFont = reportFont(9, false);
    double bandText = 0;  // height of a header or footer text line
    double lineGap = mm(1);
    double rule = mm(0.2); // thickness of the thin lines
    double header = 0;    // header band: text, gap, line, gap
    double footer = 0;    // footer band: gap, line, gap, text
    double detailLine = 0;

    Bands()
    {
        const QPaintDevice* device = &layoutDevice();
        bandText = QFontMetricsF(bandFont, device).height();
        detailLine = QFontMetricsF(detailFont, device).lineSpacing();
        header = bandText + lineGap + rule + 2 * lineGap;
        footer = 2 * lineGap + rule + lineGap + bandText;
    }
};

// The line as it wraps within Width: at word boundaries, inside a word only where it is longer
// than the width (a long path has no blanks to wrap at).
QStringList wrapLine(const QString& text, const QFont& font, double width)
{
    if (text.isEmpty())
        return {QString()};
    QTextLayout layout(text, font, &layoutDevice());
    QTextOption option(Qt::AlignLeft);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList pieces;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        pieces.append(text.mid(line.textStart(), line.textLength()));
    }
    layout.endLayout();
    return pieces;
}

// Why painting on Device could not begin. A printer writing to a file (PDF) fails when the file
// cannot be created; the reason is asked of the file system, since QPrinter keeps it to itself.
QString cannotPrintMessage(QPagedPaintDevice& device)
{
    const auto* printer = dynamic_cast<QPrinter*>(&device);
    if (!printer || printer->outputFileName().isEmpty())
        return u"Cannot print the report."_s;
    const QString name = printer->outputFileName();
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
    bool printFailed = false;

    void done(int result) override
    {
        if (result == Accepted && printFailed) {
            printFailed = false;
            return;
        }
        QPrintPreviewDialog::done(result);
    }
};

QString headerDateText(const QDateTime& when)
{
    QString timeFormat = QLocale().timeFormat(QLocale::LongFormat);
    timeFormat.remove(u't'); // no time zone
    return QLocale().toString(when.date(), QLocale::ShortFormat) + u' ' +
           QLocale().toString(when.time(), timeFormat.trimmed());
}

} // namespace

TfrmReportFiles::TfrmReportFiles() : printedAt(QDateTime::currentDateTime()) {}

void TfrmReportFiles::SetupPage(QPagedPaintDevice& device)
{
    device.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(10, 10, 10, 10),
                                     QPageLayout::Millimeter));
    if (auto* printer = dynamic_cast<QPrinter*>(&device))
        printer->setCopyCount(1);
}

std::vector<QStringList> TfrmReportFiles::Pages(double width, double height) const
{
    const Bands bands;
    const double detail = height - bands.header - bands.footer;
    // A page too small for even one line still takes one, so the report always ends.
    const qsizetype perPage = std::max<qsizetype>(1, qsizetype(std::floor(detail / bands.detailLine)));
    std::vector<QStringList> pages(1);
    for (const QString& line : mFiles) {
        for (const QString& piece : wrapLine(line, bands.detailFont, width)) {
            if (pages.back().size() == perPage)
                pages.emplace_back();
            pages.back().append(piece);
        }
    }
    return pages;
}

int TfrmReportFiles::PaintPages(QPagedPaintDevice& device) const
{
    // The painter starts at the top-left corner inside the margins; one layout unit becomes
    // Scale device pixels.
    const double scale = device.logicalDpiX() / kUnits;
    const double width = device.width() / scale;
    const double height = device.height() / scale;
    const std::vector<QStringList> pages = Pages(width, height);
    const Bands bands;
    const QString date = headerDateText(printedAt);
    const QFontMetricsF bandMetrics(bands.bandFont, &layoutDevice());
    const QFontMetricsF detailMetrics(bands.detailFont, &layoutDevice());

    QPainter painter(&device);
    if (!painter.isActive())
        throw KrdlError(cannotPrintMessage(device));
    for (size_t p = 0; p < pages.size(); ++p) {
        if (p > 0)
            device.newPage();
        painter.resetTransform();
        painter.scale(scale, scale);
        QPen pen(Qt::black);
        pen.setWidthF(bands.rule);
        painter.setPen(pen);

        // Header band.
        painter.setFont(bands.bandFont);
        const double headerBase = bandMetrics.ascent();
        painter.drawText(QPointF(0, headerBase), QString::fromUtf16(kFileNameReportTitle));
        painter.drawText(QPointF(width - bandMetrics.horizontalAdvance(date), headerBase), date);
        const double headerRule = bands.bandText + bands.lineGap + bands.rule / 2;
        painter.drawLine(QPointF(0, headerRule), QPointF(width, headerRule));

        // Detail lines.
        painter.setFont(bands.detailFont);
        double y = bands.header;
        for (const QString& piece : pages[p]) {
            painter.drawText(QPointF(0, y + detailMetrics.ascent()), piece);
            y += bands.detailLine;
        }

        // Footer band at the bottom of the page.
        const double footerTop = height - bands.footer;
        const double footerRule = footerTop + 2 * bands.lineGap + bands.rule / 2;
        painter.drawLine(QPointF(0, footerRule), QPointF(width, footerRule));
        painter.setFont(bands.bandFont);
        const QString number = QString::number(p + 1);
        painter.drawText(QPointF((width - bandMetrics.horizontalAdvance(number)) / 2,
                                 height - bands.bandText + bandMetrics.ascent()),
                         number);
    }
    painter.end();
    return int(pages.size());
}

QPrintPreviewDialog* TfrmReportFiles::CreatePreview(QPrinter& printer, QWidget* parent) const
{
    auto* preview = new ReportPreview(&printer, parent);
    preview->setWindowTitle(u"Print Preview"_s);
    preview->setAttribute(Qt::WA_DeleteOnClose, false);
    // The slot runs inside Qt's event handling (the preview's Print button), which an exception
    // must never pass through: an error of the print is shown here, and the preview stays.
    QObject::connect(preview, &QPrintPreviewDialog::paintRequested, preview, [this, preview](QPrinter* target) {
        preview->printFailed = false;
        QString error;
        try {
            PaintPages(*target);
            return;
        } catch (const KrdlError& e) {
            error = e.message();
        } catch (const std::exception& e) {
            error = QString::fromLocal8Bit(e.what());
        }
        preview->printFailed = true;
        arMessageBox(u"Velmar Solid Edge Utils"_s, error, {u"OK"_s}, miError, 0, poMainFormCenter, true, preview);
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

void TfrmReportFiles::SavePdf(const QString& fileName) const
{
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setResolution(int(kUnits));
        writer.setCreator(QString::fromUtf16(kFileNameReportTitle));
        writer.setTitle(u"Filenames report"_s);
        SetupPage(writer);
        PaintPages(writer);
    }
    QString reason;
    if (!ReplaceFileContents(fileName, bytes, &reason))
        throw KrdlError(u"Cannot create file \""_s + fileName + u"\". "_s + reason);
}

void PrintFileNames(const QStringList& paths, bool withPath, QWidget* parent)
{
    TfrmReportFiles report;
    report.mFiles = FileNameReportLines(paths, withPath);
    report.Preview(parent);
}
