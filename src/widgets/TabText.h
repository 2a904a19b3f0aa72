#pragma once
// Tab-separated text as spreadsheets put it on the clipboard and take it from there: cells
// separated by tabs, rows ended by CR LF (the last one too). A cell holding a tab, a quote or a
// line break is written in quotes with its quotes doubled.

#include <QString>
#include <QStringList>

#include <vector>

// Rows of cells; rows read from text may differ in length.
using TextBlock = std::vector<QStringList>;

// The block as tab-separated text, `header` first when it is not empty.
QString FormatTabText(const TextBlock& rows, const QStringList& header = {});

// Reads tab-separated text. A cell that starts with a quote runs to the next quote not doubled,
// tabs and line breaks included (text after that quote up to the next tab or line end is kept
// as it is); a quote elsewhere is an ordinary character. Rows end at LF, CR LF or a lone CR; a
// line end at the very end of the text starts no further row. The empty text is no rows.
TextBlock ParseTabText(const QString& text);
