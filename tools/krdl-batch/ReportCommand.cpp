// krdl-batch report [--with-path] --pdf OUT.pdf [--list LIST]... [--] [FILE]...
//
// The file-name report of the program written as a PDF file. The lines are the files named and
// the ticked entries of each --list, in the order of the arguments, numbered from 1; the pages
// are those the program's "Print Preview" shows for the same lines. Exit code 0 when the file
// is written, 1 on a usage error or when a list file cannot be read or the PDF cannot be written.

#include "Commands.h"

#include "common/Error.h"
#include "console/ConsoleOutput.h"
#include "filelist/FileNameReport.h"
#include "filelist/ListFile.h"
#include "filelist/report/FileNameReportLayout.h"
#include "platform/Interrupt.h"

#include <QGuiApplication>

using namespace Qt::StringLiterals;

namespace {

// Painting needs a GUI application but no display: without a platform chosen by the user, the
// offscreen one is taken (and the native one where Qt ships no offscreen plugin).
std::unique_ptr<QCoreApplication> GuiApplication(int& argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen;windows");
    return std::make_unique<QGuiApplication>(argc, argv);
}

int Report(const console::CommandLine& line)
{
    const std::optional<QString> pdf = line.Value(u"--pdf"_s);
    if (!pdf)
        return line.UsageError(u"report needs --pdf OUT.pdf"_s);
    const auto& arguments = line.Arguments();
    // A file named, or a list file whose ticked entries stand in its place.
    const auto isSource = [](const console::CommandLine::Argument& argument) {
        return argument.option.isEmpty() || argument.option == u"--list"_s;
    };
    if (std::none_of(arguments.cbegin(), arguments.cend(), isSource))
        return line.UsageError(u"no files given"_s);
    // Past a file size limit the write fails and is reported, instead of the signal ending the
    // program with the temporary file still on the disk.
    platform::KeepRunningPastFileSizeLimit();
    try {
        QStringList paths;
        for (const console::CommandLine::Argument& argument : arguments) {
            if (argument.option == u"--list"_s)
                paths += ReadCheckedListFilePaths(argument.value);
            else if (argument.option.isEmpty())
                paths.append(argument.value);
        }
        FileNameReportLayout(FileNameReportLines(paths, line.Has(u"--with-path"_s))).SavePdf(*pdf);
    } catch (const KrdlError& e) {
        console::Error(e.Message());
        return 1;
    }
    return 0;
}

} // namespace

console::ToolCommand ReportCommand()
{
    return {
        .name = u"report"_s,
        .usage = {u"krdl-batch report [--with-path] --pdf OUT.pdf [--list LIST]... FILE..."_s},
        .errorUsage = {u"krdl-batch report [--with-path] --pdf OUT.pdf [--list LIST]... [FILE]..."_s},
        .help = u"  report   writes the numbered file names (--with-path: full paths) as a PDF file.\n"_s,
        .options = {{.name = u"--with-path"_s, .repeatable = true},
                    {.name = u"--pdf"_s, .takesValue = true, .valueMayBeEmpty = false},
                    {.name = u"--list"_s, .takesValue = true, .repeatable = true, .valueMayBeEmpty = false}},
        .run = Report,
        .application = GuiApplication,
    };
}
