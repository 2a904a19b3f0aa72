#pragma once
// docprops apply [--delete-others] SET.props
// docprops apply --csv IN.csv [--delete-others]
//
// Writes a property set file into the documents it lists, as "Save custom properties" of the
// property editor does after loading that set: each listed document gets every value of its
// section as a text property (an empty value as " "), the left one of two names equal ignoring
// case; with --delete-others its other custom properties are removed. With --csv the values come
// from a property CSV (properties/PropertyCsv.h), one row per document, its empty cells left out,
// and a value equal to the text export writes for the document's current property leaves that
// property as it is, type included (a document with nothing else to change is not written). One
// line per document on standard output: "<path>: Success!", "<path>: Success! Nothing to
// change." or "<path>: Failed! <reason>". Rows whose paths reach one file (written otherwise,
// hard or symbolic links) are one document, written once where its last row stands: a name
// both rows give takes the later row's value, and the earlier row's line says
// "<path>: Merged into line N, a later row for the same document.". The whole file is read and
// checked before any document is touched, then read again to write the documents a batch at a
// time, all recorded in one run of the undo journal.
//
// Exit code 0 when every document was written, 2 when some were not (they keep what they had;
// after Ctrl+C or SIGTERM the documents not begun yet fail as interrupted), 1 for a usage error
// or a set file that cannot be read.

#include <QStringList>

// The arguments after "apply".
int ApplyCommand(const QStringList& args);

// The usage line and the help paragraph of the command, for the tool's own.
QString ApplyUsage();
QString ApplyHelp();
