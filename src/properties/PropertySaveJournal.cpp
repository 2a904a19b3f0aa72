#include "properties/PropertySaveJournal.h"

#include "common/Error.h"
#include "common/FsPath.h"
#include "journal/Journal.h"
#include "journal/JournalWriter.h"
#include "platform/FileIdentity.h"
#include "properties/OleDocPropClassWrapper.h"
#include "properties/OleDocumentProperties.h"

#include <QCryptographicHash>

#include <algorithm>
#include <filesystem>
#include <tuple>

using namespace Qt::StringLiterals;

namespace {

QString identityOf(const QString& path)
{
    return QString::fromStdString(platform::FileIdentity(ToFsPath(path)));
}

void addSized(QCryptographicHash& hash, QByteArrayView bytes)
{
    const quint32 size = quint32(bytes.size());
    hash.addData(QByteArrayView(reinterpret_cast<const char*>(&size), sizeof size));
    hash.addData(bytes);
}

} // namespace

StoredProperties ReadStoredProperties(TOleCustomProperties& custom)
{
    StoredProperties stored;
    stored.codePage = custom.CodePage();
    stored.properties.reserve(std::size_t(custom.Count()));
    for (qint32 k = 0; k < custom.Count(); ++k) {
        const TOleCustomProperty p = custom.Item(k);
        stored.properties.push_back({p.Name(), PropertyTypeName(p.Type()), QString::fromLatin1(p.StoredValue().toHex())});
    }
    return stored;
}

bool SameProperties(const StoredProperties& a, const StoredProperties& b)
{
    const auto inOrder = [](StoredProperties stored) {
        std::sort(stored.properties.begin(), stored.properties.end(), [](const JournalProperty& x, const JournalProperty& y) {
            return std::tie(x.name, x.value) < std::tie(y.name, y.value);
        });
        return PropertyFingerprint(stored);
    };
    return a.properties.size() == b.properties.size() && inOrder(a) == inOrder(b);
}

QString PropertyFingerprint(const StoredProperties& stored)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(QByteArray::number(stored.codePage));
    for (const JournalProperty& p : stored.properties) {
        addSized(hash, p.name.toUtf8());
        // A value read back after a save carries no padding behind it, one just added does:
        // trailing zero bytes are no part of a value (its type fixes its length, or it says it).
        QByteArray value = QByteArray::fromHex(p.value.toLatin1());
        while (value.endsWith('\0'))
            value.chop(1);
        addSized(hash, value);
    }
    return QString::fromLatin1(hash.result().toHex());
}

PropertySaveJournal::PropertySaveJournal() = default;

PropertySaveJournal::PropertySaveJournal(const std::vector<DocumentChanges>& changes,
                                         const std::vector<std::vector<std::size_t>>& documents, bool deleteOthers)
{
    Record(changes, documents, deleteOthers);
}

void PropertySaveJournal::Record(const std::vector<DocumentChanges>& changes,
                                 const std::vector<std::vector<std::size_t>>& documents, bool deleteOthers)
{
    read_.assign(documents.size(), Read{});
    itemOf_.assign(documents.size(), -1);
    done_.assign(documents.size(), false);
    unchanged_.assign(documents.size(), false);
    readErrors_.assign(documents.size(), QString());
    std::vector<JournalItem> items;
    items.reserve(documents.size());
    TOleDocumentProperties doc;
    for (std::size_t d = 0; d < documents.size(); ++d) {
        const QString& path = changes[documents[d].front()].path;
        try {
            // Opened for writing, as the save will: a document the save could not write is
            // refused here already, with the save's own message.
            // An absolute path: an undo may run in another working folder (a set file's
            // relative names).
            std::error_code ec;
            const auto absolute = std::filesystem::absolute(ToFsPath(path), ec);
            JournalItem item{ec ? path : FromFsPath(absolute), {}, identityOf(path), {}, {}};
            doc.Open(path);
            Read read{path, doc.OpenedFile(), {}, {}};
            TOleCustomProperties& custom = doc.CustomProperties();
            StoredProperties before = ReadStoredProperties(custom);
            read.before = PropertyFingerprint(before);
            item.attributes.emplace_back(kCodePageAttribute, QString::number(before.codePage));
            bool changesIt = false;
            for (const std::size_t row : documents[d]) {
                TOleDocPropClassWrapper::ChangeProperties(custom, changes[row].properties, deleteOthers, changes[row].removals);
                const StoredProperties after = ReadStoredProperties(custom);
                changesIt = changesIt || !SameProperties(after, before);
                read.after << PropertyFingerprint(after);
                item.attributes.emplace_back(kAfterAttribute, read.after.back());
            }
            doc.Close(false);
            read_[d] = std::move(read);
            // A save that would write back what the document holds (a value set to what it is,
            // a name removed that it does not have) leaves it alone: nothing to record or undo.
            if (!changesIt) {
                unchanged_[d] = true;
                continue;
            }
            item.properties = std::move(before.properties);
            itemOf_[d] = qsizetype(items.size());
            items.push_back(std::move(item));
        } catch (const KrdlError& e) {
            doc.Close(false);
            readErrors_[d] = e.message();
        }
    }
    // A journal that could not be written once records no later batch either: the save goes on
    // without it, as it said.
    if (items.empty() || !writeError_.isEmpty())
        return;
    try {
        if (writer_) {
            const qsizetype first = writer_->ItemCount();
            for (qsizetype& item : itemOf_)
                if (item >= 0)
                    item += first;
            writer_->AppendItems(items);
        } else {
            writer_ = std::make_unique<JournalWriter>(QString::fromLatin1(kPropertiesJournal), items);
        }
    } catch (const KrdlError& e) {
        writeError_ = e.message();
        // This batch's documents are written unrecorded, and no mark names an item that did not
        // reach the disk. A run that holds earlier batches writes nothing more: it reads as one
        // cut short before this batch, whose unmarked documents an undo looks at on the disk.
        itemOf_.assign(documents.size(), -1);
    }
}

PropertySaveJournal::~PropertySaveJournal() = default;

const DocumentFile* PropertySaveJournal::File(std::size_t document) const
{
    return readErrors_[document].isEmpty() ? &read_[document].file : nullptr;
}

bool PropertySaveJournal::SaveReached(std::size_t document) const
{
    if (!readErrors_[document].isEmpty())
        return false;
    const Read& read = read_[document];
    TOleDocumentProperties doc;
    try {
        doc.OpenSameFile(read.path, read.file, true);
        const QString now = PropertyFingerprint(ReadStoredProperties(doc.CustomProperties()));
        return now != read.before && read.after.contains(now);
    } catch (const KrdlError&) {
        // Gone, another file, or not readable: nothing this save left there.
        return false;
    }
}

void PropertySaveJournal::Written(std::size_t document)
{
    const std::lock_guard lock(mutex_);
    done_[document] = true;
    if (writer_ && itemOf_[document] >= 0)
        writer_->MarkDone(itemOf_[document]);
}

void PropertySaveJournal::Failed(std::size_t document, const QString& reason)
{
    const std::lock_guard lock(mutex_);
    // A document with a row written before holds that row's values: it stays done.
    if (writer_ && itemOf_[document] >= 0 && !done_[document])
        writer_->MarkFailed(itemOf_[document], reason);
}

void PropertySaveJournal::End(bool completed)
{
    const std::lock_guard lock(mutex_);
    if (writer_)
        writer_->End(completed);
}
