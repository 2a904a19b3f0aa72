#include "properties/PropertySaveJournal.h"

#include "common/Error.h"
#include "common/FsPath.h"
#include "common/WorkerPool.h"
#include "journal/Journal.h"
#include "journal/JournalWriter.h"
#include "platform/FileIdentity.h"
#include "properties/OleDocPropClassWrapper.h"
#include "properties/OleDocumentProperties.h"

#include <QCryptographicHash>

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <optional>
#include <tuple>

using namespace Qt::StringLiterals;

namespace {

void AddSized(QCryptographicHash& hash, QByteArrayView bytes)
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

StoredProperties ReadStoredProperties(TOleDocumentProperties& document, const QStringList& systemNames)
{
    StoredProperties stored = ReadStoredProperties(document.CustomProperties());
    for (const QString& name : systemNames)
        stored.system.emplace_back(name, QString::fromLatin1(document.SystemStoredValue(name).toHex()));
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
    return a.properties.size() == b.properties.size() && a.system == b.system && inOrder(a) == inOrder(b);
}

QString PropertyFingerprint(const StoredProperties& stored)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(QByteArray::number(stored.codePage));
    for (const JournalProperty& p : stored.properties) {
        AddSized(hash, p.name.toUtf8());
        // A value read back after a save carries no padding behind it, one just added does:
        // trailing zero bytes are no part of a value (its type fixes its length, or it says it).
        QByteArray value = QByteArray::fromHex(p.value.toLatin1());
        while (value.endsWith('\0'))
            value.chop(1);
        AddSized(hash, value);
    }
    // Only a save that sets the document's own properties adds them: every other fingerprint
    // stays what older versions computed, so that their runs can still be undone.
    for (const auto& [name, value] : stored.system) {
        hash.addData("\0system");
        AddSized(hash, name.toUtf8());
        QByteArray bytes = QByteArray::fromHex(value.toLatin1());
        while (bytes.endsWith('\0'))
            bytes.chop(1);
        AddSized(hash, bytes);
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
    m_read.assign(documents.size(), Read{});
    m_itemOf.assign(documents.size(), -1);
    m_done.assign(documents.size(), false);
    m_unchanged.assign(documents.size(), false);
    m_readErrors.assign(documents.size(), QString());
    // Each document is read on its own (a network share answers every read after a round
    // trip: the pool keeps many in flight); the items go to the journal in the documents' order.
    std::vector<std::optional<JournalItem>> read(documents.size());
    std::vector<char> unchanged(documents.size(), 0); // `m_unchanged` packs bits: not one per thread
    WorkerPoolOptions pool;
    pool.maxThreads = 128;
    std::exception_ptr failure; // not a document's own error (no memory): thrown once all have ended
    std::mutex failureMutex;
    RunWorkers(
        qsizetype(documents.size()), pool,
        [&](qsizetype index) {
            const std::size_t d = std::size_t(index);
            const QString& path = changes[documents[d].front()].path;
            TOleDocumentProperties doc;
            try {
                // Opened for writing, as the save will: a document the save could not write is
                // refused here already, with the save's own message.
                // An absolute path: an undo may run in another working folder (a set file's
                // relative names).
                std::error_code ec;
                const auto absolute = std::filesystem::absolute(ToFsPath(path), ec);
                JournalItem item{ec ? path : FromFsPath(absolute), {}, JournalFileIdentity(path), {}, {}};
                doc.Open(path);
                Read opened{path, doc.OpenedFile(), {}, {}, {}};
                for (const std::size_t row : documents[d])
                    for (const auto& [name, text] : changes[row].system)
                        if (!opened.systemNames.contains(name, Qt::CaseInsensitive))
                            opened.systemNames << name;
                TOleCustomProperties& custom = doc.CustomProperties();
                StoredProperties before = ReadStoredProperties(doc, opened.systemNames);
                opened.before = PropertyFingerprint(before);
                item.attributes.emplace_back(kCodePageAttribute, QString::number(before.codePage));
                for (const auto& [name, value] : before.system)
                    item.attributes.emplace_back(kSystemAttributePrefix + name, value);
                bool changesIt = false;
                for (const std::size_t row : documents[d]) {
                    TOleDocPropClassWrapper::ChangeProperties(custom, changes[row].properties, deleteOthers,
                                                              changes[row].removals);
                    TOleDocPropClassWrapper::ChangeSystemProperties(doc, changes[row].system);
                    const StoredProperties after = ReadStoredProperties(doc, opened.systemNames);
                    changesIt = changesIt || !SameProperties(after, before);
                    opened.after << PropertyFingerprint(after);
                    item.attributes.emplace_back(kAfterAttribute, opened.after.back());
                }
                doc.Close(false);
                m_read[d] = std::move(opened);
                // A save that would write back what the document holds (a value set to what it
                // is, a name removed that it does not have) leaves it alone: nothing to record
                // or undo.
                if (!changesIt) {
                    unchanged[d] = 1;
                    return;
                }
                item.properties = std::move(before.properties);
                read[d] = std::move(item);
            } catch (const KrdlError& e) {
                doc.Close(false);
                m_readErrors[d] = e.Message();
            }
        },
        [&](qsizetype, const std::exception_ptr& error) {
            const std::lock_guard lock(failureMutex);
            if (!failure)
                failure = error;
        });
    if (failure)
        std::rethrow_exception(failure);
    std::vector<JournalItem> items;
    items.reserve(documents.size());
    for (std::size_t d = 0; d < documents.size(); ++d) {
        m_unchanged[d] = unchanged[d] != 0;
        if (read[d]) {
            m_itemOf[d] = qsizetype(items.size());
            items.push_back(std::move(*read[d]));
        }
    }
    // A journal that could not be written once records no later batch either: the save goes on
    // without it, as it said.
    if (items.empty() || !m_writeError.isEmpty())
        return;
    try {
        if (m_writer) {
            const qsizetype first = m_writer->ItemCount();
            for (qsizetype& item : m_itemOf)
                if (item >= 0)
                    item += first;
            m_writer->AppendItems(items);
        } else {
            m_writer = std::make_unique<JournalWriter>(QString::fromLatin1(kPropertiesJournal), items);
        }
    } catch (const KrdlError& e) {
        m_writeError = e.Message();
        // This batch's documents are written unrecorded, and no mark names an item that did not
        // reach the disk. A run that holds earlier batches writes nothing more: it reads as one
        // cut short before this batch, whose unmarked documents an undo looks at on the disk.
        m_itemOf.assign(documents.size(), -1);
    }
}

PropertySaveJournal::~PropertySaveJournal() = default;

const DocumentFile* PropertySaveJournal::File(std::size_t document) const
{
    return m_readErrors[document].isEmpty() ? &m_read[document].file : nullptr;
}

bool PropertySaveJournal::SaveReached(std::size_t document) const
{
    if (!m_readErrors[document].isEmpty())
        return false;
    const Read& read = m_read[document];
    TOleDocumentProperties doc;
    try {
        doc.OpenSameFile(read.path, read.file, true);
        const QString now = PropertyFingerprint(ReadStoredProperties(doc, read.systemNames));
        return now != read.before && read.after.contains(now);
    } catch (const KrdlError&) {
        // Gone, another file, or not readable: nothing this save left there.
        return false;
    }
}

void PropertySaveJournal::Written(std::size_t document)
{
    const std::lock_guard lock(m_mutex);
    m_done[document] = true;
    if (m_writer && m_itemOf[document] >= 0)
        m_writer->MarkDone(m_itemOf[document]);
}

void PropertySaveJournal::Failed(std::size_t document, const QString& reason)
{
    const std::lock_guard lock(m_mutex);
    // A document with a row written before holds that row's values: it stays done.
    if (m_writer && m_itemOf[document] >= 0 && !m_done[document])
        m_writer->MarkFailed(m_itemOf[document], reason);
}

void PropertySaveJournal::End(bool completed)
{
    const std::lock_guard lock(m_mutex);
    if (m_writer)
        m_writer->End(completed);
}

QString JournalFileIdentity(const QString& path)
{
    return QString::fromStdString(platform::FileIdentity(ToFsPath(path)));
}
