// krdl-batch: runs the program's batch copy or batch rename over the files named on the command
// line, with the same log lines on standard output as the log window shows, takes the last
// rename back, or writes the file-name report.
//
//   krdl-batch copy --to DIR [--overwrite] [--list LIST]... FILE...
//   krdl-batch rename --old TEXT --new TEXT [--ignore-case] [--list LIST]... FILE...
//   krdl-batch report [--with-path] --pdf OUT.pdf [--list LIST]... FILE...
//   krdl-batch undo
//
// Each command is one file (Commands.h). --list LIST stands for the ticked entries of a list
// file saved by the program.
//
// Exit code 0 when every file succeeded, 2 when some file failed or the run was interrupted,
// 1 on a usage error or when the destination folder is not set or cannot be created. Ctrl+C or
// SIGTERM stops the run like Cancel: a file being copied then fails and leaves no partial or
// temporary file; a second one ends the program at once (code 2), also removing that file.

#include "Commands.h"

#include "console/CommandLine.h"

using namespace Qt::StringLiterals;

int main(int argc, char** argv)
{
    const console::Tool krdlBatch{
        .name = u"krdl-batch"_s,
        .commands = {CopyCommand(), RenameCommand(), ReportCommand(), UndoCommand()},
        .helpIntro = u"\n"
                     "Runs the batch copy or batch rename of KRDL over the files named, printing the same log\n"
                     "lines as the program's log window, or writes its file-name report. --list LIST adds the\n"
                     "ticked entries of a list file saved by the program.\n"
                     "\n"_s,
        .helpEnd = u"\n"
                   "Ctrl+C or SIGTERM stops the run before its next file; a file being copied fails and leaves\n"
                   "nothing behind. A second one ends the program at once.\n"
                   "\n"
                   "Exit codes:\n"
                   "  0  every file succeeded\n"
                   "  1  usage error, a list file that cannot be read, a destination folder that is not set or\n"
                   "     cannot be created, a report that cannot be written, or no rename to undo\n"
                   "  2  some file failed to copy, rename or be put back, or the run was interrupted\n"_s,
        .equalsAndDoubleDash = true,
        .namesUsageProblems = true,
    };
    return console::RunTool(krdlBatch, argc, argv);
}
