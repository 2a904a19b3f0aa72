#include "properties/CustomProperties.h"

#include "common/TextField.h"
#include "properties/OleDocumentProperties.h"

#include <QDateTime>

QString PropertyTypeName(qint32 code)
{
    switch (code) {
    case ptText: return QStringLiteral("Text");
    case ptInteger: return QStringLiteral("Integer");
    case ptFloat: return QStringLiteral("Float");
    case ptYesNo: return QStringLiteral("Yes/No");
    case ptDate: return QStringLiteral("Date");
    default: return QString::number(code);
    }
}

QString PropertyDisplayText(const QVariant& value)
{
    if (value.typeId() == QMetaType::QDateTime)
        return value.toDateTime().toLocalTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    return PropertyValueText(value);
}

QString PropertyNameKey(const QString& name)
{
    return CaseKey(name);
}

TCustomPropertie* PropertyDefinitions::Add()
{
    m_items.push_back(std::make_unique<TCustomPropertie>());
    return m_items.back().get();
}

TCustomPropertie* PropertyDefinitions::Item(int index) const
{
    if (index < 0 || index >= Count())
        return nullptr;
    return m_items[static_cast<std::size_t>(index)].get();
}

void TDocCustomProperties::Add(const QString& name, const QString& value, bool untouched)
{
    const QString key = PropertyNameKey(name);
    if (m_index.contains(key))
        return;
    auto entry = std::make_unique<TDocCustomPropertie>();
    entry->name = name;
    entry->value = value;
    entry->untouched = untouched;
    m_index.insert(key, Count());
    m_items.push_back(std::move(entry));
}

void TDocCustomProperties::Clear()
{
    m_items.clear();
    m_items.shrink_to_fit();
    m_index.clear();
}

int TDocCustomProperties::IndexOf(const QString& name) const
{
    return m_index.value(PropertyNameKey(name), -1);
}

TDocCustomPropertie* TDocCustomProperties::GetProperty(int index) const
{
    if (index < 0 || index >= Count())
        return nullptr;
    return m_items[static_cast<std::size_t>(index)].get();
}
