#include "ReportCommand.h"

#include "common/Error.h"
#include "common/FsPath.h"
#include "filelist/FileNameReport.h"
#include "filelist/ListFile.h"
#include "filelist/ui/TfrmReportFiles.h"
#include "platform/ConsoleText.h"
#include "platform/Interrupt.h"

#include <QGuiApplication>
#include <QStringList>

#include <cstdio>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

void writeError(const QString& text)
{
    platform::WriteText(stderr, ToNativeBytes(u"krdl-batch: "_s + text + u'\n'));
}

int usage(const QString& problem)
{
    writeError(problem);
    std::fputs("usage: krdl-batch report [--with-path] --pdf OUT.pdf [--list LIST]... [FILE]...\n", stderr);
    return 1;
}

struct ReportOptions {
    bool withPath = false;
    std::optional<QString> pdf;
    // In argument order: a file named, or a list file whose ticked entries stand in its place.
    struct Source {
        bool isList;
        QString name;
    };
    QList<Source> sources;
};

// Arguments after "report"; an error text, or nothing when fine.
std::optional<QString> parse(const QStringList& args, ReportOptions& o)
{
    bool onlyFiles = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if (onlyFiles || !a.startsWith(u"--"_s)) {
            o.sources.append({false, a});
            continue;
        }
        if (a == u"--"_s) {
            onlyFiles = true;
            continue;
        }
        if (a == u"--with-path"_s) {
            o.withPath = true;
            continue;
        }
        QString name = a, value;
        const qsizetype eq = a.indexOf(u'=');
        if (eq > 0) {
            name = a.left(eq);
            value = a.mid(eq + 1);
        }
        if (name != u"--pdf"_s && name != u"--list"_s)
            return u"unknown option \""_s + a + u"\" for report"_s;
        if (eq <= 0) {
            if (i + 1 >= args.size())
                return name + u" needs a value"_s;
            value = args.at(++i);
        }
        if (value.isEmpty())
            return name + u" needs a value"_s;
        if (name == u"--list"_s) {
            o.sources.append({true, value});
        } else {
            if (o.pdf)
                return u"--pdf given twice"_s;
            o.pdf = value;
        }
    }
    if (!o.pdf)
        return u"report needs --pdf OUT.pdf"_s;
    if (o.sources.isEmpty())
        return u"no files given"_s;
    return std::nullopt;
}

} // namespace

int RunReportCommand(int argc, char** argv)
{
    // Painting needs a GUI application but no display: without a platform chosen by the user,
    // the offscreen one is taken (and the native one where Qt ships no offscreen plugin).
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen;windows");
    QGuiApplication app(argc, argv);
    QStringList args = CommandLineArguments(argc, argv);
    args.removeFirst(); // "report"

    ReportOptions o;
    if (const auto problem = parse(args, o))
        return usage(*problem);
    // Past a file size limit the write fails and is reported, instead of the signal ending the
    // program with the temporary file still on the disk.
    platform::KeepRunningPastFileSizeLimit();
    try {
        QStringList paths;
        for (const auto& [isList, name] : o.sources) {
            if (isList)
                paths += ReadCheckedListFilePaths(name);
            else
                paths.append(name);
        }
        TfrmReportFiles report;
        report.mFiles = FileNameReportLines(paths, o.withPath);
        report.SavePdf(*o.pdf);
    } catch (const KrdlError& e) {
        writeError(e.message());
        return 1;
    }
    return 0;
}
