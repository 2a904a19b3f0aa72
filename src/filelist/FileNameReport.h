#pragma once
// The lines of the file-name report: one numbered line per collected path.

#include <QString>
#include <QStringList>

// The report's title, shown at the left of every page header.
inline constexpr char16_t kFileNameReportTitle[] = u"Velmar solid edge utils - filelist";

// "1. a.dft", "2. b.par", ...: the position counted from 1, ". ", then the whole path (`withPath`)
// or the part after its last folder separator.
QStringList FileNameReportLines(const QStringList& paths, bool withPath);
