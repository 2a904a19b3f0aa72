// docprops remove FILE NAME...: removes properties by name, ignoring letter case.

#include "Commands.h"
#include "DocumentAccess.h"

#include "console/ConsoleOutput.h"

using namespace Qt::StringLiterals;

namespace {

int Remove(const console::CommandLine& line)
{
    QStringList operands = line.Operands();
    if (operands.size() < 2)
        return line.UsageError(u"remove needs FILE and NAME"_s);
    DocumentChanges change;
    change.path = operands.takeFirst();
    for (const QString& name : operands) {
        const QString own = SystemPropertyName(name);
        if (own.isNull()) {
            change.removals << name;
        } else if (own.isEmpty()) {
            console::Error(u"%1: the document has no property of its own named %2"_s.arg(Quoted(change.path), Quoted(name)));
            return 1;
        } else {
            change.system.emplace_back(own, QString());
        }
    }
    return WriteOneDocument(std::move(change));
}

} // namespace

console::ToolCommand RemoveCommand()
{
    return {
        .name = u"remove"_s,
        .usage = {u"docprops remove FILE NAME..."_s},
        .help = u"  remove   removes the properties of those names, ignoring letter case (System.NAME:\n"
                "           the document's own property NAME).\n"_s,
        .placement = console::OptionPlacement::BeforeOperands,
        .run = Remove,
    };
}
