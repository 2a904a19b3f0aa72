#pragma once
// The front end of the command-line tools: each tool is one table of commands (name, usage
// lines, help paragraph, options, handler), and `RunTool` reads the arguments by that table,
// prints the usage and the help, and runs the command's handler with its `CommandLine`.
//
// Options are always spelled with two dashes. A tool either takes "--name=value" and "--" (the
// rest are operands) or neither, and a command takes its options either anywhere among its
// operands or only before the first one; these differences are the tools' own, kept so that a
// script that ran them before runs them the same way now.

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class QCoreApplication;

namespace console {

// The exit code of a usage error, the same for every tool.
inline constexpr int kExitUsage = 1;

struct CommandOption {
    QString name = {};           // "--to"
    bool takesValue = false;     // "--to DIR" (or "--to=DIR"); otherwise a flag
    bool repeatable = false;     // otherwise a second one is a usage error
    bool valueMayBeEmpty = true; // otherwise an empty value "needs a value"
    // Turns the value into operands that stand where the option stands, while the arguments are
    // read (the ticked paths of a list file); a KrdlError it throws is the usage problem.
    QStringList (*expand)(const QString& value) = nullptr;
};

enum class OptionPlacement {
    // Among the operands; an argument starting with "--" that is no option of the command is a
    // usage error.
    Anywhere,
    // Only before the first operand: the first argument that is not an option taken as one (an
    // unknown "--x", "--", a repeat, an option without its value) begins the operands, and
    // every argument after it is one.
    BeforeOperands,
};

class CommandLine;

struct ToolCommand {
    QString name = {};           // "copy"
    QStringList usage = {};      // its lines of the tool's usage, each without "usage: "
    QStringList errorUsage = {}; // what a usage error of the command prints; empty: the tool's usage
    QString help = {};           // its paragraph of --help
    OptionPlacement placement = OptionPlacement::Anywhere;
    QList<CommandOption> options = {};
    int (*run)(const CommandLine& line) = nullptr; // returns the exit code
    // The application object the command needs, made before anything else (a QGuiApplication
    // to paint); none: a QCoreApplication.
    std::unique_ptr<QCoreApplication> (*application)(int& argc, char** argv) = nullptr;
};

struct Tool {
    QString name = {};          // starts its error lines: "krdl-batch: ..."
    QList<ToolCommand> commands = {};
    QString helpIntro = {};     // --help: the usage, this, each command's help, then `helpEnd`
    QString helpEnd = {};
    bool equalsAndDoubleDash = false;
    bool namesUsageProblems = false; // a usage error says what is wrong before the usage
};

// "usage: " and the commands' usage lines, one under the other.
QString UsageText(const QStringList& lines);
// What --help prints.
QString HelpText(const Tool& tool);

// Runs the tool on the program's arguments (file names byte for byte, see CommandLineArguments)
// and returns the exit code: 0 for --help (or -h) alone, `kExitUsage` for a usage error, or what
// the command's handler returns.
int RunTool(const Tool& tool, int argc, char** argv);

// The arguments of one command, after its name, read by its options.
class CommandLine {
public:
    struct Argument {
        QString option; // empty for an operand
        QString value;  // the operand or the option's value; empty for a flag
    };

    CommandLine(const Tool& tool, const ToolCommand& command, const QStringList& args);

    // Why the arguments do not fit the command; empty when they do.
    const QString& Problem() const { return m_problem; }

    // Operands and options in their order (an expanded option's operands in its place).
    const QList<Argument>& Arguments() const { return m_arguments; }
    QStringList Operands() const;
    bool Has(const QString& option) const;
    // The option's value, the last one of a repeatable option.
    std::optional<QString> Value(const QString& option) const;

    // Prints the usage error (the problem first, where the tool names its problems) to standard
    // error and returns `kExitUsage`.
    int UsageError(const QString& problem) const;

private:
    void Read(const QStringList& args);

    const Tool& m_tool;
    const ToolCommand& m_command;
    QList<Argument> m_arguments;
    QString m_problem;
};

} // namespace console
