// docprops set FILE NAME=VALUE...: text properties, written as the property editor writes them.

#include "Commands.h"
#include "DocumentAccess.h"

#include "console/ConsoleOutput.h"

using namespace Qt::StringLiterals;

namespace {

int Set(const console::CommandLine& line)
{
    QStringList operands = line.Operands();
    if (operands.size() < 2)
        return line.UsageError(u"set needs FILE and NAME=VALUE"_s);
    DocumentChanges change;
    change.path = operands.takeFirst();
    for (const QString& assignment : operands) {
        const qsizetype eq = assignment.indexOf(u'=');
        if (eq <= 0) {
            console::Error(u"%1: expected NAME=VALUE, got %2"_s.arg(Quoted(change.path), Quoted(assignment)));
            return 1;
        }
        const QString name = assignment.left(eq);
        const QString own = SystemPropertyName(name);
        if (own.isNull()) {
            change.properties.Add(name, assignment.mid(eq + 1));
        } else if (own.isEmpty()) {
            console::Error(u"%1: the document has no property of its own named %2"_s.arg(Quoted(change.path), Quoted(name)));
            return 1;
        } else {
            change.system.emplace_back(own, assignment.mid(eq + 1));
        }
    }
    return WriteOneDocument(std::move(change));
}

} // namespace

console::ToolCommand SetCommand()
{
    return {
        .name = u"set"_s,
        .usage = {u"docprops set FILE NAME=VALUE..."_s},
        .help = u"  set      writes text properties as the property editor does (an empty VALUE is\n"
                "           stored as one blank); a property of that name, in any letter case, is replaced.\n"
                "           System.NAME sets the document's own property NAME (System.Title,\n"
                "           System.Document Number; see show --system), in the same save.\n"_s,
        .placement = console::OptionPlacement::BeforeOperands,
        .run = Set,
    };
}
