#include "Export.h"

#include "Console.h"

#include "common/Error.h"
#include "common/FsPath.h"
#include "platform/Interrupt.h"
#include "properties/CustomPropertie.h"
#include "properties/LoadCustomProperties.h"
#include "properties/PropertyCsv.h"

#include <QHash>

using namespace Qt::StringLiterals;

QString ExportUsage()
{
    return u"       docprops export --csv OUT.csv FILE...\n"_s;
}

QString ExportHelp()
{
    return u"  export   --csv OUT.csv: writes the documents' custom properties as a CSV file for a\n"
           "           spreadsheet, as the property editor's \"Export CSV\" does: the full path, then\n"
           "           one column per property name found in any document (first seen first).\n"
           "           A document that cannot be read is reported and left out (exit code 1).\n"_s;
}

QList<LoadedDocument> LoadUntilInterrupted(const QStringList& paths)
{
    std::stop_source stop;
    LoadOptions options;
    options.stop = stop.get_token();
    options.progress = [&stop](qsizetype, qsizetype) {
        if (platform::InterruptRequested())
            stop.request_stop();
    };
    return LoadCustomProperties(paths, options);
}

int ExportCommand(const QStringList& args)
{
    if (args.size() < 3 || args[0] != u"--csv"_s || args[1].isEmpty()) {
        Print(stderr, u"usage: docprops export --csv OUT.csv FILE...\n"_s);
        return 1;
    }
    const QString out = args[1];
    const QStringList files = args.mid(2);

    const QList<LoadedDocument> documents = LoadUntilInterrupted(files);

    int rc = 0;
    QStringList names;
    QHash<QString, qsizetype> column; // property name key -> index in names
    QList<PropertySetRow> rows;
    for (const LoadedDocument& d : documents) {
        if (d.status == LoadedDocument::Cancelled || platform::InterruptRequested()) {
            Error(u"Interrupted before \""_s + d.path + u"\"; nothing was written"_s);
            return 1;
        }
        if (d.status == LoadedDocument::Failed) {
            const QString reason = NotARegularFileReason(d.path);
            Error(reason.isEmpty() ? d.error : u"Cannot open file \""_s + d.path + u"\": "_s + reason);
            rc = 1;
            continue;
        }
        PropertySetRow row;
        row.path = d.path;
        for (const LoadedProperty& p : d.properties) {
            const QString key = PropertyNameKey(p.name);
            auto it = column.constFind(key);
            if (it == column.cend()) {
                it = column.insert(key, names.size());
                names.append(p.name);
            }
            // Values by column; of two properties of one name the later one, as the editor shows.
            if (row.values.size() <= *it)
                row.values.resize(*it + 1);
            row.values[*it] = {names[*it], PropertyDisplayText(p.value)};
        }
        rows.append(row);
    }
    try {
        SavePropertyCsv(out, names, rows);
    } catch (const KrdlError& e) {
        Error(e.message());
        return 1;
    }
    return rc;
}
