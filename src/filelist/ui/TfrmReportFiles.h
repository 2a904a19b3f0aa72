#pragma once
// The file-name report on screen and on a printer: the "Print Preview" window over the pages of
// filelist/report/FileNameReportLayout.h, with printing to the printer chosen there.

#include "filelist/report/FileNameReportLayout.h"

class QPrinter;
class QPrintPreviewDialog;
class QWidget;

class TfrmReportFiles {
public:
    explicit TfrmReportFiles(FileNameReportLayout report);

    // The report's page (FileNameReportLayout::SetupPage), one copy.
    static void SetupPage(QPrinter& printer);

    // The modal "Print Preview" window over `printer`: zoom, paging, printer setup, print, close.
    // The caller runs it and keeps `printer` alive as long as the window. A print that fails
    // (a PDF file that cannot be written, say) is shown in a message box and the preview stays.
    QPrintPreviewDialog* CreatePreview(QPrinter& printer, QWidget* parent) const;
    // Shows the preview over the current printer (CurrentPrinterName) and returns when it is
    // closed; the printer it printed on becomes the current printer.
    void Preview(QWidget* parent) const;

private:
    FileNameReportLayout m_report;
};

// "Print filenames" (`withPath` false) and "Print filenames with path": a fresh report of
// `paths` in their order, shown in the preview; returns when the preview is closed.
void PrintFileNames(const QStringList& paths, bool withPath, QWidget* parent);
