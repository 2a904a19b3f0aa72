#include "properties/LoadCustomProperties.h"

#include "common/Error.h"
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
