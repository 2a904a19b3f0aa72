#pragma once
// The file-name report: numbered lines on A4 pages, each page with a header band (title at the
// left, date and time of printing at the right, a thin line below) and a footer band (a thin
// line, the page number centred below it). Long lines wrap within the page width and the lines
// run on over as many pages as they need; a report without lines is one page with header and
// footer.
//
// The pages are laid out in fixed units of 1/1200 inch with fonts sized in those units, and only
// then scaled to the device. So the preview, a printer of any resolution and a PDF file all get
// the same lines on the same pages.

#include <QDateTime>
#include <QStringList>

#include <vector>

class QPagedPaintDevice;
class QPrinter;
class QPrintPreviewDialog;
class QWidget;

class TfrmReportFiles {
public:
    TfrmReportFiles();

    // The detail lines ("1. a.dft", ...).
    QStringList mFiles;
    // Shown in every page header.
    QDateTime printedAt;

    // A4 portrait, 10 mm margins on every side, one copy.
    static void SetupPage(QPagedPaintDevice& device);

    // The wrapped lines of each page for a page area of Width by Height (1/1200 inch). Always
    // at least one page.
    std::vector<QStringList> Pages(double width, double height) const;
    // Paints every page onto Device (its current page first) and returns how many there were.
    int PaintPages(QPagedPaintDevice& device) const;

    // The modal "Print Preview" window over Printer: zoom, paging, printer setup, print, close.
    // The caller runs it and keeps Printer alive as long as the window. A print that fails
    // (a PDF file that cannot be written, say) is shown in a message box and the preview stays.
    QPrintPreviewDialog* CreatePreview(QPrinter& printer, QWidget* parent) const;
    // Shows the preview over the current printer (CurrentPrinterName) and returns when it is
    // closed; the printer it printed on becomes the current printer.
    void Preview(QWidget* parent) const;

    // Writes the pages the preview shows as a PDF file, replacing the file only when the whole
    // document is written. Throws KrdlError "Cannot create file "<name>". <reason>".
    void SavePdf(const QString& fileName) const;
};

// "Print filenames" (WithPath false) and "Print filenames with path": a fresh report of Paths in
// their order, shown in the preview; returns when the preview is closed.
void PrintFileNames(const QStringList& paths, bool withPath, QWidget* parent);
