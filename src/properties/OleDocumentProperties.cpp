#include "properties/OleDocumentProperties.h"

#include "common/Error.h"
#include "common/FsPath.h"
#include "compound/DiskFile.h"
#include "compound/Cfb.h"
#include "compound/CustomPropertyCollection.h"
#include "platform/FileIdentity.h"

#include <QDateTime>
#include <QLocale>

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace {

QString Quoted(const QString& path)
{
    return QLatin1Char('"') + path + QLatin1Char('"');
}

QString FromUtf8(const std::string& s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

} // namespace

QVariant PropertyVariant(const cfb::PropertyValue& v)
{
    if (!v.known)
        return {};
    switch (v.vt) {
    case cfb::VT_LPSTR:
    case cfb::VT_LPWSTR:
    case cfb::VT_BSTR:
        return FromUtf8(v.text);
    case cfb::VT_I1:
    case cfb::VT_UI1:
    case cfb::VT_I2:
    case cfb::VT_UI2:
    case cfb::VT_I4:
    case cfb::VT_UI4:
    case cfb::VT_INT:
    case cfb::VT_UINT:
    case cfb::VT_I8:
        return QVariant::fromValue<qint64>(v.integer);
    case cfb::VT_UI8:
        return QVariant::fromValue<quint64>(v.unsignedInteger);
    case cfb::VT_R4:
    case cfb::VT_R8:
    case cfb::VT_CY:
        return v.real;
    case cfb::VT_BOOL:
        return v.boolean;
    case cfb::VT_FILETIME: {
        // 100-nanosecond steps since 1601-01-01 UTC.
        constexpr qint64 kUnixEpochInFiletimeMs = 11644473600000LL;
        const qint64 ms = static_cast<qint64>(v.filetime / 10000) - kUnixEpochInFiletimeMs;
        const QDateTime t = QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
        return t.isValid() ? QVariant(t) : QVariant();
    }
    case cfb::VT_DATE: {
        // Days since 1899-12-30; the fraction is the time of day.
        if (!std::isfinite(v.real) || std::fabs(v.real) > 3.0e6)
            return {};
        const QDateTime base(QDate(1899, 12, 30), QTime(0, 0), Qt::UTC);
        const double whole = std::trunc(v.real);
        // Negative values count whole days backwards but the time of day forwards.
        const qint64 ms = static_cast<qint64>(std::llround(std::fabs(v.real - whole) * 86400000.0));
        return base.addDays(static_cast<qint64>(whole)).addMSecs(ms);
    }
    default:
        return {};
    }
}

QString PropertyValueText(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::QString:
        return value.toString();
    case QMetaType::LongLong:
        return QString::number(value.toLongLong());
    case QMetaType::ULongLong:
        return QString::number(value.toULongLong());
    case QMetaType::Int:
        return QString::number(value.toInt());
    case QMetaType::Double:
        return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case QMetaType::QDateTime:
        return value.toDateTime().toUTC().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    default:
        return value.isValid() ? value.toString() : QString();
    }
}

// --- TOleCustomProperty

QString TOleCustomProperty::Name() const
{
    return FromUtf8(m_owner->m_document.Collection().NameAt(m_owner->IndexOf(m_key)));
}

qint32 TOleCustomProperty::Type() const
{
    return m_owner->m_document.Collection().TypeCodeAt(m_owner->IndexOf(m_key));
}

QVariant TOleCustomProperty::Value() const
{
    return PropertyVariant(m_owner->m_document.Collection().ValueAt(m_owner->IndexOf(m_key)));
}

QString TOleCustomProperty::ValueText() const
{
    const cfb::PropertyValue& v = m_owner->m_document.Collection().ValueAt(m_owner->IndexOf(m_key));
    // Text, the common case, as it is, without the way through a variant.
    if (v.known && (v.vt == cfb::VT_LPSTR || v.vt == cfb::VT_LPWSTR || v.vt == cfb::VT_BSTR))
        return FromUtf8(v.text);
    return PropertyValueText(PropertyVariant(v));
}

QByteArray TOleCustomProperty::StoredValue() const
{
    const std::vector<std::uint8_t>& raw = m_owner->m_document.Collection().RawAt(m_owner->IndexOf(m_key));
    return QByteArray(reinterpret_cast<const char*>(raw.data()), static_cast<qsizetype>(raw.size()));
}

void TOleCustomProperty::Remove()
{
    const int index = m_owner->IndexOfKey(m_key);
    if (index < 0)
        throw KrdlError(QStringLiteral("The custom property was removed already"));
    try {
        m_owner->m_document.Collection().Remove(static_cast<std::size_t>(index));
    } catch (const cfb::Error& e) {
        m_owner->m_document.Fail(QStringLiteral("Cannot remove a custom property of"), e);
    }
    m_owner->m_keys.erase(m_owner->m_keys.begin() + index);
}

// --- TOleCustomProperties

qint32 TOleCustomProperties::Count() const
{
    return static_cast<qint32>(m_keys.size());
}

TOleCustomProperty TOleCustomProperties::Item(qint32 index)
{
    m_document.Collection(); // a document must be open
    if (index < 0 || index >= Count())
        throw KrdlError(QStringLiteral("Custom property index %1 is out of range (0 to %2) in %3")
                            .arg(index)
                            .arg(Count() - 1)
                            .arg(Quoted(m_document.FileName())));
    return TOleCustomProperty(this, m_keys[static_cast<std::size_t>(index)]);
}

TOleCustomProperty TOleCustomProperties::Add(const QString& name, const QVariant& value)
{
    cfb::CustomPropertyCollection& c = m_document.Collection();
    const QString text = PropertyValueText(value);
    try {
        c.AddText(name.toStdString(), text.toStdString());
    } catch (const cfb::Error& e) {
        m_document.Fail(QStringLiteral("Cannot add the custom property ") + Quoted(name) + QStringLiteral(" to"), e);
    }
    m_keys.push_back(m_nextKey++);
    return TOleCustomProperty(this, m_keys.back());
}

TOleCustomProperty TOleCustomProperties::AddStored(const QString& name, const QByteArray& stored)
{
    cfb::CustomPropertyCollection& c = m_document.Collection();
    try {
        c.AddStored(name.toStdString(), std::vector<std::uint8_t>(stored.begin(), stored.end()));
    } catch (const cfb::Error& e) {
        m_document.Fail(QStringLiteral("Cannot add the custom property ") + Quoted(name) + QStringLiteral(" to"), e);
    }
    m_keys.push_back(m_nextKey++);
    return TOleCustomProperty(this, m_keys.back());
}

quint16 TOleCustomProperties::CodePage() const
{
    return m_document.Collection().CodePage();
}

int TOleCustomProperties::IndexOfKey(std::uint64_t key) const
{
    // Keys are handed out in increasing order and keep the properties' order, so they are sorted.
    const auto it = std::lower_bound(m_keys.begin(), m_keys.end(), key);
    return it != m_keys.end() && *it == key ? static_cast<int>(it - m_keys.begin()) : -1;
}

std::size_t TOleCustomProperties::IndexOf(std::uint64_t key) const
{
    const int index = IndexOfKey(key);
    if (index < 0)
        throw KrdlError(QStringLiteral("The custom property was removed"));
    return static_cast<std::size_t>(index);
}

void TOleCustomProperties::Reset(std::size_t count)
{
    m_keys.clear();
    for (std::size_t i = 0; i < count; ++i)
        m_keys.push_back(m_nextKey++);
}

// --- TOleDocumentProperties

TOleDocumentProperties::TOleDocumentProperties() : m_properties(*this) {}

TOleDocumentProperties::~TOleDocumentProperties()
{
    Close(false);
}

void TOleDocumentProperties::Fail(const QString& what, const std::exception& e) const
{
    throw KrdlError(what + QLatin1Char(' ') + Quoted(m_path) + QStringLiteral(": ") + QString::fromUtf8(e.what()));
}

std::unique_ptr<cfb::DiskFile> TOleDocumentProperties::OpenDisk(const QString& path, bool readOnly, bool followLink)
{
    // The open itself tells a missing file, a folder or a FIFO from a document (in the words
    // of NotARegularFileReason): no separate look at the path first, which would cost a system
    // call per document and could be overtaken by a change of the file in between.
    try {
        return std::make_unique<cfb::DiskFile>(ToFsPath(path), !readOnly, true, followLink);
    } catch (const cfb::OpenError& e) {
        throw KrdlError(QStringLiteral("Cannot open file ") + Quoted(path)
                        + (e.AboutWriting() ? QStringLiteral(" for writing") : QString()) + QStringLiteral(": ")
                        + QString::fromUtf8(e.what()));
    }
}

void TOleDocumentProperties::Open(const QString& path, bool readOnly)
{
    Close(false);
    OpenFrom(path, OpenDisk(path, readOnly, true));
}

void TOleDocumentProperties::OpenSameFile(const QString& path, const DocumentFile& file, bool readOnly)
{
    Close(false);
    // The identity is that of the open file, not of whatever the path names by now.
    std::unique_ptr<cfb::DiskFile> disk = OpenDisk(path, readOnly, file.throughLink);
    if (disk->Identity() != file.identity)
        throw KrdlError(QStringLiteral("File ") + Quoted(path)
                        + QStringLiteral(" is not the file whose properties were read before the save: it was "
                                         "replaced or moved since"));
    OpenFrom(path, std::move(disk));
}

DocumentFile TOleDocumentProperties::OpenedFile() const
{
    const auto* disk = dynamic_cast<const cfb::DiskFile*>(m_file.get());
    if (!disk)
        return {};
    // Looked at after the open: a link put in its place since then counts as one, so that a
    // later OpenSameFile follows it only to the very file opened here.
    return {disk->Identity(), platform::IsSymbolicLink(ToFsPath(m_path))};
}

void TOleDocumentProperties::OpenFrom(const QString& path, std::unique_ptr<cfb::BlockFile> file)
{
    Close(false);
    std::unique_ptr<cfb::CustomPropertyCollection> collection;
    try {
        collection = std::make_unique<cfb::CustomPropertyCollection>(*file);
    } catch (const cfb::ReadError& e) {
        throw KrdlError(QStringLiteral("Cannot read file ") + Quoted(path) + QStringLiteral(": ") + QString::fromUtf8(e.what()));
    } catch (const cfb::Error& e) {
        if (std::string(e.what()) == "not a compound file")
            throw KrdlError(QStringLiteral("File ") + Quoted(path) + QStringLiteral(" is not a compound document"));
        throw KrdlError(QStringLiteral("File ") + Quoted(path) + QStringLiteral(" is damaged: ") + QString::fromUtf8(e.what()));
    } catch (const std::exception& e) {
        throw KrdlError(QStringLiteral("Cannot read file ") + Quoted(path) + QStringLiteral(": ") + QString::fromUtf8(e.what()));
    }
    m_path = path;
    m_file = std::move(file);
    m_collection = std::move(collection);
    m_properties.Reset(m_collection->Count());
}

cfb::CustomPropertyCollection& TOleDocumentProperties::Collection()
{
    if (!m_collection)
        throw KrdlError(QStringLiteral("No document is open"));
    return *m_collection;
}

TOleCustomProperties& TOleDocumentProperties::CustomProperties()
{
    Collection();
    return m_properties;
}

template <typename Action>
auto TOleDocumentProperties::OnSystemProperty(const QString& name, const QString& what, Action&& action)
{
    cfb::CustomPropertyCollection& c = Collection();
    try {
        const cfb::SystemPropertyDefinition* definition = cfb::FindSystemProperty(name.toStdString());
        if (!definition)
            throw cfb::Error("no such property of the document's own");
        return action(c, *definition);
    } catch (const std::exception& e) {
        Fail(what + QStringLiteral(" the property ") + Quoted(name) + QStringLiteral(" of"), e);
    }
}

QString TOleDocumentProperties::SystemValueText(const QString& name)
{
    return OnSystemProperty(name, QStringLiteral("Cannot read"), [](auto& c, const auto& definition) {
        const cfb::PropertyValue* value = c.SystemValue(definition);
        return value ? PropertyValueText(PropertyVariant(*value)) : QString();
    });
}

QVariant TOleDocumentProperties::SystemValue(const QString& name, qint32* type)
{
    return OnSystemProperty(name, QStringLiteral("Cannot read"), [type](auto& c, const auto& definition) {
        const cfb::PropertyValue* value = c.SystemValue(definition);
        if (type)
            *type = value && value->known ? cfb::TypeCode(value->vt) : 0;
        return value ? PropertyVariant(*value) : QVariant();
    });
}

bool TOleDocumentProperties::SystemValueWritable(const QString& name)
{
    return OnSystemProperty(name, QStringLiteral("Cannot read"),
                            [](auto& c, const auto& definition) { return c.SystemWritable(definition); });
}

QByteArray TOleDocumentProperties::SystemStoredValue(const QString& name)
{
    return OnSystemProperty(name, QStringLiteral("Cannot read"), [](auto& c, const auto& definition) {
        const std::vector<std::uint8_t>* raw = c.SystemRaw(definition);
        return raw ? QByteArray(reinterpret_cast<const char*>(raw->data()), qsizetype(raw->size())) : QByteArray();
    });
}

void TOleDocumentProperties::SetSystemValue(const QString& name, const QString& text)
{
    OnSystemProperty(name, QStringLiteral("Cannot set"), [&text](auto& c, const auto& definition) {
        c.SetSystemText(definition, text.toStdString());
    });
}

void TOleDocumentProperties::SetSystemStoredValue(const QString& name, const QByteArray& stored)
{
    OnSystemProperty(name, QStringLiteral("Cannot set"), [&stored](auto& c, const auto& definition) {
        c.SetSystemRaw(definition, std::vector<std::uint8_t>(stored.begin(), stored.end()));
    });
}

void TOleDocumentProperties::Save()
{
    cfb::CustomPropertyCollection& c = Collection();
    try {
        c.Save();
    } catch (const std::exception& e) {
        Fail(QStringLiteral("Cannot save the custom properties of"), e);
    }
}

void TOleDocumentProperties::Close(bool saveBeforeClose)
{
    if (!m_collection)
        return;
    if (saveBeforeClose)
        Save();
    m_collection.reset();
    m_file.reset();
    m_path.clear();
    m_properties.m_keys.clear();
}
