// docprops apply [--delete-others] SET.props
// docprops apply --csv IN.csv [--delete-others]
//
// Writes a property set file into the documents it lists, as "Save custom properties" of the
// property editor does after loading that set: each listed document gets every value of its
// section as a text property (an empty value as " "), the left one of two names equal ignoring
// case; with --delete-others its other custom properties are removed. With --csv the values come
// from a property CSV (properties/PropertyCsv.h), one row per document, its empty cells left out,
// and a value equal to the text export writes for the document's current property leaves that
// property as it is, type included (a document with nothing else to change is not written). One
// line per document on standard output: "<path>: Success!", "<path>: Success! Nothing to
// change." or "<path>: Failed! <reason>". Rows whose paths reach one file (written otherwise,
// hard or symbolic links) are one document, written once where its last row stands: a name
// both rows give takes the later row's value, and the earlier row's line says
// "<path>: Merged into line N, a later row for the same document.". The whole file is read and
// checked before any document is touched, then read again to write the documents a batch at a
// time, all recorded in one run of the undo journal.
//
// Exit code 0 when every document was written, 2 when some were not (they keep what they had;
// after Ctrl+C or SIGTERM the documents not begun yet fail as interrupted), 1 for a usage error
// or a set file that cannot be read.

#include "Commands.h"
#include "DocumentAccess.h"

#include "common/FsPath.h"
#include "console/ConsoleOutput.h"
#include "platform/Interrupt.h"
#include "properties/CustomProperties.h"
#include "compound/SystemProperties.h"
#include "properties/DocumentChanges.h"
#include "properties/LoadCustomProperties.h"
#include "properties/PropertyCsv.h"
#include "properties/PropertySaveJournal.h"
#include "properties/PropertySetFile.h"
#include "properties/SameDocumentRows.h"

#include <QHash>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <unordered_map>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// Documents written at once, and lines printed at once: what is held in memory besides one
// entry per document still waiting for its last row.
constexpr std::size_t kBatchDocuments = 2000;
constexpr std::size_t kBatchLines = 10000;

using Values = QList<QPair<QString, QString>>;

// The rows of a property set file or a property CSV, read twice: once to check the whole file
// and find the rows that name one document, then to write them.
class RowSource {
public:
    virtual ~RowSource() = default;
    // The next row; false at the end, or at a malformed line (Error).
    virtual bool Next(PropertySetRow& row, bool withValues) = 0;
    virtual QString Error() const = 0;
    // Of the row Next gave last, for the line saying a row was merged into it: "line 7".
    virtual int Where() const = 0;
    virtual QString WhereText(int where) const = 0;
    virtual void Rewind() = 0;
    // Values compare with what `export --csv` writes for the documents (a CSV); otherwise each
    // counts as changed.
    virtual bool Exported() const = 0;
};

class CsvRows final : public RowSource {
public:
    bool Open(const QString& fileName, QString* error) { return m_reader.Open(fileName, error); }
    bool Next(PropertySetRow& row, bool withValues) override
    {
        if (!m_reader.Next(row, withValues))
            return false;
        // An empty cell is no value (a spreadsheet cannot tell it from a missing one).
        row.values.removeIf([](const QPair<QString, QString>& v) { return v.second.isEmpty(); });
        return true;
    }
    QString Error() const override { return m_reader.Error(); }
    int Where() const override { return m_reader.Line(); }
    QString WhereText(int where) const override { return u"line "_s + QString::number(where); }
    void Rewind() override { m_reader.Rewind(); }
    bool Exported() const override { return true; }

private:
    PropertyCsvReader m_reader;
};

class SetRows final : public RowSource {
public:
    bool Open(const QString& fileName, QString* error)
    {
        QString reason;
        if (ReadPropertySet(fileName, m_rows, &reason))
            return true;
        *error = u"Cannot open file \""_s + fileName + u"\": "_s + reason;
        return false;
    }
    bool Next(PropertySetRow& row, bool) override
    {
        if (m_next >= m_rows.size())
            return false;
        row = m_rows[m_next++];
        return true;
    }
    QString Error() const override { return {}; }
    int Where() const override { return static_cast<int>(m_next); }
    QString WhereText(int where) const override { return u"entry "_s + QString::number(where) + u" of [Files]"_s; }
    void Rewind() override { m_next = 0; }
    bool Exported() const override { return false; }

private:
    QList<PropertySetRow> m_rows;
    qsizetype m_next = 0;
};

// Values of a later row of one document over those of the earlier ones: each name (ignoring
// case) takes the later row's value; within one row the first of two equal names counts.
void MergeValues(Values& merged, const Values& later)
{
    // Rows of one file mostly spell their names alike: an exact match spares the case folding.
    const auto find = [&merged](const QString& name) {
        for (qsizetype i = 0; i < merged.size(); ++i)
            if (merged[i].first == name)
                return i;
        const QString key = PropertyNameKey(name);
        for (qsizetype i = 0; i < merged.size(); ++i)
            if (PropertyNameKey(merged[i].first) == key)
                return i;
        return qsizetype(-1);
    };
    std::vector<bool> fromThisRow(static_cast<std::size_t>(merged.size() + later.size()), false);
    for (const auto& [name, value] : later) {
        const qsizetype i = find(name);
        if (i < 0) {
            fromThisRow[static_cast<std::size_t>(merged.size())] = true;
            merged.append({name, value});
        } else if (!fromThisRow[static_cast<std::size_t>(i)]) {
            fromThisRow[static_cast<std::size_t>(i)] = true;
            merged[i] = {name, value};
        }
    }
}

// Per document, the texts `docprops export --csv` writes for its properties now, by name key
// (of two properties of one name the later one, as export takes it); none for a document that
// could not be read (its row is then written as it stands, and fails as it would have).
using ValueTexts = std::optional<QHash<QString, QString>>;
std::vector<ValueTexts> CurrentValueTexts(const std::vector<PropertySetRow>& documents)
{
    // Only documents that are to be written and that are there: the others fail or are passed
    // over without being read.
    QStringList paths;
    std::vector<std::size_t> of;
    for (std::size_t i = 0; i < documents.size(); ++i) {
        if (!documents[i].values.isEmpty() && NotARegularFileReason(documents[i].path).isEmpty()) {
            paths.append(documents[i].path);
            of.push_back(i);
        }
    }
    // The document's own properties that are only shown are read too: a value for one of them
    // that is not what the document holds is a change that cannot be made, not one to pass over.
    QStringList shownOnly;
    for (std::size_t i : of)
        for (const auto& value : documents[i].values) {
            const QString own = SystemPropertyName(value.first);
            const cfb::SystemPropertyDefinition* definition =
                own.isEmpty() ? nullptr : cfb::FindSystemProperty(own.toStdString());
            if (definition && !definition->editable && !shownOnly.contains(own))
                shownOnly.append(own);
        }
    const QList<LoadedDocument> loaded = LoadUntilInterrupted(paths, shownOnly);
    std::vector<ValueTexts> texts(documents.size());
    for (qsizetype k = 0; k < loaded.size(); ++k) {
        if (loaded[k].status != LoadedDocument::Loaded)
            continue;
        QHash<QString, QString>& t = texts[of[static_cast<std::size_t>(k)]].emplace();
        for (const LoadedProperty& p : loaded[k].properties)
            t.insert(PropertyNameKey(p.name), PropertyDisplayText(p.value));
        for (const LoadedProperty& p : loaded[k].system)
            t.insert(PropertyNameKey(kSystemPropertyPrefix + p.name), PropertyDisplayText(p.value));
    }
    return texts;
}

// Writes the documents a batch at a time, one run of the undo journal for all of them, and
// prints one line per row in row order.
class BatchWriter {
public:
    BatchWriter(bool deleteOthers, bool exported) : m_deleteOthers(deleteOthers), m_exported(exported) {}

    // A row merged into a later one: its line, printed in its turn.
    void Note(const QString& line)
    {
        m_entries.push_back({line, -1});
        FlushWhenFull();
    }

    void Document(PropertySetRow document)
    {
        m_entries.push_back({{}, static_cast<qsizetype>(m_documents.size())});
        m_documents.push_back(std::move(document));
        FlushWhenFull();
    }

    void Flush()
    {
        std::vector<ApplyResult> results = Write();
        QString out;
        for (const auto& [line, document] : m_entries) {
            if (document < 0) {
                out += line;
                out += u'\n';
                continue;
            }
            const QString& path = m_documents[static_cast<std::size_t>(document)].path;
            const ApplyResult& r = results[static_cast<std::size_t>(document)];
            out += path + u": "_s;
            switch (r.status) {
            case ApplyResult::Written: out += u"Success!"_s; break;
            case ApplyResult::NotWritten: out += u"Success! Nothing to change."_s; break;
            case ApplyResult::Failed:
            case ApplyResult::Missing: out += u"Failed! "_s + r.error; break;
            case ApplyResult::Cancelled: out += u"Failed! Interrupted before \""_s + path + u'"'; break;
            }
            out += u'\n';
            m_unsuccessful = m_unsuccessful || r.status == ApplyResult::Failed || r.status == ApplyResult::Missing
                || r.status == ApplyResult::Cancelled;
            m_cancelled = m_cancelled || r.status == ApplyResult::Cancelled;
        }
        console::Print(stdout, out);
        std::fflush(stdout);
        m_entries.clear();
        m_documents.clear();
    }

    // After the last Flush.
    void End() { m_journal.End(!m_cancelled); }
    bool Unsuccessful() const { return m_unsuccessful; }

private:
    void FlushWhenFull()
    {
        if (m_documents.size() >= kBatchDocuments || m_entries.size() >= kBatchLines)
            Flush();
    }

    std::vector<ApplyResult> Write()
    {
        if (m_documents.empty())
            return {};
        // After Ctrl+C or SIGTERM no batch is begun: its documents are read neither for the
        // journal nor for their values.
        if (platform::InterruptRequested()) {
            std::vector<ApplyResult> cancelled(m_documents.size());
            for (ApplyResult& r : cancelled)
                r.status = ApplyResult::Cancelled;
            return cancelled;
        }
        // A property set's values all count as changed. A CSV value equal to the text `export
        // --csv` shows for the document's property is no change (a round trip must not turn
        // dates, numbers and Yes/No into text): it is kept as an `untouched` entry rather than
        // dropped, so that --delete-others does not remove it. A document whose row holds no
        // value is not opened.
        const std::vector<ValueTexts> current = m_exported ? CurrentValueTexts(m_documents) : std::vector<ValueTexts>();
        std::vector<DocumentChanges> changes(m_documents.size());
        for (std::size_t i = 0; i < m_documents.size(); ++i) {
            DocumentChanges& d = changes[i];
            d.path = m_documents[i].path;
            const QHash<QString, QString>* texts = i < current.size() && current[i] ? &*current[i] : nullptr;
            bool differs = texts == nullptr;
            for (const auto& [name, value] : m_documents[i].values) {
                // "System.Title": the document's own property, written in the same save. A
                // prefixed name of no such property fails the document with that reason.
                if (const QString own = SystemPropertyName(name); !own.isNull()) {
                    // The columns of an export that are only shown come back unchanged (a
                    // document without the property shows an empty cell); a value changed in
                    // one goes on to be refused as read only, failing the document.
                    const cfb::SystemPropertyDefinition* definition = cfb::FindSystemProperty(own.toStdString());
                    if (m_exported && definition && !definition->editable && texts
                        && texts->value(PropertyNameKey(name)) == value)
                        continue;
                    d.system.emplace_back(own.isEmpty() ? name : own, value);
                    differs = true;
                    continue;
                }
                const auto it = texts ? texts->constFind(PropertyNameKey(name)) : QHash<QString, QString>::const_iterator();
                const bool equal = texts && it != texts->cend() && *it == value;
                // Of two names equal ignoring case the first one is written (`Add`), so only
                // its value decides.
                if (!d.properties.Contains(name))
                    differs = differs || !equal;
                d.properties.Add(name, value, equal);
            }
            // With --delete-others a document holding a property the row does not list changes too.
            if (texts && m_deleteOthers)
                for (auto it = texts->cbegin(); it != texts->cend() && !differs; ++it)
                    differs = !d.properties.Contains(it.key());
            d.changed = !m_documents[i].values.isEmpty() && differs;
        }
        ApplyOptions options;
        options.deleteOthers = m_deleteOthers;
        options.stopAtMissing = false;
        options.stop = [] { return platform::InterruptRequested(); };
        options.journalRun = &m_journal;
        ApplyReport report = ApplyDocumentChanges(changes, options);
        if (!report.journalError.isEmpty() && !m_journalErrorShown) {
            console::Error(report.journalError);
            m_journalErrorShown = true;
        }
        return std::move(report.results);
    }

    struct Entry {
        QString line;        // a note
        qsizetype document;  // or a document of m_documents
    };
    bool m_deleteOthers;
    bool m_exported;
    std::vector<Entry> m_entries;
    std::vector<PropertySetRow> m_documents;
    PropertySaveJournal m_journal;
    bool m_journalErrorShown = false;
    bool m_unsuccessful = false;
    bool m_cancelled = false;
};

int Apply(const console::CommandLine& line)
{
    const bool deleteOthers = line.Has(u"--delete-others"_s);
    const std::optional<QString> csvFile = line.Value(u"--csv"_s);
    const bool csv = csvFile.has_value();
    const QStringList operands = line.Operands();
    // One set file: named on its own, or after --csv.
    if (operands.size() != (csv ? 0 : 1) || (!csv && operands.front().isEmpty()))
        return line.UsageError(u"apply needs one SET.props or --csv IN.csv"_s);
    const QString setFile = csv ? *csvFile : operands.front();

    CsvRows csvRows;
    SetRows setRows;
    RowSource& source = csv ? static_cast<RowSource&>(csvRows) : setRows;
    QString reason;
    if (!(csv ? csvRows.Open(setFile, &reason) : setRows.Open(setFile, &reason))) {
        console::Error(reason);
        return 1;
    }

    // The first pass checks the whole file before any document is touched, and finds the rows
    // that name one document (the later row wins).
    SameDocumentRows same;
    PropertySetRow row;
    while (source.Next(row, false))
        same.Add(row.path, source.Where());
    if (!source.Error().isEmpty()) {
        console::Error(u"Cannot read file \""_s + setFile + u"\": "_s + source.Error());
        return 1;
    }

    // The second pass writes the documents a batch at a time. A row whose document has a later
    // row gives its values to that row: a name both rows hold takes the later row's value.
    source.Rewind();
    BatchWriter writer(deleteOthers, source.Exported());
    std::unordered_map<std::uint32_t, Values> earlier; // by the later row they go to
    std::uint32_t index = 0;
    bool changed = false;
    while (source.Next(row, true)) {
        if (index >= same.Rows()) {
            changed = true;
            break;
        }
        const std::uint32_t i = index++;
        const std::uint32_t last = same.LastRowOf(i);
        if (last != i) {
            MergeValues(earlier[last], row.values);
            writer.Note(row.path + u": Merged into "_s + source.WhereText(same.WhereOfLast(i))
                        + u", a later row for the same document."_s);
            continue;
        }
        if (const auto it = earlier.find(i); it != earlier.end()) {
            MergeValues(it->second, row.values);
            row.values = std::move(it->second);
            earlier.erase(it);
        }
        writer.Document(std::move(row));
    }
    writer.Flush();
    writer.End();
    // The file changed between the passes (the second one reads the same open file, so only an
    // edit in place does that): the rows after that point are not written.
    if (changed || !source.Error().isEmpty() || index != same.Rows()) {
        console::Error(u"The file \""_s + setFile + u"\" changed while it was being applied; the rows after line "_s
                       + QString::number(source.Where()) + u" were not written"_s);
        return 2;
    }
    return writer.Unsuccessful() ? 2 : 0;
}

} // namespace

console::ToolCommand ApplyCommand()
{
    const QStringList usage = {u"docprops apply [--delete-others] SET.props"_s,
                               u"docprops apply --csv IN.csv [--delete-others]"_s};
    return {
        .name = u"apply"_s,
        .usage = usage,
        .errorUsage = usage,
        .help = u"  apply    writes a property set file (saved by the property editor's \"Save props\") into\n"
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
                "           change is not written (\"Success! Nothing to change.\").\n"
                "           Rows whose paths reach one file (\"a.par\" and \"./a.par\", links) are one\n"
                "           document: the later row's values win, the earlier row's others are kept, and\n"
                "           the earlier row's line says it was merged. The whole file is checked before\n"
                "           any document is written; documents are written a batch at a time, and one\n"
                "           undo takes the whole apply back.\n"_s,
        .options = {{.name = u"--delete-others"_s},
                    {.name = u"--csv"_s, .takesValue = true, .valueMayBeEmpty = false}},
        .run = Apply,
    };
}
