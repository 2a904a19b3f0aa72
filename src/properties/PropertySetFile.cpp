#include "properties/PropertySetFile.h"

#include "common/Error.h"
#include "common/FsPath.h"
#include "common/SafeFile.h"
#include "common/SharedText.h"
#include "common/TextField.h"
#include "settings/IniFile.h"

#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <filesystem>

using namespace Qt::StringLiterals;

namespace {

const QString kFiles = u"Files"_s;

bool HasLineBreak(const QString& text)
{
    return text.contains(u'\n') || text.contains(u'\r');
}

// The key of a column's entry. Nothing reads it back, but an "=" in it would move the split
// between key and value into the name, so it becomes "_".
QString EntryKey(const QString& name)
{
    QString key = u"CustomProp"_s + name;
    key.replace(u'=', u'_');
    return key;
}

} // namespace

QPair<QString, QString> SplitPropertySetValue(const QString& entryValue)
{
    const qsizetype semicolon = entryValue.indexOf(u';');
    if (semicolon < 0)
        return {entryValue, QString()};
    return {entryValue.left(semicolon), entryValue.mid(semicolon + 1)};
}

void SavePropertySet(const QString& fileName, const QList<PropertySetRow>& rows)
{
    const QString fullPath = QFileInfo(fileName).absoluteFilePath();
    const QString unable = u"Unable to write to "_s + fullPath;

    IniDocument doc;
    SharedEncoding encoding = SharedEncoding::Cp1250;
    std::error_code ec;
    if (std::filesystem::status(ToFsPath(fullPath), ec).type() != std::filesystem::file_type::not_found) {
        // An existing file is merged into, so one that cannot be read cannot be written either.
        QByteArray bytes;
        QString reason;
        if (!ReadFileContents(fullPath, bytes, &reason))
            throw KrdlError(unable + u". "_s + reason);
        QString text;
        if (!DecodeSharedText(bytes, text, &reason, &encoding))
            throw KrdlError(unable + u". "_s + reason);
        doc = IniDocument::FromText(text);
    }

    const QList<QPair<QString, QString>> listed = doc.Entries(kFiles);
    QHash<QString, QString> keyOfPath; // upper-cased path -> section name; the first entry wins
    QSet<QString> takenKeys;           // folded keys of Files
    for (const auto& [key, path] : listed) {
        takenKeys.insert(CaseKey(key));
        // A key named like the list itself would make the list its own section; it lists nothing.
        if (CaseKey(key) == CaseKey(kFiles))
            continue;
        if (!keyOfPath.contains(CaseKey(path)))
            keyOfPath.insert(CaseKey(path), key);
    }

    qsizetype n = listed.size();
    QList<QPair<QString, QString>> newFiles;
    QStringList sectionOrder;
    QHash<QString, QList<QPair<QString, QString>>> sections; // by folded section name
    for (const PropertySetRow& row : rows) {
        if (HasLineBreak(row.path))
            throw KrdlError(unable + u". The file name "_s + row.path + u" holds a line break."_s);
        QString key = keyOfPath.value(CaseKey(row.path));
        if (key.isEmpty()) {
            do
                key = u"file"_s + QString::number(++n);
            while (takenKeys.contains(CaseKey(key)));
            takenKeys.insert(CaseKey(key));
            keyOfPath.insert(CaseKey(row.path), key);
            newFiles.append({key, row.path});
        }
        QList<QPair<QString, QString>> entries;
        QHash<QString, qsizetype> entryAt;
        for (const auto& [name, value] : row.values) {
            if (HasLineBreak(value))
                throw KrdlError(unable + u". The value of "_s + name + u" for "_s + row.path
                                + u" holds a line break, which a property set file cannot hold."_s);
            const QString entryKey = EntryKey(name);
            const QString entryValue = name + u';' + value;
            // A second column of the same name replaces the first one's entry, in its place.
            if (const auto it = entryAt.constFind(CaseKey(entryKey)); it != entryAt.cend()) {
                entries[*it].second = entryValue;
            } else {
                entryAt.insert(CaseKey(entryKey), entries.size());
                entries.append({entryKey, entryValue});
            }
        }
        const QString folded = CaseKey(key);
        if (!sections.contains(folded))
            sectionOrder.append(key);
        sections.insert(folded, entries);
    }

    doc.EraseSections(sectionOrder);
    doc.SetValues(kFiles, newFiles);
    for (const QString& key : std::as_const(sectionOrder)) {
        const QList<QPair<QString, QString>>& entries = sections[CaseKey(key)];
        if (entries.isEmpty())
            continue; // a grid without columns: the Files entry alone
        doc.AppendSection(key, entries);
    }
    QString reason;
    if (!ReplaceFileContents(fullPath, EncodeSharedTextAs(doc.ToText(), encoding), &reason))
        throw KrdlError(unable + u". "_s + reason);
}

bool ReadPropertySet(const QString& fileName, QList<PropertySetRow>& rows, QString* reason)
{
    rows.clear();
    QByteArray bytes;
    return ReadFileContents(fileName, bytes, reason) && ParsePropertySet(bytes, rows, reason);
}

bool ParsePropertySet(const QByteArray& bytes, QList<PropertySetRow>& rows, QString* reason)
{
    rows.clear();
    QString text;
    if (!DecodeSharedText(bytes, text, reason))
        return false;
    const QHash<QString, QList<QPair<QString, QString>>> sections = IniDocument::FromText(text).AllEntries();
    for (const auto& [key, path] : sections.value(CaseKey(kFiles))) {
        if (CaseKey(key) == CaseKey(kFiles))
            continue; // its section would be the list itself (see SavePropertySet)
        PropertySetRow row;
        row.path = path;
        for (const auto& entry : sections.value(CaseKey(key)))
            row.values.append(SplitPropertySetValue(entry.second));
        rows.append(row);
    }
    return true;
}
