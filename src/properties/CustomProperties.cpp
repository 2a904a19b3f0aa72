#include "properties/CustomProperties.h"

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
    return name.toUpper();
}

TCustomPropertie* PropertyDefinitions::Add()
{
    items_.push_back(std::make_unique<TCustomPropertie>());
    return items_.back().get();
}

TCustomPropertie* PropertyDefinitions::Item(int index) const
{
    if (index < 0 || index >= Count())
        return nullptr;
    return items_[static_cast<std::size_t>(index)].get();
}

void TDocCustomProperties::Add(const QString& name, const QString& value, qint32 propertyType, qint32 tag, bool untouched)
{
    const QString key = PropertyNameKey(name);
    if (index_.contains(key))
        return;
    auto entry = std::make_unique<TDocCustomPropertie>();
    entry->Name = name;
    entry->Value = value;
    entry->PropertyType = propertyType;
    entry->Tag = tag;
    entry->Untouched = untouched;
    index_.insert(key, Count());
    items_.push_back(std::move(entry));
}

void TDocCustomProperties::Clear()
{
    items_.clear();
    items_.shrink_to_fit();
    index_.clear();
}

int TDocCustomProperties::IndexOf(const QString& name) const
{
    return index_.value(PropertyNameKey(name), -1);
}

TDocCustomPropertie* TDocCustomProperties::GetProperty(int index) const
{
    if (index < 0 || index >= Count())
        return nullptr;
    return items_[static_cast<std::size_t>(index)].get();
}
