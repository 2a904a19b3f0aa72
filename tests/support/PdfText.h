#pragma once
// The text of a PDF file as pdftotext (poppler-utils) reads it, for tests of the report pages.

#include <QList>
#include <QString>
#include <QStringList>

namespace testfiles {

// True when pdftotext runs (on Windows the Debian host's, under Wine); the tests that need it
// skip otherwise.
bool HavePdfToText();

// pdftotext's output for the file with `options` (its lines end with LF); empty when the tool
// fails.
QString PdfToText(const QString& pdf, const QStringList& options);

// The non-blank lines of each page, trimmed ("-layout").
QList<QStringList> PdfPages(const QString& pdf);

} // namespace testfiles
