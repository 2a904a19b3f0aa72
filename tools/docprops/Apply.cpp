#include "Apply.h"

#include "common/FsPath.h"
#include "platform/Interrupt.h"
#include "properties/DocumentChanges.h"
#include "properties/PropertySetFile.h"

#include <cstdio>
#include <string>

using namespace Qt::StringLiterals;

namespace {

void Print(FILE* to, const QString& text)
{
    const std::string bytes = ToNativeBytes(text);
    std::fwrite(bytes.data(), 1, bytes.size(), to);
}

} // namespace

QString ApplyUsage()
{
    return u"       docprops apply [--delete-others] SET.props\n"_s;
}

QString ApplyHelp()
{
    return u"  apply    writes a property set file (saved by the property editor's \"Save props\") into\n"
           "           the documents it lists, as the editor's \"Save custom properties\" does: each\n"
           "           value of a document's section as a text property (an empty one as one blank),\n"
           "           the first of two names equal ignoring case. --delete-others removes the\n"
           "           documents' other custom properties. One line per document: \"<path>: Success!\"\n"
           "           or \"<path>: Failed! <reason>\".\n"_s;
}

int ApplyCommand(const QStringList& args)
{
    bool deleteOthers = false;
    QString setFile;
    for (const QString& a : args) {
        if (a == u"--delete-others"_s && setFile.isEmpty() && !deleteOthers) {
            deleteOthers = true;
        } else if (setFile.isEmpty() && !a.isEmpty()) {
            setFile = a;
        } else {
            setFile.clear();
            break;
        }
    }
    if (setFile.isEmpty() || args.size() != (deleteOthers ? 2 : 1)) {
        Print(stderr, u"usage: docprops apply [--delete-others] SET.props\n"_s);
        return 1;
    }

    QList<PropertySetRow> rows;
    QString reason;
    if (!ReadPropertySet(setFile, rows, &reason)) {
        Print(stderr, u"docprops: Cannot open file \""_s + setFile + u"\": "_s + reason + u'\n');
        return 1;
    }

    // Every listed value counts as changed; a document whose section holds no value is not
    // opened.
    std::vector<DocumentChanges> changes(static_cast<std::size_t>(rows.size()));
    for (qsizetype i = 0; i < rows.size(); ++i) {
        DocumentChanges& d = changes[static_cast<std::size_t>(i)];
        d.path = rows[i].path;
        d.changed = !rows[i].values.isEmpty();
        for (const auto& [name, value] : rows[i].values)
            d.properties.Add(name, value, 1, 0);
    }
    ApplyOptions options;
    options.deleteOthers = deleteOthers;
    options.stopAtMissing = false;
    options.stop = [] { return platform::InterruptRequested(); };
    const ApplyReport report = ApplyDocumentChanges(changes, options);
    if (!report.journalError.isEmpty())
        Print(stderr, u"docprops: "_s + report.journalError + u'\n');

    QString out;
    for (std::size_t i = 0; i < changes.size(); ++i) {
        const ApplyResult& r = report.results[i];
        out += changes[i].path + u": "_s;
        switch (r.status) {
        case ApplyResult::Written: out += u"Success!"_s; break;
        case ApplyResult::NotWritten: out += u"Success! Nothing to change."_s; break;
        case ApplyResult::Failed:
        case ApplyResult::Missing: out += u"Failed! "_s + r.error; break;
        case ApplyResult::Cancelled: out += u"Failed! Interrupted before \""_s + changes[i].path + u'"'; break;
        }
        out += u'\n';
    }
    Print(stdout, out);
    return report.failed > 0 || report.cancelled > 0 ? 2 : 0;
}
