#include "properties/DocumentChanges.h"

#include "compound/SystemProperties.h"

#include "common/Error.h"
#include "common/FsPath.h"
#include "common/WorkerPool.h"
#include "properties/OleDocPropClassWrapper.h"
#include "properties/PropertySaveJournal.h"

#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <atomic>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

using RowGroups = std::vector<std::vector<std::size_t>>;

// The rows to write, grouped by file: one group is one worker's job, in row order, so that two
// rows naming one document never write it at the same time. Rows without a file get their
// result here; with stopAtMissing the first of them ends the grouping.
RowGroups GroupRowsByFile(const std::vector<DocumentChanges>& changes, const ApplyOptions& options, ApplyReport& report)
{
    RowGroups groups;
    QHash<QString, std::size_t> groupOf;
    for (std::size_t i = 0; i < changes.size(); ++i) {
        const DocumentChanges& row = changes[i];
        if (const QString reason = NotARegularFileReason(row.path); !reason.isEmpty()) {
            ApplyResult& r = report.results[i];
            r.status = ApplyResult::Missing;
            r.error = u"Cannot open file \""_s + row.path + u"\": "_s + reason;
            ++report.failed;
            if (options.stopAtMissing) {
                report.stoppedAt = static_cast<int>(i);
                break;
            }
            continue;
        }
        if (!row.changed)
            continue;
        QString identity = QFileInfo(row.path).canonicalFilePath();
        if (identity.isEmpty())
            identity = row.path;
        const auto it = groupOf.constFind(identity);
        if (it != groupOf.cend()) {
            groups[*it].push_back(i);
        } else {
            groupOf.insert(identity, groups.size());
            groups.push_back({i});
        }
    }
    return groups;
}

// Writes the rows of one document (group `group` of the journal), one after the other. Every
// row gets its result; a row's error is that row's failure and the next row is tried.
class DocumentWriter {
public:
    DocumentWriter(const std::vector<DocumentChanges>& changes, const ApplyOptions& options,
                   PropertySaveJournal* journal, ApplyReport& report, std::atomic<qsizetype>& rowsDone)
        : m_changes(changes), m_options(options), m_journal(journal), m_report(report), m_rowsDone(rowsDone)
    {
    }

    void Write(std::size_t group, const std::vector<std::size_t>& rows) const
    {
        bool written = false; // a row of this document was written
        for (const std::size_t i : rows) {
            ApplyResult& r = m_report.results[i];
            if (!m_options.stop || !m_options.stop()) {
                try {
                    r.status = WriteRow(group, i);
                } catch (...) {
                    r.status = ApplyResult::Failed;
                    r.error = FailureText(std::current_exception(),
                                          u"Cannot write the custom properties of \""_s + m_changes[i].path + u'"');
                }
                if (r.status == ApplyResult::Written)
                    written = true;
                else if (r.status == ApplyResult::Failed && m_journal)
                    Settle(group, written, r);
            }
            ++m_rowsDone;
        }
    }

private:
    // Writes row `i` into its document; throws what the write says.
    ApplyResult::Status WriteRow(std::size_t group, std::size_t i) const
    {
        // A document the journal could not open is not written unrecorded; it fails when its
        // turn comes, with what opening it said.
        if (m_journal && !m_journal->ReadError(group).isEmpty())
            throw KrdlError(m_journal->ReadError(group));
        // Its rows would leave it as it is: not written, and nothing recorded.
        if (m_journal && m_journal->Unchanged(group))
            return ApplyResult::NotWritten;
        if (m_options.beforeWrite)
            m_options.beforeWrite(i);
        const DocumentChanges& row = m_changes[i];
        TOleDocPropClassWrapper().ApplyChanges(row.path, row.properties, m_options.deleteOthers, row.removals,
                                               m_journal ? m_journal->File(group) : nullptr, row.system);
        if (m_journal)
            m_journal->Written(group);
        return ApplyResult::Written;
    }

    // A failure is settled by what the document holds, not by the error alone: an error after
    // the save reached the document leaves it changed, and its journal item must stay for an
    // undo.
    void Settle(std::size_t group, bool written, ApplyResult& r) const
    {
        if (!written && m_journal->SaveReached(group)) {
            m_journal->Written(group);
            r.error += u" The document holds the new properties all the same; an undo of this save "
                       "takes them back."_s;
        } else {
            m_journal->Failed(group, r.error);
        }
    }

    const std::vector<DocumentChanges>& m_changes;
    const ApplyOptions& m_options;
    PropertySaveJournal* m_journal;
    ApplyReport& m_report;
    std::atomic<qsizetype>& m_rowsDone;
};

} // namespace

QString SystemPropertyName(const QString& name)
{
    if (!name.startsWith(kSystemPropertyPrefix, Qt::CaseInsensitive))
        return {};
    const cfb::SystemPropertyDefinition* definition =
        cfb::FindSystemProperty(name.mid(kSystemPropertyPrefix.size()).toStdString());
    return definition ? QString::fromUtf8(definition->name) : QStringLiteral("");
}

QString FileDoesNotExistMessage(const QString& path)
{
    return u"File \" "_s + path + u"\" doesn't exist!"_s;
}

ApplyReport ApplyDocumentChanges(const std::vector<DocumentChanges>& changes, const ApplyOptions& options)
{
    ApplyReport report;
    report.results.resize(changes.size());
    const RowGroups groups = GroupRowsByFile(changes, options, report);

    // Every document's properties are on the disk before the first one changes.
    std::unique_ptr<PropertySaveJournal> ownJournal;
    PropertySaveJournal* journal = nullptr;
    if (options.journal && !groups.empty()) {
        if (options.journalRun) {
            journal = options.journalRun;
            journal->Record(changes, groups, options.deleteOthers);
        } else {
            ownJournal = std::make_unique<PropertySaveJournal>(changes, groups, options.deleteOthers);
            journal = ownJournal.get();
        }
        if (!journal->WriteError().isEmpty())
            report.journalError = journal->WriteError() + (journal->WriteError().endsWith(u'.') ? u""_s : u"."_s)
                + u" This save cannot be undone."_s;
    }

    // A row that the run does not reach, stopped before its document or its turn, is Cancelled.
    qsizetype rowsTotal = 0;
    for (const auto& rows : groups) {
        rowsTotal += static_cast<qsizetype>(rows.size());
        for (const std::size_t i : rows)
            report.results[i].status = ApplyResult::Cancelled;
    }
    std::atomic<qsizetype> rowsDone{0};
    const DocumentWriter writer(changes, options, journal, report, rowsDone);
    WorkerPoolOptions pool;
    pool.threads = options.threads;
    pool.maxThreads = options.maxThreads;
    pool.stop = options.stop;
    if (options.progress)
        pool.progress = [&](qsizetype, qsizetype) { options.progress(rowsDone.load(), rowsTotal); };
    RunWorkers(
        static_cast<qsizetype>(groups.size()), pool,
        [&](qsizetype g) { writer.Write(static_cast<std::size_t>(g), groups[static_cast<std::size_t>(g)]); },
        [&](qsizetype g, const std::exception_ptr& error) {
            // Out of the settlement itself (no memory): the rows not settled fail with it.
            for (const std::size_t i : groups[static_cast<std::size_t>(g)]) {
                ApplyResult& r = report.results[i];
                if (r.status == ApplyResult::Cancelled) {
                    r.status = ApplyResult::Failed;
                    r.error = FailureText(error, u"Cannot write the custom properties of \""_s + changes[i].path + u'"');
                }
            }
        });
    if (options.progress)
        options.progress(rowsTotal, rowsTotal);

    if (ownJournal)
        ownJournal->End(std::none_of(report.results.begin(), report.results.end(),
                                     [](const ApplyResult& r) { return r.status == ApplyResult::Cancelled; }));

    for (const ApplyResult& r : report.results) {
        if (r.status == ApplyResult::Written)
            ++report.written;
        else if (r.status == ApplyResult::Failed)
            ++report.failed;
        else if (r.status == ApplyResult::Cancelled)
            ++report.cancelled;
    }
    return report;
}
