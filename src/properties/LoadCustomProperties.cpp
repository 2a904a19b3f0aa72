#include "properties/LoadCustomProperties.h"

#include "common/FsPath.h"
#include "common/WorkerPool.h"
#include "compound/BlockFile.h"
#include "properties/OleDocumentProperties.h"

#include <QSet>
#include <QtGlobal>

#include <atomic>
#include <condition_variable>
#include <iterator>
#include <mutex>
#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// The names of one document are mostly those of the one before: each thread of a load keeps the
// names it has read, so that 100,000 documents of 20 properties hold a few dozen name strings,
// not 2,000,000. The sets belong to the load and die with it; a thread finds its own through a
// thread-local pointer and the load's number (plain values: MinGW runs the destructors of
// thread-local objects after their storage is gone, so none may have one).
class SharedNames {
public:
    SharedNames() : m_id(NextId()) {}

    QString Shared(const QString& name)
    {
        thread_local quint64 ownerId = 0;
        thread_local QSet<QString>* names = nullptr;
        if (ownerId != m_id) {
            const std::lock_guard lock(m_mutex);
            names = m_sets.emplace_back(std::make_unique<QSet<QString>>()).get();
            ownerId = m_id;
        }
        if (const auto it = names->constFind(name); it != names->cend())
            return *it;
        if (names->size() >= 4096)
            names->clear();
        names->insert(name);
        return name;
    }

private:
    // Never 0 (a thread's "no load yet") and never used twice, even by a load at the address of
    // one that has ended.
    static quint64 NextId()
    {
        static std::atomic<quint64> next = 0;
        return ++next;
    }

    const quint64 m_id;
    std::mutex m_mutex;
    std::vector<std::unique_ptr<QSet<QString>>> m_sets;
};

// Reads the custom properties of the document at `path` into `out`; throws what opening or
// reading says.
void Load(const QString& path, const LoadOptions& options, SharedNames& names, LoadedDocument& out)
{
    TOleDocumentProperties doc;
    if (options.openFile)
        doc.OpenFrom(path, options.openFile(path));
    else
        doc.Open(path, true);
    TOleCustomProperties& props = doc.CustomProperties();
    const qint32 count = props.Count();
    out.properties.reserve(count);
    for (qint32 i = 0; i < count; ++i) {
        const TOleCustomProperty p = props.Item(i);
        LoadedProperty loaded;
        loaded.name = names.Shared(p.Name());
        loaded.type = p.Type();
        loaded.value = p.Value();
        out.properties.append(std::move(loaded));
    }
    for (const QString& name : options.system) {
        if (!doc.SystemValueWritable(name))
            out.systemReadOnly << name;
        LoadedProperty loaded;
        loaded.name = name;
        loaded.value = doc.SystemValue(name, &loaded.type);
        if (!loaded.value.isValid() && loaded.type == 0)
            continue; // the document has no such property
        out.system.append(std::move(loaded));
    }
    out.status = LoadedDocument::Loaded;
}

// LoadOptions::stopAtMissing: which paths were found to hold a file and which did not, in the
// order of the paths, whatever order the threads check them in.
class MissingGate {
public:
    enum class Step { Read, Missing, Stop };

    explicit MissingGate(qsizetype total) : m_present(static_cast<std::size_t>(total), 0), m_firstMissing(total) {}

    // Checks path `index` (its reason for not being a file goes to `reason`) and waits until
    // every path before it has been checked. The pool hands paths out in order and each is
    // checked before its thread waits, so the wait always ends.
    Step Check(qsizetype index, const QString& path, QString& reason)
    {
        {
            const std::lock_guard lock(m_mutex);
            if (m_firstMissing < index)
                return Step::Stop;
        }
        reason = NotARegularFileReason(path);
        std::unique_lock lock(m_mutex);
        m_present[static_cast<std::size_t>(index)] = reason.isEmpty() ? 1 : -1;
        const qsizetype total = static_cast<qsizetype>(m_present.size());
        while (m_confirmed < total && m_present[static_cast<std::size_t>(m_confirmed)] == 1)
            ++m_confirmed;
        if (m_confirmed < total && m_present[static_cast<std::size_t>(m_confirmed)] == -1)
            m_firstMissing = m_confirmed;
        m_checked.notify_all();
        m_checked.wait(lock, [&] { return m_confirmed > index || m_firstMissing <= index; });
        if (m_firstMissing < index)
            return Step::Stop;
        return m_firstMissing == index ? Step::Missing : Step::Read;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_checked;
    std::vector<signed char> m_present; // 1 a file, -1 none, 0 not checked yet
    qsizetype m_confirmed = 0;          // how many leading paths hold a file
    qsizetype m_firstMissing;
};

} // namespace

QList<LoadedDocument> LoadCustomProperties(const QStringList& paths, const LoadOptions& options)
{
    const qsizetype total = paths.size();
    // Each thread writes only its own elements; a QList could detach under them.
    std::vector<LoadedDocument> results(static_cast<std::size_t>(total));
    for (qsizetype i = 0; i < total; ++i)
        results[static_cast<std::size_t>(i)].path = paths[i];
    MissingGate gate(options.stopAtMissing ? total : 0);
    SharedNames names;

    WorkerPoolOptions pool;
    pool.threads = options.threads;
    pool.maxThreads = options.maxThreads;
    pool.stop = [&options] { return options.stop.stop_requested(); };
    pool.progress = options.progress;
    RunWorkers(
        total, pool,
        [&](qsizetype i) {
            LoadedDocument& out = results[static_cast<std::size_t>(i)];
            if (options.stopAtMissing) {
                QString reason;
                switch (gate.Check(i, paths[i], reason)) {
                case MissingGate::Step::Stop:
                    return; // lies after the missing path: Cancelled
                case MissingGate::Step::Missing:
                    out.status = LoadedDocument::Missing;
                    out.error = u"Cannot read file \""_s + paths[i] + u"\": "_s + reason;
                    return;
                case MissingGate::Step::Read:
                    break;
                }
            }
            Load(paths[i], options, names, out);
        },
        [&](qsizetype i, const std::exception_ptr& error) {
            LoadedDocument& out = results[static_cast<std::size_t>(i)];
            out.properties.clear();
            out.status = LoadedDocument::Failed;
            out.error = FailureText(error, u"Cannot read file \""_s + paths[i] + u'"');
        });
    return QList<LoadedDocument>(std::make_move_iterator(results.begin()), std::make_move_iterator(results.end()));
}
