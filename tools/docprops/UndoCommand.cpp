// docprops undo
//
// Takes back the last property save (of this tool's apply, set or remove, or of the program's
// editor) as the program's "Undo last property save" does, with its log on standard output. A
// document changed since the save, replaced or gone is named and left as it is.
//
// Exit code 0 when every document of the save has its properties back, 1 otherwise (a usage
// error, no save to undo, a save still running, a document that could not be put back, an
// interruption); messages go to standard error.

#include "Commands.h"

#include "properties/PropertyUndo.h"
#include "console/ConsoleMessages.h"
#include "console/ConsoleProgress.h"

using namespace Qt::StringLiterals;

namespace {

int Undo(const console::CommandLine& line)
{
    if (!line.Arguments().isEmpty())
        return line.UsageError(u"undo takes no arguments"_s);
    console::ConsoleProgress log;
    console::ConsoleMessages messages(console::ConsoleMessages::NamedLines);
    PropertyUndo undo(log, messages);
    undo.Execute();
    const RunResult& result = undo.Result();
    return result.started && !result.cancelled && result.failed == 0 ? 0 : 1;
}

} // namespace

console::ToolCommand UndoCommand()
{
    const QStringList usage = {u"docprops undo"_s};
    return {
        .name = u"undo"_s,
        .usage = usage,
        .errorUsage = usage,
        .help = u"  undo     gives the documents of the last property save (apply, set, remove, or the\n"
                "           program's \"Save custom properties\") exactly the custom properties they had\n"
                "           before it, also after a save cut short by a crash; a document changed since,\n"
                "           replaced or gone is reported and left as it is. The last ten saves are kept;\n"
                "           each undo takes back the newest one not undone yet. Exit code 0 when every\n"
                "           document is back as it was, 1 otherwise.\n"_s,
        .placement = console::OptionPlacement::BeforeOperands,
        .run = Undo,
    };
}
