#include "properties/LoadCustomProperties.h"

#include "common/Error.h"
#include "common/FsPath.h"
#include "compound/BlockFile.h"
#include "properties/OleDocumentProperties.h"

#include <QtGlobal>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <iterator>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

namespace {

void Load(const QString& path, const LoadOptions& options, TOleDocumentProperties& doc, LoadedDocument& out)
{
    try {
        if (options.openFile)
            doc.OpenFrom(path, options.openFile(path));
        else
            doc.Open(path, true, 2);
        TOleCustomProperties& props = doc.CustomProperties();
        const qint32 count = props.Count();
        out.properties.reserve(count);
        for (qint32 i = 0; i < count; ++i) {
            const TOleCustomProperty p = props.Item(i);
            LoadedProperty loaded;
            loaded.name = p.Name();
            loaded.type = p.Type();
            loaded.value = p.Value();
            loaded.text = PropertyValueText(loaded.value);
            out.properties.append(std::move(loaded));
        }
        out.status = LoadedDocument::Loaded;
    } catch (const KrdlError& e) {
        out.properties.clear();
        out.status = LoadedDocument::Failed;
        out.error = e.message();
    } catch (const std::bad_alloc&) {
        out.properties.clear();
        out.status = LoadedDocument::Failed;
        out.error = QStringLiteral("Cannot read file \"") + path + QStringLiteral("\": out of memory");
    } catch (const std::exception& e) {
        out.properties.clear();
        out.status = LoadedDocument::Failed;
        out.error = QStringLiteral("Cannot read file \"") + path + QStringLiteral("\": ") + QString::fromUtf8(e.what());
    }
    doc.Close(false);
}

} // namespace

QList<LoadedDocument> LoadCustomProperties(const QStringList& paths, const LoadOptions& options)
{
    const qsizetype total = paths.size();
    // Each thread writes only its own elements; a QList could detach under them.
    std::vector<LoadedDocument> results(static_cast<std::size_t>(total));
    for (qsizetype i = 0; i < total; ++i)
        results[static_cast<std::size_t>(i)].path = paths[i];

    std::atomic<qsizetype> next{0};
    std::atomic<bool> abandon{false}; // the caller's progress callback threw
    std::mutex mutex;
    std::condition_variable changed;
    qsizetype finished = 0; // guarded by mutex
    int running = 0;        // guarded by mutex

    // stopAtMissing: which paths were found to hold a file (1) or not (-1), how many leading
    // paths hold one, and the first that does not; all guarded by mutex. Paths are handed out
    // in order and each is checked before its thread waits, so the wait always ends.
    std::vector<signed char> present(options.stopAtMissing ? static_cast<std::size_t>(total) : 0, 0);
    qsizetype confirmed = 0;
    qsizetype firstMissing = total;
    std::condition_variable gate;
    enum class Step { Read, Missing, Stop };
    // Checks path i and waits until every path before it has been checked.
    auto checkInOrder = [&](qsizetype i) -> Step {
        {
            std::lock_guard lock(mutex);
            if (firstMissing < i)
                return Step::Stop;
        }
        const QString reason = NotARegularFileReason(paths[i]);
        std::unique_lock lock(mutex);
        present[static_cast<std::size_t>(i)] = reason.isEmpty() ? 1 : -1;
        while (confirmed < total && present[static_cast<std::size_t>(confirmed)] == 1)
            ++confirmed;
        if (confirmed < total && present[static_cast<std::size_t>(confirmed)] == -1)
            firstMissing = confirmed;
        gate.notify_all();
        gate.wait(lock, [&] { return confirmed > i || firstMissing <= i; });
        if (firstMissing < i)
            return Step::Stop;
        if (firstMissing == i) {
            LoadedDocument& out = results[static_cast<std::size_t>(i)];
            out.status = LoadedDocument::Missing;
            out.error = QStringLiteral("Cannot read file \"") + paths[i] + QStringLiteral("\": ") + reason;
            return Step::Missing;
        }
        return Step::Read;
    };

    const int threads = static_cast<int>(std::clamp<qsizetype>(options.threads, 1, std::max<qsizetype>(total, 1)));
    auto work = [&] {
        TOleDocumentProperties doc;
        doc.Connect();
        for (;;) {
            if (options.stop.stop_requested() || abandon)
                break;
            const qsizetype i = next.fetch_add(1);
            if (i >= total)
                break;
            const Step step = options.stopAtMissing ? checkInOrder(i) : Step::Read;
            if (step == Step::Stop)
                break; // every path handed out from here on lies after the missing one
            if (step == Step::Read)
                Load(paths[i], options, doc, results[static_cast<std::size_t>(i)]);
            {
                std::lock_guard lock(mutex);
                ++finished;
            }
            changed.notify_one();
        }
        doc.Disconnect();
        {
            std::lock_guard lock(mutex);
            --running;
        }
        changed.notify_one();
    };

    std::vector<std::thread> pool;
    if (total > 0) {
        running = threads;
        for (int t = 0; t < threads; ++t)
            pool.emplace_back(work);
    }

    std::exception_ptr failure;
    qsizetype reported = 0;
    while (!pool.empty()) {
        qsizetype done;
        bool over;
        {
            std::unique_lock lock(mutex);
            changed.wait(lock, [&] { return finished != reported || running == 0; });
            done = finished;
            over = running == 0;
        }
        if (done != reported && options.progress && !failure) {
            try {
                options.progress(done, total);
            } catch (...) {
                // The threads use this frame: let them stop before the error goes on.
                failure = std::current_exception();
                abandon = true;
            }
        }
        reported = done;
        if (over)
            break;
    }
    for (std::thread& t : pool)
        t.join();
    if (failure)
        std::rethrow_exception(failure);
    return QList<LoadedDocument>(std::make_move_iterator(results.begin()), std::make_move_iterator(results.end()));
}
