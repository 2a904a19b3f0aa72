// krdl-batch rename --old TEXT --new TEXT [--ignore-case] [--list LIST]... FILE...: the program's
// batch rename.

#include "Commands.h"

#include "batch/TarRenameFiles.h"
#include "console/ConsoleProgress.h"
#include "filelist/ListFile.h"
#include "platform/Interrupt.h"

using namespace Qt::StringLiterals;

namespace {

int Rename(const console::CommandLine& line)
{
    const std::optional<QString> oldText = line.Value(u"--old"_s);
    const std::optional<QString> newText = line.Value(u"--new"_s);
    if (!oldText || !newText)
        return line.UsageError(u"rename needs --old TEXT and --new TEXT"_s);
    // As in the program, a rename never just deletes text from names, nor looks for nothing.
    if (oldText->isEmpty() || newText->isEmpty())
        return line.UsageError(u"--old and --new must not be empty"_s);
    const QStringList files = line.Operands();
    if (files.isEmpty())
        return line.UsageError(u"no files given"_s);
    platform::InstallInterruptHandlers(kExitFailed);
    console::ConsoleProgress progress;
    TarRenameFiles rename(progress);
    rename.sourceFiles = files;
    rename.oldText = *oldText;
    rename.newText = *newText;
    rename.caseSensitive = !line.Has(u"--ignore-case"_s);
    rename.Execute();
    return RunExitCode(rename.Result());
}

} // namespace

console::ToolCommand RenameCommand()
{
    return {
        .name = u"rename"_s,
        .usage = {u"krdl-batch rename --old TEXT --new TEXT [--ignore-case] [--list LIST]... FILE..."_s},
        .help = u"  rename   replaces the first occurrence of the --old text in each FILE's name by the --new\n"
                "           text (--ignore-case: of ASCII letters); an existing file is never replaced.\n"_s,
        .options = {{.name = u"--old"_s, .takesValue = true},
                    {.name = u"--new"_s, .takesValue = true},
                    {.name = u"--ignore-case"_s, .repeatable = true},
                    {.name = u"--list"_s, .takesValue = true, .repeatable = true, .expand = ReadCheckedListFilePaths}},
        .run = Rename,
    };
}
