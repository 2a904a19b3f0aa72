#include "properties/DocumentChanges.h"

#include "common/Error.h"
#include "common/FsPath.h"
#include "properties/OleDocPropClassWrapper.h"
#include "properties/PropertySaveJournal.h"

#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

using namespace Qt::StringLiterals;

QString FileDoesNotExistMessage(const QString& path)
{
    return u"File \" "_s + path + u"\" doesn't exist!"_s;
}

ApplyReport ApplyDocumentChanges(const std::vector<DocumentChanges>& changes, const ApplyOptions& options)
{
    ApplyReport report;
    report.results.resize(changes.size());

    // Which rows are written, grouped by file: one group is one worker's job, in row order, so
    // that two rows naming one document never write it at the same time.
    std::vector<std::vector<std::size_t>> groups;
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

    qsizetype total = 0;
    for (const auto& g : groups)
        total += static_cast<qsizetype>(g.size());
    std::atomic<std::size_t> nextGroup{0};
    std::atomic<qsizetype> done{0};
    std::mutex mutex;
    std::condition_variable finished;
    int running = std::clamp(options.threads, 1, static_cast<int>(std::max<std::size_t>(groups.size(), 1)));

    const auto work = [&] {
        TOleDocPropClassWrapper wrapper;
        wrapper.Connect();
        for (std::size_t g = nextGroup++; g < groups.size(); g = nextGroup++) {
            bool written = false; // a row of this document was written
            for (const std::size_t i : groups[g]) {
                ApplyResult& r = report.results[i];
                if (options.stop && options.stop()) {
                    r.status = ApplyResult::Cancelled;
                    ++done;
                    continue;
                }
                try {
                    // A document the journal could not open is not written unrecorded; it fails
                    // when its turn comes, with what opening it said.
                    if (journal && !journal->ReadError(g).isEmpty())
                        throw KrdlError(journal->ReadError(g));
                    // Its rows would leave it as it is: not written, and nothing recorded.
                    if (journal && journal->Unchanged(g)) {
                        ++done;
                        continue;
                    }
                    if (options.beforeWrite)
                        options.beforeWrite(i);
                    wrapper.ApplyChanges(changes[i].path, &changes[i].properties, options.deleteOthers,
                                         changes[i].removals, journal ? journal->File(g) : nullptr);
                    r.status = ApplyResult::Written;
                    written = true;
                    if (journal)
                        journal->Written(g);
                } catch (const KrdlError& e) {
                    r.status = ApplyResult::Failed;
                    r.error = e.message();
                } catch (const std::exception& e) {
                    r.status = ApplyResult::Failed;
                    r.error = u"Cannot write the custom properties of \""_s + changes[i].path + u"\": "_s
                        + QString::fromUtf8(e.what());
                }
                // A failure is settled by what the document holds, not by the error alone: an
                // error after the save reached the document leaves it changed, and its journal
                // item must stay for an undo.
                if (journal && r.status == ApplyResult::Failed) {
                    if (!written && journal->SaveReached(g)) {
                        journal->Written(g);
                        r.error += u" The document holds the new properties all the same; an undo of this save "
                                   "takes them back."_s;
                    } else {
                        journal->Failed(g, r.error);
                    }
                }
                ++done;
            }
        }
        wrapper.Disconnect();
        const std::lock_guard lock(mutex);
        --running;
        finished.notify_all();
    };

    if (!groups.empty()) {
        std::vector<std::jthread> workers;
        const int threads = running;
        workers.reserve(static_cast<std::size_t>(threads));
        for (int t = 0; t < threads; ++t)
            workers.emplace_back(work);
        std::unique_lock lock(mutex);
        while (running > 0) {
            finished.wait_for(lock, std::chrono::milliseconds(50));
            if (options.progress) {
                lock.unlock();
                options.progress(done.load(), total);
                lock.lock();
            }
        }
    }
    if (options.progress)
        options.progress(total, total);

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
