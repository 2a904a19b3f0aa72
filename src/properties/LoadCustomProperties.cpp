#include "properties/LoadCustomProperties.h"

#include "common/FsPath.h"
#include "common/WorkerPool.h"
#include "compound/BlockFile.h"
#include "properties/OleDocumentProperties.h"

#include <QSet>
#include <QtGlobal>

#include <condition_variable>
#include <iterator>
#include <mutex>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// The names of one document are mostly those of the one before: each thread keeps the names it
// has read, so that 100,000 documents of 20 properties hold 20 name strings, not 2,000,000.
QString SharedName(const QString& name)
{
    thread_local QSet<QString> names;
    if (const auto it = names.constFind(name); it != names.cend())
        return *it;
    if (names.size() >= 4096)
        names.clear();
    names.insert(name);
    return name;
}

// Reads the custom properties of the document at `path` into `out`; throws what opening or
// reading says.
void Load(const QString& path, const LoadOptions& options, LoadedDocument& out)
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
        loaded.name = SharedName(p.Name());
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
            Load(paths[i], options, out);
        },
        [&](qsizetype i, const std::exception_ptr& error) {
            LoadedDocument& out = results[static_cast<std::size_t>(i)];
            out.properties.clear();
            out.status = LoadedDocument::Failed;
            out.error = FailureText(error, u"Cannot read file \""_s + paths[i] + u'"');
        });
    return QList<LoadedDocument>(std::make_move_iterator(results.begin()), std::make_move_iterator(results.end()));
}
