#include "console/CommandLine.h"

#include "common/Error.h"
#include "common/FsPath.h"
#include "console/ConsoleOutput.h"

#include <QCoreApplication>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace console {

namespace {

const ToolCommand* FindCommand(const Tool& tool, const QString& name)
{
    const auto it = std::find_if(tool.commands.cbegin(), tool.commands.cend(),
                                 [&name](const ToolCommand& command) { return command.name == name; });
    return it == tool.commands.cend() ? nullptr : &*it;
}

// A usage error before a command is known: no command, or an unknown one.
int ToolUsageError(const Tool& tool, const QString& problem)
{
    if (tool.namesUsageProblems)
        Error(problem);
    QStringList lines;
    for (const ToolCommand& command : tool.commands)
        lines += command.usage;
    Print(stderr, UsageText(lines));
    return kExitUsage;
}

} // namespace

QString UsageText(const QStringList& lines)
{
    QString text;
    for (const QString& line : lines)
        text += (text.isEmpty() ? u"usage: "_s : u"       "_s) + line + u'\n';
    return text;
}

QString HelpText(const Tool& tool)
{
    QStringList lines;
    QString help;
    for (const ToolCommand& command : tool.commands) {
        lines += command.usage;
        help += command.help;
    }
    return UsageText(lines) + tool.helpIntro + help + tool.helpEnd;
}

int RunTool(const Tool& tool, int argc, char** argv)
{
    SetToolName(tool.name);
    // The application comes first (on Windows the arguments are read through it), so the
    // command is found by its bytes here; command names are ASCII.
    const ToolCommand* command = argc > 1 ? FindCommand(tool, QString::fromLatin1(argv[1])) : nullptr;
    const std::unique_ptr<QCoreApplication> application =
        command && command->application ? command->application(argc, argv) : std::make_unique<QCoreApplication>(argc, argv);

    QStringList args = CommandLineArguments(argc, argv);
    if (args.isEmpty())
        return ToolUsageError(tool, u"no command given"_s);
    if (args.size() == 1 && (args.front() == u"--help"_s || args.front() == u"-h"_s)) {
        Print(stdout, HelpText(tool));
        return 0;
    }
    command = FindCommand(tool, args.front());
    if (!command)
        return ToolUsageError(tool, u"unknown command \""_s + args.front() + u'"');
    args.removeFirst();
    const CommandLine line(tool, *command, args);
    if (!line.Problem().isEmpty())
        return line.UsageError(line.Problem());
    return command->run(line);
}

CommandLine::CommandLine(const Tool& tool, const ToolCommand& command, const QStringList& args)
    : m_tool(tool), m_command(command)
{
    Read(args);
}

void CommandLine::Read(const QStringList& args)
{
    const bool beforeOperands = m_command.placement == OptionPlacement::BeforeOperands;
    bool operandsOnly = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (operandsOnly || !arg.startsWith(u"--"_s)) {
            m_arguments.append({QString(), arg});
            operandsOnly = operandsOnly || beforeOperands;
            continue;
        }
        if (arg == u"--"_s && m_tool.equalsAndDoubleDash && !beforeOperands) {
            operandsOnly = true;
            continue;
        }
        QString name = arg;
        std::optional<QString> inlineValue;
        if (const qsizetype eq = arg.indexOf(u'='); m_tool.equalsAndDoubleDash && eq > 0) {
            name = arg.left(eq);
            inlineValue = arg.mid(eq + 1);
        }
        const auto option = std::find_if(m_command.options.cbegin(), m_command.options.cend(),
                                         [&name](const CommandOption& o) { return o.name == name; });
        // Why `arg` is not an option taken here.
        QString problem;
        QString value;
        if (option == m_command.options.cend() || (inlineValue && !option->takesValue)) {
            problem = u"unknown option \""_s + arg + u"\" for "_s + m_command.name;
        } else if (option->takesValue) {
            if (inlineValue)
                value = *inlineValue;
            else if (i + 1 < args.size())
                value = args.at(i + 1);
            else
                problem = name + u" needs a value"_s;
            if (problem.isEmpty() && value.isEmpty() && !option->valueMayBeEmpty)
                problem = name + u" needs a value"_s;
        }
        if (problem.isEmpty() && !option->repeatable && Has(name))
            problem = name + u" given twice"_s;
        if (!problem.isEmpty()) {
            if (!beforeOperands) {
                m_problem = problem;
                return;
            }
            m_arguments.append({QString(), arg});
            operandsOnly = true;
            continue;
        }
        if (option->takesValue && !inlineValue)
            ++i;
        if (!option->expand) {
            m_arguments.append({name, value});
            continue;
        }
        try {
            for (const QString& operand : option->expand(value))
                m_arguments.append({QString(), operand});
        } catch (const KrdlError& e) {
            m_problem = e.Message();
            return;
        }
    }
}

QStringList CommandLine::Operands() const
{
    QStringList operands;
    for (const Argument& argument : m_arguments) {
        if (argument.option.isEmpty())
            operands.append(argument.value);
    }
    return operands;
}

bool CommandLine::Has(const QString& option) const
{
    return std::any_of(m_arguments.cbegin(), m_arguments.cend(),
                       [&option](const Argument& argument) { return argument.option == option; });
}

std::optional<QString> CommandLine::Value(const QString& option) const
{
    for (auto it = m_arguments.crbegin(); it != m_arguments.crend(); ++it) {
        if (it->option == option)
            return it->value;
    }
    return std::nullopt;
}

int CommandLine::UsageError(const QString& problem) const
{
    if (m_command.errorUsage.isEmpty())
        return ToolUsageError(m_tool, problem);
    if (m_tool.namesUsageProblems)
        Error(problem);
    Print(stderr, UsageText(m_command.errorUsage));
    return kExitUsage;
}

} // namespace console
