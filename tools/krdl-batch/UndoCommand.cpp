// krdl-batch undo: takes back the last rename, of this tool or of the program.

#include "Commands.h"

#include "batch/RenameUndo.h"
#include "console/ConsoleMessages.h"
#include "console/ConsoleProgress.h"
#include "platform/Interrupt.h"

using namespace Qt::StringLiterals;

namespace {

int Undo(const console::CommandLine& line)
{
    if (!line.Arguments().isEmpty())
        return line.UsageError(u"undo takes no arguments"_s);
    platform::InstallInterruptHandlers(kExitFailed);
    console::ConsoleProgress progress;
    console::ConsoleMessages messages(console::ConsoleMessages::PlainLines);
    RenameUndo undo(progress, messages);
    undo.Execute();
    // No rename to undo is a message, and no run.
    return messages.Shown() ? 1 : RunExitCode(undo.Result());
}

} // namespace

console::ToolCommand UndoCommand()
{
    return {
        .name = u"undo"_s,
        .usage = {u"krdl-batch undo"_s},
        .help = u"  undo     puts the files of the last rename (of this tool or the program, batch or single)\n"
                "           back under their old names, also after a rename cut short by a crash; a file\n"
                "           whose old name is taken since, or that is gone, is reported and left as it is.\n"
                "           The last ten renames are kept; each undo takes back the newest one not undone.\n"_s,
        .placement = console::OptionPlacement::BeforeOperands,
        .run = Undo,
    };
}
