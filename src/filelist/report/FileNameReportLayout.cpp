#include "filelist/report/FileNameReportLayout.h"

#include "common/Error.h"
#include "common/SafeFile.h"
#include "filelist/FileNameReport.h"

#include <QBuffer>
#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QLocale>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

// Layout units per inch: every size below is in these units, whatever the device.
constexpr double kUnits = 1200.0;

double Millimetres(double millimetres)
{
    return millimetres / 25.4 * kUnits;
}

// A font of `points` size in layout units. A pixel size is not resolved against a device's
// resolution, so the painter's scale alone decides its size on the device.
QFont ReportFont(double points, bool bold)
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
QImage& LayoutDevice()
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
    QFont bandFont = ReportFont(10, true);
    QFont detailFont = ReportFont(9, false);
    double bandText = 0;  // height of a header or footer text line
    double lineGap = Millimetres(1);
    double rule = Millimetres(0.2); // thickness of the thin lines
    double header = 0;    // header band: text, gap, line, gap
    double footer = 0;    // footer band: gap, line, gap, text
    double detailLine = 0;

    Bands()
    {
        const QPaintDevice* device = &LayoutDevice();
        bandText = QFontMetricsF(bandFont, device).height();
        detailLine = QFontMetricsF(detailFont, device).lineSpacing();
        header = bandText + lineGap + rule + 2 * lineGap;
        footer = 2 * lineGap + rule + lineGap + bandText;
    }
};

// The line as it wraps within `width`: at word boundaries, inside a word only where it is longer
// than the width (a long path has no blanks to wrap at).
QStringList WrapLine(const QString& text, const QFont& font, double width)
{
    if (text.isEmpty())
        return {QString()};
    QTextLayout layout(text, font, &LayoutDevice());
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

QString HeaderDateText(const QDateTime& when)
{
    QString timeFormat = QLocale().timeFormat(QLocale::LongFormat);
    timeFormat.remove(u't'); // no time zone
    return QLocale().toString(when.date(), QLocale::ShortFormat) + u' ' +
           QLocale().toString(when.time(), timeFormat.trimmed());
}

} // namespace

FileNameReportLayout::FileNameReportLayout(QStringList lines, QDateTime printedAt)
    : m_lines(std::move(lines)), m_printedAt(std::move(printedAt))
{
}

void FileNameReportLayout::SetupPage(QPagedPaintDevice& device)
{
    device.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(10, 10, 10, 10),
                                     QPageLayout::Millimeter));
}

std::vector<QStringList> FileNameReportLayout::Pages(double width, double height) const
{
    const Bands bands;
    const double detail = height - bands.header - bands.footer;
    // A page too small for even one line still takes one, so the report always ends.
    const qsizetype perPage = std::max<qsizetype>(1, qsizetype(std::floor(detail / bands.detailLine)));
    std::vector<QStringList> pages(1);
    for (const QString& line : m_lines) {
        for (const QString& piece : WrapLine(line, bands.detailFont, width)) {
            if (pages.back().size() == perPage)
                pages.emplace_back();
            pages.back().append(piece);
        }
    }
    return pages;
}

int FileNameReportLayout::PaintPages(QPainter& painter, QPagedPaintDevice& device) const
{
    // The painter starts at the top-left corner inside the margins; one layout unit becomes
    // `scale` device pixels.
    const double scale = device.logicalDpiX() / kUnits;
    const double width = device.width() / scale;
    const double height = device.height() / scale;
    const std::vector<QStringList> pages = Pages(width, height);
    const Bands bands;
    const QString date = HeaderDateText(m_printedAt);
    const QFontMetricsF bandMetrics(bands.bandFont, &LayoutDevice());
    const QFontMetricsF detailMetrics(bands.detailFont, &LayoutDevice());

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
    return int(pages.size());
}

void FileNameReportLayout::SavePdf(const QString& fileName) const
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
        QPainter painter(&writer);
        if (!painter.isActive())
            throw KrdlError(u"Cannot print the report."_s);
        PaintPages(painter, writer);
    }
    QString reason;
    if (!ReplaceFileContents(fileName, bytes, &reason))
        throw KrdlError(u"Cannot create file \""_s + fileName + u"\". "_s + reason);
}

