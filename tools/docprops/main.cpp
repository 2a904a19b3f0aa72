// docprops: shows, sets and removes the custom properties of documents from the command line.
//
//   docprops show FILE...              name <TAB> type <TAB> value, one line per property
//   docprops show --json FILE...       one JSON array, one object per file
//   docprops set FILE NAME=VALUE...    writes text properties as the property editor does
//   docprops remove FILE NAME...       removes properties (ignoring case)
//   docprops apply [--delete-others] SET.props
//                                      writes a property set file into its documents (Apply.h)
//   docprops apply --csv IN.csv [--delete-others]
//                                      the same from a CSV file (Apply.h)
//   docprops export --csv OUT.csv FILE...
//                                      the documents' properties as a CSV file (Export.h)
//   docprops undo                      takes the last property save back (Undo.h)
//
// Exit code 0 on success, 1 on any error (apply: 2 when some documents failed); an error message
// names the file, and a file whose update failed keeps what it had.

#include "Apply.h"
#include "Console.h"
#include "Export.h"
#include "Undo.h"

#include "common/Error.h"
#include "common/FsPath.h"
#include "common/TextField.h"
#include "platform/Interrupt.h"
#include "properties/CustomPropertie.h"
#include "properties/DocumentChanges.h"
#include "properties/OleDocumentProperties.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

const QString kUsage = QStringLiteral("usage: docprops show [--json] FILE...\n"
                                      "       docprops set FILE NAME=VALUE...\n"
                                      "       docprops remove FILE NAME...\n")
                       + ApplyUsage() + ExportUsage() + UndoUsage();

int Usage()
{
    Print(stderr, kUsage);
    return 1;
}

int Help()
{
    Print(stdout, kUsage + QStringLiteral(
        "\n"
        "Shows, sets and removes the custom properties of Solid Edge documents (and of other OLE\n"
        "compound documents), with the engine of KRDL.\n"
        "\n"
        "  show     one line per property: name, type and value separated by tabs; a tab, line\n"
        "           break or backslash inside a name or value is written as \\t, \\n, \\r or \\\\,\n"
        "           so every line is one property.\n"
        "           --json: one JSON array with an object per file.\n"
        "  set      writes text properties as the property editor does (an empty VALUE is\n"
        "           stored as one blank); a property of that name, in any letter case, is replaced.\n"
        "  remove   removes the properties of those names, ignoring letter case.\n")
        + ApplyHelp() + ExportHelp() + UndoHelp() + QStringLiteral(
        "\n"
        "A document that cannot be updated keeps what it had. Ctrl+C or SIGTERM lets an update\n"
        "in progress finish and stops before the next file.\n"
        "\n"
        "Exit codes:\n"
        "  0  success\n"
        "  1  usage error, or some file could not be read or updated (the message names it),\n"
        "     or the run was interrupted\n"
        "  2  apply: some documents were not written (their lines say why)\n"));
    return 0;
}

QString Quoted(const QString& path)
{
    return QLatin1Char('"') + path + QLatin1Char('"');
}

QJsonValue JsonValue(const QVariant& value, qint32 type)
{
    switch (type) {
    case ptText:
        return value.toString();
    case ptInteger:
        return QJsonValue(value.toLongLong());
    case ptFloat: {
        const double d = value.toDouble();
        return std::isfinite(d) ? QJsonValue(d) : QJsonValue(QJsonValue::Null);
    }
    case ptYesNo:
        return value.toBool();
    case ptDate:
        if (value.typeId() == QMetaType::QDateTime)
            return value.toDateTime().toUTC().toString(QStringLiteral("yyyy-MM-ddThh:mm:ssZ"));
        return QJsonValue(QJsonValue::Null);
    default:
        return QJsonValue(QJsonValue::Null);
    }
}

int Show(const QStringList& files, bool json)
{
    TOleDocumentProperties doc;
    doc.Connect();
    QJsonArray all;
    int rc = 0;
    for (const QString& path : files) {
        if (platform::InterruptRequested()) {
            Error(QStringLiteral("Interrupted before ") + Quoted(path));
            rc = 1;
            break;
        }
        try {
            // Showing needs no write access. Open reports a missing file or a folder itself.
            doc.Open(path, true, 2);
            TOleCustomProperties& props = doc.CustomProperties();
            QJsonArray list;
            QString lines;
            for (qint32 i = 0; i < props.Count(); ++i) {
                const TOleCustomProperty p = props.Item(i);
                const qint32 type = p.Type();
                if (json) {
                    QJsonObject o;
                    o.insert(QStringLiteral("name"), p.Name());
                    o.insert(QStringLiteral("type"), PropertyTypeName(type));
                    o.insert(QStringLiteral("value"), JsonValue(p.Value(), type));
                    list.append(o);
                } else {
                    // Piece by piece: no temporary string per field (shows thousands of documents).
                    lines += OneLineField(p.Name());
                    lines += QLatin1Char('\t');
                    lines += PropertyTypeName(type);
                    lines += QLatin1Char('\t');
                    lines += OneLineField(p.ValueText());
                    lines += QLatin1Char('\n');
                }
            }
            doc.Close(false);
            if (json) {
                QJsonObject o;
                o.insert(QStringLiteral("file"), path);
                o.insert(QStringLiteral("properties"), list);
                all.append(o);
            } else {
                Print(stdout, lines);
            }
        } catch (const KrdlError& e) {
            doc.Close(false);
            Error(e.message());
            rc = 1;
        }
    }
    if (json)
        Print(stdout, QString::fromUtf8(QJsonDocument(all).toJson(QJsonDocument::Indented)));
    doc.Disconnect();
    return rc;
}

// `set` and `remove` write through the apply step of `docprops apply` and of the editor's save,
// so that the undo journal records the document's properties first and `docprops undo` takes
// the change back.
int WriteDocument(DocumentChanges change)
{
    const QString path = change.path;
    change.changed = true;
    std::vector<DocumentChanges> changes;
    changes.push_back(std::move(change));
    ApplyOptions options;
    options.threads = 1;
    options.stopAtMissing = false;
    // Ctrl+C or SIGTERM before the write: the document is left as it is.
    options.stop = [] { return platform::InterruptRequested(); };
    const ApplyReport report = ApplyDocumentChanges(changes, options);
    if (!report.journalError.isEmpty())
        Error(report.journalError);
    const ApplyResult& r = report.results.front();
    switch (r.status) {
    case ApplyResult::Written:
        return 0;
    case ApplyResult::NotWritten:
        // The document holds that already: it is left as it is, and there is nothing to undo.
        Print(stdout, path + QStringLiteral(": Nothing to change.\n"));
        return 0;
    case ApplyResult::Cancelled:
        Error(QStringLiteral("Interrupted before ") + Quoted(path));
        return 1;
    default:
        Error(r.error);
        return 1;
    }
}

int Set(const QString& path, const QStringList& assignments)
{
    DocumentChanges change;
    change.path = path;
    for (const QString& a : assignments) {
        const qsizetype eq = a.indexOf(QLatin1Char('='));
        if (eq <= 0) {
            Error(QStringLiteral("%1: expected NAME=VALUE, got %2").arg(Quoted(path), Quoted(a)));
            return 1;
        }
        change.properties.Add(a.left(eq), a.mid(eq + 1), ptText, 0);
    }
    return WriteDocument(std::move(change));
}

int Remove(const QString& path, const QStringList& names)
{
    DocumentChanges change;
    change.path = path;
    change.removals = names;
    return WriteDocument(std::move(change));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // Names as given: on POSIX their bytes, not decoded through the locale; on Windows the wide
    // command line.
    QStringList args = CommandLineArguments(argc, argv);
    if (args.isEmpty())
        return Usage();
    if (args.size() == 1 && (args.front() == QLatin1String("--help") || args.front() == QLatin1String("-h")))
        return Help();
    // A write past the file size limit fails like one on a full disk instead of killing the tool.
    platform::InstallInterruptHandlers(1);
    const QString command = args.takeFirst();
    if (command == QLatin1String("show")) {
        bool json = false;
        if (!args.isEmpty() && args.first() == QLatin1String("--json")) {
            json = true;
            args.removeFirst();
        }
        if (args.isEmpty())
            return Usage();
        return Show(args, json);
    }
    if (command == QLatin1String("apply"))
        return ApplyCommand(args);
    if (command == QLatin1String("undo"))
        return UndoCommand(args);
    if (command == QLatin1String("export"))
        return ExportCommand(args);
    if (command == QLatin1String("set") || command == QLatin1String("remove")) {
        if (args.size() < 2)
            return Usage();
        const QString path = args.takeFirst();
        return command == QLatin1String("set") ? Set(path, args) : Remove(path, args);
    }
    return Usage();
}
