#pragma once
// The pages of the file-name report: numbered lines on A4 pages, each page with a header band
// (title at the left, date and time of printing at the right, a thin line below) and a footer
// band (a thin line, the page number centred below it). Long lines wrap within the page width
// and the lines run on over as many pages as they need; a report without lines is one page with
// header and footer.
//
// The pages are laid out in fixed units of 1/1200 inch with fonts sized in those units, and only
// then scaled to the device. So the preview, a printer of any resolution and a PDF file all get
// the same lines on the same pages. This needs Qt Gui only: it paints on any paged device, and
// the program's preview and printer (filelist/ui/TfrmReportFiles.h) hand it theirs.

#include <QDateTime>
#include <QStringList>

#include <vector>

class QPagedPaintDevice;
class QPainter;

class FileNameReportLayout {
public:
    // `lines` are the detail lines ("1. a.dft", ...); `printedAt` is shown in every page header.
    explicit FileNameReportLayout(QStringList lines, QDateTime printedAt = QDateTime::currentDateTime());

    // A4 portrait, 10 mm margins on every side.
    static void SetupPage(QPagedPaintDevice& device);

    // Paints every page with `painter`, which must be active on `device`, starting on the
    // device's current page; returns how many pages there were.
    int PaintPages(QPainter& painter, QPagedPaintDevice& device) const;

    // Writes the pages as a PDF file, replacing the file only when the whole document is
    // written. Throws KrdlError "Cannot create file "<name>". <reason>".
    void SavePdf(const QString& fileName) const;

private:
    // The wrapped lines of each page for a page area of `width` by `height` (1/1200 inch).
    // Always at least one page.
    std::vector<QStringList> Pages(double width, double height) const;

    QStringList m_lines;
    QDateTime m_printedAt;
};
