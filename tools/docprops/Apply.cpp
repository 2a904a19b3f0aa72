#include "Apply.h"

#include "common/FsPath.h"
#include "platform/Interrupt.h"
#include "properties/DocumentChanges.h"
#include "properties/PropertyCsv.h"
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
    return u"       docprops apply [--delete-others] SET.props\n"
           "       docprops apply --csv IN.csv [--delete-others]\n"_s;
}

QString ApplyHelp()
{
    return u"  apply    writes a property set file (saved by the property editor's \"Save props\") into\n"
           "           the documents it lists, as the editor's \"Save custom properties\" does: each\n"
           "           value of a document's section as a text property (an empty one as one blank),\n"
           "           the first of two names equal ignoring case. --delete-others removes the\n"
           "           documents' other custom properties. One line per document: \"<path>: Success!\"\n"
           "           or \"<path>: Failed! <reason>\".\n"
           "           --csv IN.csv: the values come from a CSV file as \"export --csv\" writes it\n"
           "           (\",\" or \";\" separated), one row per document; an empty cell writes nothing,\n"
           "           so with --delete-others that property is removed.\n"_s;
}

int ApplyCommand(const QStringList& args)
{
    bool deleteOthers = false;
    bool csv = false;
    QString setFile;
    bool usage = false;
    for (qsizetype i = 0; i < args.size() && !usage; ++i) {
        const QString& a = args[i];
        if (a == u"--delete-others"_s && !deleteOthers) {
            deleteOthers = true;
        } else if (a == u"--csv"_s && setFile.isEmpty() && i + 1 < args.size() && !args[i + 1].isEmpty()) {
            csv = true;
            setFile = args[++i];
        } else if (setFile.isEmpty() && !a.isEmpty() && !a.startsWith(u"--"_s)) {
            setFile = a;
        } else {
            usage = true;
        }
    }
    if (usage || setFile.isEmpty()) {
        Print(stderr, u"usage: docprops apply [--delete-others] SET.props\n"
                      "       docprops apply --csv IN.csv [--delete-others]\n"_s);
        return 1;
    }

    QList<PropertySetRow> rows;
    QString reason;
    if (csv) {
        PropertyCsv table;
        if (!ReadPropertyCsv(setFile, table, &reason)) {
            Print(stderr, u"docprops: "_s + reason + u'\n');
            return 1;
        }
        // An empty cell is no value (a spreadsheet cannot tell it from a missing one).
        rows = table.rows;
        for (PropertySetRow& row : rows)
            row.values.removeIf([](const QPair<QString, QString>& v) { return v.second.isEmpty(); });
    } else if (!ReadPropertySet(setFile, rows, &reason)) {
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
