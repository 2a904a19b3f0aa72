// docprops show [--json] FILE...: one line per property (name, type and value separated by
// tabs), or one JSON array with an object per file.

#include "Commands.h"
#include "DocumentAccess.h"

#include "common/Error.h"
#include "common/WorkerPool.h"
#include "common/TextField.h"
#include "console/ConsoleOutput.h"
#include "platform/Interrupt.h"
#include "compound/SystemProperties.h"
#include "properties/CustomProperties.h"
#include "properties/LoadCustomProperties.h"
#include "properties/DocumentChanges.h"
#include "properties/OleDocumentProperties.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <atomic>
#include <cmath>
#include <vector>

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

// What `show` prints for one document, read on a worker thread and printed in the order of
// the command line.
struct ShownDocument {
    QString lines;      // the text form
    QJsonObject object; // the --json form
    QString error;      // the document could not be read
    std::atomic<bool> ready = false;
};

void ReadShown(const QString& path, bool json, bool system, ShownDocument& shown)
{
    TOleDocumentProperties doc;
    try {
        // Showing needs no write access. Open reports a missing file or a folder itself.
        doc.Open(path, true);
        TOleCustomProperties& props = doc.CustomProperties();
        QJsonArray list;
        QString& lines = shown.lines;
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
            shown.object.insert(u"file"_s, path);
            shown.object.insert(u"properties"_s, list);
            if (system)
                shown.object.insert(u"system"_s, own);
        }
    } catch (const KrdlError& e) {
        doc.Close(false);
        shown.lines.clear();
        shown.error = e.Message();
    }
}

int Show(const console::CommandLine& line)
{
    const QStringList files = line.Operands();
    if (files.isEmpty())
        return line.UsageError(u"no files given"_s);
    const bool json = line.Has(u"--json"_s);
    const bool system = line.Has(u"--system"_s);
    // Documents are read on the loader's threads (many at once on a share with latency) and
    // printed in order as soon as all before them are.
    std::vector<ShownDocument> shown(static_cast<std::size_t>(files.size()));
    QJsonArray all;
    int rc = 0;
    std::size_t printed = 0;
    const auto printReady = [&] {
        for (; printed < shown.size() && shown[printed].ready.load(std::memory_order_acquire); ++printed) {
            ShownDocument& d = shown[printed];
            if (!d.error.isEmpty()) {
                console::Error(d.error);
                rc = 1;
            } else if (json) {
                all.append(d.object);
            } else {
                console::Print(stdout, d.lines);
            }
            // Printed: its text is not kept for the rest of the run.
            d.lines = QString();
            d.object = QJsonObject();
        }
    };
    WorkerPoolOptions pool;
    const LoadOptions loading;
    pool.threads = loading.threads;
    pool.maxThreads = loading.maxThreads;
    pool.stop = [] { return platform::InterruptRequested(); };
    pool.progress = [&](qsizetype, qsizetype) { printReady(); };
    RunWorkers(
        files.size(), pool,
        [&](qsizetype i) {
            ShownDocument& d = shown[static_cast<std::size_t>(i)];
            ReadShown(files[i], json, system, d);
            d.ready.store(true, std::memory_order_release);
        },
        [&](qsizetype i, const std::exception_ptr& error) {
            ShownDocument& d = shown[static_cast<std::size_t>(i)];
            d.error = FailureText(error, Quoted(files[i]));
            d.ready.store(true, std::memory_order_release);
        });
    printReady();
    if (printed < shown.size()) {
        // Interrupted: the documents from here on were never read.
        console::Error(u"Interrupted before "_s + Quoted(files[static_cast<qsizetype>(printed)]));
        rc = 1;
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
