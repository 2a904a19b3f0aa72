#include "Undo.h"
#include "Console.h"

#include "batch/ConsoleProgress.h"
#include "properties/PropertyUndo.h"

using namespace Qt::StringLiterals;

namespace {

class ConsoleMessages : public MessageSink {
public:
    void Information(const QString&, const QString& text) override { Error(text); }
};

} // namespace

QString UndoUsage()
{
    return u"       docprops undo\n"_s;
}

QString UndoHelp()
{
    return u"  undo     gives the documents of the last property save (apply, set, remove, or the\n"
           "           program's \"Save custom properties\") exactly the custom properties they had\n"
           "           before it, also after a save cut short by a crash; a document changed since,\n"
           "           replaced or gone is reported and left as it is. The last ten saves are kept;\n"
           "           each undo takes back the newest one not undone yet. Exit code 0 when every\n"
           "           document is back as it was, 1 otherwise.\n"_s;
}

int UndoCommand(const QStringList& args)
{
    if (!args.isEmpty()) {
        Print(stderr, u"usage: docprops undo\n"_s);
        return 1;
    }
    ConsoleProgress log;
    ConsoleMessages messages;
    PropertyUndo undo(log, messages);
    undo.Execute();
    const RunResult& r = undo.Result();
    return r.started && !r.cancelled && r.failed == 0 ? 0 : 1;
}
