#pragma once
// docprops undo
//
// Takes back the last property save (of this tool's apply or of the program's editor) as the
// program's "Undo last property save" does, with its log on standard output. A document
// changed since the save, replaced or gone is named and left as it is.
//
// Exit code 0 when every document of the save has its properties back, 1 otherwise (a usage
// error, no save to undo, a save still running, a document that could not be put back, an
// interruption); messages go to standard error.

#include <QStringList>

// The arguments after "undo".
int UndoCommand(const QStringList& args);

QString UndoUsage();
QString UndoHelp();
