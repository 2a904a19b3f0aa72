#include "Apply.h"
#include "Console.h"
#include "Export.h"

#include "platform/Interrupt.h"
#include "properties/CustomPropertie.h"
#include "properties/DocumentChanges.h"
#include "properties/LoadCustomProperties.h"
#include "properties/PropertyCsv.h"
#include "properties/PropertySetFile.h"

#include <QHash>
#include <QSet>

#include <optional>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// Per row, the texts `docprops export --csv` writes for the document's properties now, by name
// key (of two properties of one name the later one, as export takes it); none for a document
// that could not be read (its row is then written as it stands, and fails as it would have).
// Only the first row of a path gets them: a later row of the same document is written after the
// earlier one changed it, so what was read says nothing about it.
using ValueTexts = std::optional<QHash<QString, QString>>;
std::vector<ValueTexts> CurrentValueTexts(const QList<PropertySetRow>& rows)
{
    QStringList paths;
    QSet<QString> seen;
    for (const PropertySetRow& row : rows) {
        const bool first = !seen.contains(row.path);
        seen.insert(row.path);
        paths.append(row.values.isEmpty() || !first ? QString() : row.path);
    }
    const QList<LoadedDocument> documents = LoadUntilInterrupted(paths);
    std::vector<ValueTexts> texts(static_cast<std::size_t>(rows.size()));
    for (qsizetype i = 0; i < documents.size() && i < rows.size(); ++i) {
        if (paths[i].isEmpty() || documents[i].status != LoadedDocument::Loaded)
            continue;
        QHash<QString, QString>& t = texts[static_cast<std::size_t>(i)].emplace();
        for (const LoadedProperty& p : documents[i].properties)
            t.insert(PropertyNameKey(p.name), PropertyDisplayText(p.value));
    }
    return texts;
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
           "           so with --delete-others that property is removed. A value equal to the one\n"
           "           \"export --csv\" writes for the document leaves that property as it is (a date,\n"
           "           number or Yes/No keeps its type); a document without another value to\n"
           "           change is not written (\"Success! Nothing to change.\").\n"_s;
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
            Error(reason);
            return 1;
        }
        // An empty cell is no value (a spreadsheet cannot tell it from a missing one).
        rows = table.rows;
        for (PropertySetRow& row : rows)
            row.values.removeIf([](const QPair<QString, QString>& v) { return v.second.isEmpty(); });
    } else if (!ReadPropertySet(setFile, rows, &reason)) {
        Error(u"Cannot open file \""_s + setFile + u"\": "_s + reason);
        return 1;
    }

    // A property set's values all count as changed. A CSV value equal to the text `export --csv`
    // shows for the document's property is no change (a round trip must not turn dates, numbers
    // and Yes/No into text): it is kept as an Untouched entry rather than dropped, so that
    // --delete-others does not remove it. A document whose section holds no value is not opened.
    const std::vector<ValueTexts> current = csv ? CurrentValueTexts(rows) : std::vector<ValueTexts>();
    std::vector<DocumentChanges> changes(static_cast<std::size_t>(rows.size()));
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const auto at = static_cast<std::size_t>(i);
        DocumentChanges& d = changes[at];
        d.path = rows[i].path;
        const QHash<QString, QString>* texts = at < current.size() && current[at] ? &*current[at] : nullptr;
        bool differs = texts == nullptr;
        for (const auto& [name, value] : rows[i].values) {
            const auto it = texts ? texts->constFind(PropertyNameKey(name)) : QHash<QString, QString>::const_iterator();
            const bool equal = texts && it != texts->cend() && *it == value;
            // Of two names equal ignoring case the first one is written (`Add`), so only its
            // value decides.
            if (!d.properties.Contains(name))
                differs = differs || !equal;
            d.properties.Add(name, value, 1, 0, equal);
        }
        // With --delete-others a document holding a property the row does not list changes too.
        if (texts && deleteOthers)
            for (auto it = texts->cbegin(); it != texts->cend() && !differs; ++it)
                differs = !d.properties.Contains(it.key());
        d.changed = !rows[i].values.isEmpty() && differs;
    }
    ApplyOptions options;
    options.deleteOthers = deleteOthers;
    options.stopAtMissing = false;
    options.stop = [] { return platform::InterruptRequested(); };
    const ApplyReport report = ApplyDocumentChanges(changes, options);
    if (!report.journalError.isEmpty())
        Error(report.journalError);

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
