#include "properties/OleDocPropClassWrapper.h"

#include <QSet>

void TOleDocPropClassWrapper::ChangeProperties(TOleCustomProperties& custom, const TDocCustomProperties& properties,
                                               bool deleteAll, const QStringList& removals)
{
    if (!removals.isEmpty()) {
        QSet<QString> removed;
        for (const QString& name : removals)
            removed.insert(PropertyNameKey(name));
        for (qint32 k = custom.Count() - 1; k >= 0; --k)
            if (removed.contains(PropertyNameKey(custom.Item(k).Name())))
                custom.Item(k).Remove();
    }
    // `untouched` entries whose name the document holds with a type other than text: those
    // properties stay exactly as they are, neither removed nor written again as text.
    QSet<QString> kept;
    for (qint32 k = 0; k < custom.Count(); ++k) {
        const TOleCustomProperty item = custom.Item(k);
        const TDocCustomPropertie* entry = properties.GetProperty(properties.IndexOf(item.Name()));
        if (entry && entry->untouched && item.Type() != ptText)
            kept.insert(PropertyNameKey(item.Name()));
    }
    // From the last index down, so that a removal does not move what is still to be visited.
    for (qint32 k = custom.Count() - 1; k >= 0; --k) {
        const QString name = custom.Item(k).Name();
        if (kept.contains(PropertyNameKey(name)))
            continue;
        if (deleteAll || properties.Contains(name))
            custom.Item(k).Remove();
    }
    for (int i = 0; i < properties.Count(); ++i) {
        const TDocCustomPropertie* entry = properties.GetProperty(i);
        if (kept.contains(PropertyNameKey(entry->name)))
            continue;
        const QString value = entry->value.isEmpty() ? QStringLiteral(" ") : entry->value;
        custom.Add(entry->name, value);
    }
}

void TOleDocPropClassWrapper::ChangeSystemProperties(TOleDocumentProperties& document,
                                                     const std::vector<std::pair<QString, QString>>& system)
{
    for (const auto& [name, text] : system) {
        if (text.isNull())
            document.SetSystemStoredValue(name, {});
        else
            document.SetSystemValue(name, text);
    }
}

void TOleDocPropClassWrapper::ApplyChanges(const QString& path, const TDocCustomProperties& properties, bool deleteAll,
                                           const QStringList& removals, const DocumentFile* file,
                                           const std::vector<std::pair<QString, QString>>& system)
{
    // No look at the path first: what stands there is what opening it finds, and a document
    // that is gone by now fails with that reason instead of passing as written.
    if (file)
        m_component.OpenSameFile(path, *file);
    else
        m_component.Open(path);
    try {
        ChangeProperties(m_component.CustomProperties(), properties, deleteAll, removals);
        ChangeSystemProperties(m_component, system);
        m_component.Save();
    } catch (...) {
        // A half-done update is not saved: the document keeps the properties it had.
        m_component.Close(false);
        throw;
    }
    m_component.Close(false);
}
