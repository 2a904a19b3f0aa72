// krdl-batch: runs the program's batch copy or batch rename over the files named on the command
// line, with the same log lines on standard output as the log window shows.
//
//   krdl-batch copy --to DIR [--overwrite] [--list LIST]... FILE...
//   krdl-batch rename --old TEXT --new TEXT [--ignore-case] [--list LIST]... FILE...
//   krdl-batch report [--with-path] --pdf OUT.pdf [--list LIST]... FILE...   (ReportCommand.h)
//   krdl-batch undo
//
// --list LIST stands for the ticked entries of a list file saved by the program.
//
// Exit code 0 when every file succeeded, 2 when some file failed or the run was interrupted,
// 1 on a usage error or when the destination folder is not set or cannot be created. Ctrl+C or
// SIGTERM stops the run like Cancel: a file being copied then fails and leaves no partial or
// temporary file; a second one ends the program at once (code 2), also removing that file.

#include "batch/ConsoleProgress.h"
#include "batch/RenameUndo.h"
#include "batch/TarCopyFiles.h"
#include "batch/TarRenameFiles.h"
#include "common/Error.h"
#include "common/FsPath.h"
#include "filelist/ListFile.h"
#include "platform/Interrupt.h"
#include "ReportCommand.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>
#include <cstring>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

class ConsoleMessages : public MessageSink {
public:
    void Information(const QString&, const QString& text) override
    {
        WriteNativeLine(stderr, text);
        shown = true;
    }
    bool shown = false;
};

constexpr int kExitFailed = 2;

const char* const usageText = "usage: krdl-batch copy --to DIR [--overwrite] [--list LIST]... FILE...\n"
                              "       krdl-batch rename --old TEXT --new TEXT [--ignore-case] [--list LIST]... FILE...\n"
                              "       krdl-batch report [--with-path] --pdf OUT.pdf [--list LIST]... FILE...\n"
                              "       krdl-batch undo\n";

const char* const helpText =
    "\n"
    "Runs the batch copy or batch rename of KRDL over the files named, printing the same log\n"
    "lines as the program's log window, or writes its file-name report. --list LIST adds the\n"
    "ticked entries of a list file saved by the program.\n"
    "\n"
    "  copy     copies every FILE into DIR under its own name; DIR is created when its parent\n"
    "           exists. A file is written under a temporary name and renamed into place when\n"
    "           complete; without --overwrite an existing file of that name is never replaced.\n"
    "           Temporaries that copies which died left in DIR (unchanged for a day, in use by\n"
    "           no copy) are removed first, each with a log line.\n"
    "  rename   replaces the first occurrence of the --old text in each FILE's name by the --new\n"
    "           text (--ignore-case: of ASCII letters); an existing file is never replaced.\n"
    "  report   writes the numbered file names (--with-path: full paths) as a PDF file.\n"
    "  undo     puts the files of the last rename (of this tool or the program, batch or single)\n"
    "           back under their old names, also after a rename cut short by a crash; a file\n"
    "           whose old name is taken since, or that is gone, is reported and left as it is.\n"
    "           The last ten renames are kept; each undo takes back the newest one not undone.\n"
    "\n"
    "Ctrl+C or SIGTERM stops the run before its next file; a file being copied fails and leaves\n"
    "nothing behind. A second one ends the program at once.\n"
    "\n"
    "Exit codes:\n"
    "  0  every file succeeded\n"
    "  1  usage error, a list file that cannot be read, a destination folder that is not set or\n"
    "     cannot be created, a report that cannot be written, or no rename to undo\n"
    "  2  some file failed to copy, rename or be put back, or the run was interrupted\n";

int usage(const QString& problem)
{
    WriteNativeLine(stderr, u"krdl-batch: "_s + problem);
    std::fputs(usageText, stderr);
    return 1;
}

struct Options {
    QString command;
    std::optional<QString> to, oldText, newText;
    bool overwrite = false;
    bool ignoreCase = false;
    QStringList files;
};

// Parses the arguments after the program name; returns an error text, or nothing when fine.
std::optional<QString> parse(const QStringList& args, Options& o)
{
    if (args.isEmpty())
        return QStringLiteral("no command given");
    o.command = args.front();
    if (o.command == u"undo")
        return args.size() == 1 ? std::nullopt : std::optional(u"undo takes no arguments"_s);
    if (o.command != u"copy" && o.command != u"rename")
        return u"unknown command \""_s + o.command + u"\""_s;
    const bool copy = o.command == u"copy";
    bool onlyFiles = false;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if (onlyFiles || !a.startsWith(u"--")) {
            o.files << a;
            continue;
        }
        if (a == u"--") {
            onlyFiles = true;
            continue;
        }
        QString name = a, value;
        bool inlineValue = false;
        if (const qsizetype eq = a.indexOf(u'='); eq > 0) {
            name = a.left(eq);
            value = a.mid(eq + 1);
            inlineValue = true;
        }
        std::optional<QString>* target = nullptr;
        if (copy && name == u"--to")
            target = &o.to;
        else if (!copy && name == u"--old")
            target = &o.oldText;
        else if (!copy && name == u"--new")
            target = &o.newText;
        if (target) {
            if (!inlineValue) {
                if (i + 1 >= args.size())
                    return name + u" needs a value"_s;
                value = args.at(++i);
            }
            if (target->has_value())
                return name + u" given twice"_s;
            *target = value;
            continue;
        }
        if (name == u"--list") {
            if (!inlineValue) {
                if (i + 1 >= args.size())
                    return name + u" needs a value"_s;
                value = args.at(++i);
            }
            try {
                o.files += ReadCheckedListFilePaths(value);
            } catch (const KrdlError& e) {
                return e.message();
            }
            continue;
        }
        if (!inlineValue && copy && name == u"--overwrite") {
            o.overwrite = true;
            continue;
        }
        if (!inlineValue && !copy && name == u"--ignore-case") {
            o.ignoreCase = true;
            continue;
        }
        return u"unknown option \""_s + a + u"\" for "_s + o.command;
    }
    if (copy && !o.to)
        return QStringLiteral("copy needs --to DIR");
    if (!copy && (!o.oldText || !o.newText))
        return QStringLiteral("rename needs --old TEXT and --new TEXT");
    // As in the program, a rename never just deletes text from names, nor looks for nothing.
    if (!copy && (o.oldText->isEmpty() || o.newText->isEmpty()))
        return QStringLiteral("--old and --new must not be empty");
    if (o.files.isEmpty())
        return QStringLiteral("no files given");
    return std::nullopt;
}

int exitCode(const RunResult& r)
{
    return r.failed > 0 || r.cancelled ? kExitFailed : 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "report") == 0)
        return RunReportCommand(argc, argv);
    QCoreApplication app(argc, argv);
    // Names as given: on POSIX their bytes, not decoded through the locale; on Windows the wide
    // command line.
    const QStringList args = CommandLineArguments(argc, argv);
    if (args.size() == 1 && (args.front() == u"--help" || args.front() == u"-h")) {
        std::fputs(usageText, stdout);
        std::fputs(helpText, stdout);
        return 0;
    }
    Options o;
    if (const auto problem = parse(args, o))
        return usage(*problem);

    platform::InstallInterruptHandlers(kExitFailed);
    ConsoleProgress progress;
    if (o.command == u"undo") {
        ConsoleMessages messages;
        RenameUndo undo(progress, messages);
        undo.Execute();
        return messages.shown ? 1 : exitCode(undo.Result());
    }
    if (o.command == u"copy") {
        ConsoleMessages messages;
        TarCopyFiles copy(progress, messages);
        copy.SourceFiles = o.files;
        copy.DestinationDir = *o.to;
        copy.Overwrite = o.overwrite;
        copy.Execute();
        return messages.shown ? 1 : exitCode(copy.Result());
    }
    TarRenameFiles rename(progress);
    rename.SourceFiles = o.files;
    rename.OldText = *o.oldText;
    rename.NewText = *o.newText;
    rename.CaseSensitive = !o.ignoreCase;
    rename.Execute();
    return exitCode(rename.Result());
}
