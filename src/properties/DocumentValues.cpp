#include "properties/DocumentValues.h"

#include "common/Error.h"
#include "properties/OleDocumentProperties.h"


QList<DocumentValues> ReadDocumentValues(const QStringList& paths, const ReadOptions& options)
{
    QList<DocumentValues> result(paths.size());
    TOleDocumentProperties doc;
    doc.Connect();
    for (qsizetype i = 0; i < paths.size(); ++i) {
        DocumentValues& d = result[i];
        d.path = paths[i];
        if (options.stop.stop_requested())
            continue;
        try {
            doc.Open(d.path, true);
            TOleCustomProperties& props = doc.CustomProperties();
            const qint32 count = props.Count();
            d.properties.reserve(count);
            for (qint32 k = 0; k < count; ++k) {
                const TOleCustomProperty p = props.Item(k);
                d.properties.append({p.Name(), p.Type(), p.Value()});
            }
            d.status = DocumentValues::Loaded;
        } catch (const KrdlError& e) {
            d.status = DocumentValues::Failed;
            d.error = e.message();
            d.properties.clear();
        }
        doc.Close(false);
        if (options.progress)
            options.progress(i + 1, paths.size());
    }
    doc.Disconnect();
    return result;
}
