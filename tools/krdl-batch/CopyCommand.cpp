// krdl-batch copy --to DIR [--overwrite] [--list LIST]... FILE...: the program's batch copy.

#include "Commands.h"

#include "batch/TarCopyFiles.h"
#include "console/ConsoleMessages.h"
#include "console/ConsoleProgress.h"
#include "filelist/ListFile.h"
#include "platform/Interrupt.h"

using namespace Qt::StringLiterals;

namespace {

int Copy(const console::CommandLine& line)
{
    const std::optional<QString> to = line.Value(u"--to"_s);
    if (!to)
        return line.UsageError(u"copy needs --to DIR"_s);
    const QStringList files = line.Operands();
    if (files.isEmpty())
        return line.UsageError(u"no files given"_s);
    platform::InstallInterruptHandlers(kExitFailed);
    console::ConsoleProgress progress;
    console::ConsoleMessages messages(console::ConsoleMessages::PlainLines);
    TarCopyFiles copy(progress, messages);
    copy.sourceFiles = files;
    copy.destinationDir = *to;
    copy.overwrite = line.Has(u"--overwrite"_s);
    copy.Execute();
    // A destination that is not set or cannot be made is a message, and no run.
    return messages.Shown() ? 1 : RunExitCode(copy.Result());
}

} // namespace

console::ToolCommand CopyCommand()
{
    return {
        .name = u"copy"_s,
        .usage = {u"krdl-batch copy --to DIR [--overwrite] [--list LIST]... FILE..."_s},
        .help = u"  copy     copies every FILE into DIR under its own name; DIR is created when its parent\n"
                "           exists. A file is written under a temporary name and renamed into place when\n"
                "           complete; without --overwrite an existing file of that name is never replaced.\n"
                "           Temporaries that copies which died left in DIR (unchanged for a day, in use by\n"
                "           no copy) are removed first, each with a log line.\n"_s,
        .options = {{.name = u"--to"_s, .takesValue = true},
                    {.name = u"--overwrite"_s, .repeatable = true},
                    {.name = u"--list"_s, .takesValue = true, .repeatable = true, .expand = ReadCheckedListFilePaths}},
        .run = Copy,
    };
}
