// docprops show [--json] FILE...: one line per property (name, type and value separated by
// tabs), or one JSON array with an object per file.

#include "Commands.h"
#include "DocumentAccess.h"

#include "common/Error.h"
#include "common/TextField.h"
#include "console/ConsoleOutput.h"
#include "platform/Interrupt.h"
#include "compound/SystemProperties.h"
#include "properties/CustomProperties.h"
#include "properties/DocumentChanges.h"
#include "properties/OleDocumentProperties.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

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
            return value.toDateTime().toUTC().toString(u"yyyy-MM-ddThh:mm:ssZ"_s);
        return QJsonValue(QJsonValue::Null);
    default:
        return QJsonValue(QJsonValue::Null);
    }
}

int Show(const console::CommandLine& line)
{
    const QStringList files = line.Operands();
    if (files.isEmpty())
        return line.UsageError(u"no files given"_s);
    const bool json = line.Has(u"--json"_s);
    const bool system = line.Has(u"--system"_s);
    TOleDocumentProperties doc;
    QJsonArray all;
    int rc = 0;
    for (const QString& path : files) {
        if (platform::InterruptRequested()) {
            console::Error(u"Interrupted before "_s + Quoted(path));
            rc = 1;
            break;
        }
        try {
            // Showing needs no write access. Open reports a missing file or a folder itself.
            doc.Open(path, true);
            TOleCustomProperties& props = doc.CustomProperties();
            QJsonArray list;
            QString lines;
            for (qint32 i = 0; i < props.Count(); ++i) {
                const TOleCustomProperty p = props.Item(i);
                const qint32 type = p.Type();
                if (json) {
                    QJsonObject o;
                    o.insert(u"name"_s, p.Name());
                    o.insert(u"type"_s, PropertyTypeName(type));
                    o.insert(u"value"_s, JsonValue(p.Value(), type));
                    list.append(o);
                } else {
                    // Piece by piece: no temporary string per field (shows thousands of documents).
                    lines += OneLineField(p.Name());
                    lines += u'\t';
                    lines += PropertyTypeName(type);
                    lines += u'\t';
                    lines += OneLineField(p.ValueText());
                    lines += u'\n';
                }
            }
            QJsonArray own;
            if (system) {
                for (const cfb::SystemPropertyDefinition& definition : cfb::SystemPropertyDefinitions()) {
                    const QString name = QString::fromUtf8(definition.name);
                    qint32 type = 0;
                    const QVariant value = doc.SystemValue(name, &type);
                    if (!value.isValid() && type == 0 && doc.SystemStoredValue(name).isEmpty())
                        continue; // the document has no such property
                    if (json) {
                        QJsonObject o;
                        o.insert(u"name"_s, name);
                        o.insert(u"type"_s, PropertyTypeName(type));
                        o.insert(u"value"_s, JsonValue(value, type));
                        o.insert(u"editable"_s, definition.editable);
                        own.append(o);
                    } else {
                        lines += kSystemPropertyPrefix;
                        lines += OneLineField(name);
                        lines += u'\t';
                        lines += PropertyTypeName(type);
                        lines += u'\t';
                        lines += OneLineField(PropertyValueText(value));
                        lines += u'\n';
                    }
                }
            }
            doc.Close(false);
            if (json) {
                QJsonObject o;
                o.insert(u"file"_s, path);
                o.insert(u"properties"_s, list);
                if (system)
                    o.insert(u"system"_s, own);
                all.append(o);
            } else {
                console::Print(stdout, lines);
            }
        } catch (const KrdlError& e) {
            doc.Close(false);
            console::Error(e.Message());
            rc = 1;
        }
    }
    if (json)
        console::Print(stdout, QString::fromUtf8(QJsonDocument(all).toJson(QJsonDocument::Indented)));
    return rc;
}

} // namespace

console::ToolCommand ShowCommand()
{
    return {
        .name = u"show"_s,
        .usage = {u"docprops show [--json] [--system] FILE..."_s},
        .help = u"  show     one line per property: name, type and value separated by tabs; a tab, line\n"
                "           break or backslash inside a name or value is written as \\t, \\n, \\r or \\\\,\n"
                "           so every line is one property.\n"
                "           --json: one JSON array with an object per file.\n"
                "           --system: the document's own properties too, after the custom ones, named\n"
                "           System.NAME (in --json: a \"system\" array, each with \"editable\").\n"_s,
        .placement = console::OptionPlacement::BeforeOperands,
        .options = {{.name = u"--json"_s}, {.name = u"--system"_s}},
        .run = Show,
    };
}
