// docprops remove FILE NAME...: removes properties by name, ignoring letter case.

#include "Commands.h"
#include "DocumentAccess.h"

using namespace Qt::StringLiterals;

namespace {

int Remove(const console::CommandLine& line)
{
    QStringList operands = line.Operands();
    if (operands.size() < 2)
        return line.UsageError(u"remove needs FILE and NAME"_s);
    DocumentChanges change;
    change.path = operands.takeFirst();
    change.removals = operands;
    return WriteOneDocument(std::move(change));
}

} // namespace

console::ToolCommand RemoveCommand()
{
    return {
        .name = u"remove"_s,
        .usage = {u"docprops remove FILE NAME..."_s},
        .help = u"  remove   removes the properties of those names, ignoring letter case.\n"_s,
        .placement = console::OptionPlacement::BeforeOperands,
        .run = Remove,
    };
}
