// docprops: shows, sets and removes the custom properties of documents from the command line.
//
//   docprops show FILE...              name <TAB> type <TAB> value, one line per property
//   docprops show --json FILE...       one JSON array, one object per file
//   docprops set FILE NAME=VALUE...    writes text properties as the property editor does
//   docprops remove FILE NAME...       removes properties (ignoring case)
//   docprops apply [--delete-others] SET.props
//                                      writes a property set file into its documents
//   docprops apply --csv IN.csv [--delete-others]
//                                      the same from a CSV file
//   docprops export --csv OUT.csv FILE...
//                                      the documents' properties as a CSV file
//   docprops undo                      takes the last property save back
//
// Each command is one file (Commands.h). Exit code 0 on success, 1 on any error (apply: 2 when
// some documents failed); an error message names the file, and a file whose update failed
// keeps what it had.

#include "Commands.h"

#include "console/CommandLine.h"
#include "platform/Interrupt.h"

using namespace Qt::StringLiterals;

int main(int argc, char** argv)
{
    // Ctrl+C or SIGTERM lets the document being written finish; a write past the file size
    // limit fails like one on a full disk instead of killing the tool.
    platform::InstallInterruptHandlers(1);
    const console::Tool docprops{
        .name = u"docprops"_s,
        .commands = {ShowCommand(), SetCommand(), RemoveCommand(), ApplyCommand(), ExportCommand(), UndoCommand()},
        .helpIntro = u"\n"
                     "Shows, sets and removes the custom properties of Solid Edge documents (and of other OLE\n"
                     "compound documents), with the engine of KRDL.\n"
                     "\n"_s,
        .helpEnd = u"\n"
                   "A document that cannot be updated keeps what it had. Ctrl+C or SIGTERM lets an update\n"
                   "in progress finish and stops before the next file.\n"
                   "\n"
                   "Exit codes:\n"
                   "  0  success\n"
                   "  1  usage error, or some file could not be read or updated (the message names it),\n"
                   "     or the run was interrupted\n"
                   "  2  apply: some documents were not written (their lines say why)\n"_s,
    };
    return console::RunTool(docprops, argc, argv);
}
