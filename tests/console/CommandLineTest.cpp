// How the tools' one parser reads a command's arguments: where options may stand, their values,
// repeats, "--name=value" and "--", and the operands an option expands to.
#include "common/Error.h"
#include "console/CommandLine.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using console::OptionPlacement;

namespace {

// "--expand a,b" stands for the operands "a" and "b"; "--expand bad" cannot be read.
QStringList Expand(const QString& value)
{
    if (value == u"bad"_s)
        throw KrdlError(u"cannot read bad"_s);
    return value.split(u',');
}

// The arguments as "operand", "--flag" or "--option=value", joined by "|"; a problem as "!problem".
QString Read(bool equalsAndDoubleDash, OptionPlacement placement, const QStringList& args)
{
    console::Tool tool;
    tool.equalsAndDoubleDash = equalsAndDoubleDash;
    console::ToolCommand command{
        .name = u"test"_s,
        .placement = placement,
        .options = {{.name = u"--to"_s, .takesValue = true},
                    {.name = u"--flag"_s},
                    {.name = u"--many"_s, .takesValue = true, .repeatable = true},
                    {.name = u"--full"_s, .takesValue = true, .valueMayBeEmpty = false},
                    {.name = u"--expand"_s, .takesValue = true, .repeatable = true, .expand = Expand}},
    };
    const console::CommandLine line(tool, command, args);
    if (!line.Problem().isEmpty())
        return u'!' + line.Problem();
    QStringList items;
    for (const console::CommandLine::Argument& argument : line.Arguments()) {
        const bool flag = argument.option == u"--flag"_s;
        items << (argument.option.isEmpty() ? argument.value : flag ? argument.option : argument.option + u'=' + argument.value);
    }
    return items.join(u'|');
}

} // namespace

TEST(CommandLine, ReadsOptionsAndOperandsByThePlacementAndStyleOfTheCommand)
{
    constexpr auto anywhere = OptionPlacement::Anywhere;
    constexpr auto before = OptionPlacement::BeforeOperands;
    const struct {
        bool equals;
        OptionPlacement placement;
        QStringList args;
        QString expected;
    } cases[] = {
        {true, anywhere, {u"a"_s, u"--to"_s, u"d"_s, u"-x"_s}, u"a|--to=d|-x"_s},
        {true, anywhere, {u"--to=d=e"_s}, u"--to=d=e"_s},
        {true, anywhere, {u"--to2"_s, u"a"_s}, u"!unknown option \"--to2\" for test"_s},
        {true, anywhere, {u"--to="_s, u"a"_s}, u"--to=|a"_s},
        {true, anywhere, {u"--to"_s}, u"!--to needs a value"_s},
        {true, anywhere, {u"--full="_s}, u"!--full needs a value"_s},
        {true, anywhere, {u"--full"_s, u""_s}, u"!--full needs a value"_s},
        {true, anywhere, {u"--to"_s, u"x"_s, u"--to=y"_s}, u"!--to given twice"_s},
        {true, anywhere, {u"--flag"_s, u"--flag"_s}, u"!--flag given twice"_s},
        {true, anywhere, {u"--flag=1"_s}, u"!unknown option \"--flag=1\" for test"_s},
        {true, anywhere, {u"--many"_s, u"1"_s, u"--many=2"_s, u"--flag"_s}, u"--many=1|--many=2|--flag"_s},
        {true, anywhere, {u"--"_s, u"--to"_s, u"--"_s}, u"--to|--"_s},
        {true, anywhere, {u"z"_s, u"--expand"_s, u"p,q"_s, u"--expand=r"_s}, u"z|p|q|r"_s},
        {true, anywhere, {u"--expand"_s, u"bad"_s, u"--nope"_s}, u"!cannot read bad"_s},
        {false, anywhere, {u"--to=d"_s}, u"!unknown option \"--to=d\" for test"_s},
        {false, anywhere, {u"--"_s, u"a"_s}, u"!unknown option \"--\" for test"_s},
        {false, anywhere, {u"a"_s, u"--to"_s, u"--flag"_s}, u"a|--to=--flag"_s},
        // Before the operands, whatever is not taken as an option is the first operand.
        {true, before, {u"--flag"_s, u"a"_s, u"--to"_s, u"d"_s}, u"--flag|a|--to|d"_s},
        {true, before, {u"--flag"_s, u"--flag"_s, u"a"_s}, u"--flag|--flag|a"_s},
        {true, before, {u"--full"_s, u""_s, u"a"_s}, u"--full||a"_s},
        {true, before, {u"--to"_s}, u"--to"_s},
        {true, before, {u"--"_s, u"--flag"_s}, u"--|--flag"_s},
        {false, before, {u"--to=d"_s, u"--to"_s, u"e"_s}, u"--to=d|--to|e"_s},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Read(c.equals, c.placement, c.args), c.expected) << c.args.join(u' ').toStdString();
}

TEST(CommandLine, ValuesOperandsAndTheLastOfARepeatedOption)
{
    console::Tool tool;
    const console::ToolCommand command{
        .name = u"test"_s,
        .options = {{.name = u"--many"_s, .takesValue = true, .repeatable = true}, {.name = u"--flag"_s}},
    };
    const console::CommandLine line(tool, command, {u"a"_s, u"--many"_s, u"1"_s, u"b"_s, u"--many"_s, u"2"_s});
    EXPECT_EQ(line.Operands(), QStringList({u"a"_s, u"b"_s}));
    EXPECT_EQ(line.Value(u"--many"_s), u"2"_s);
    EXPECT_FALSE(line.Value(u"--flag"_s).has_value());
    EXPECT_FALSE(line.Has(u"--flag"_s));
    EXPECT_TRUE(line.Has(u"--many"_s));
}
