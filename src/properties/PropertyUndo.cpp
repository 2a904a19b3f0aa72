#include "properties/PropertyUndo.h"

#include "batch/UndoLastRun.h"
#include "common/Error.h"
#include "common/FsPath.h"
#include "journal/Journal.h"
#include "properties/OleDocumentProperties.h"
#include "properties/PropertySaveJournal.h"

using namespace Qt::StringLiterals;

PropertyUndo::PropertyUndo(ProgressSinkFactory& progress, MessageSink& messages) : m_progress(progress), m_messages(messages)
{
}

void PropertyUndo::Execute()
{
    restored.clear();
    const UndoTexts texts{u"Undo last property save"_s,
                          u"The last property save is still running; undo it once it has ended."_s,
                          u"There is no property save to undo."_s, u"Start undoing the property save of "_s,
                          u"End undoing the property save!"_s, u"property save"_s};
    const auto pick = [](const JournalRun& run) {
        std::vector<std::size_t> todo;
        for (std::size_t i = 0; i < run.items.size(); ++i)
            if (PropertyRestoreNeeded(run, i))
                todo.push_back(i);
        return todo;
    };
    const auto describe = [](const JournalItem& item) { return item.path + u" custom properties back as before the save."_s; };
    m_result = UndoLastRun(QString::fromLatin1(kPropertiesJournal), m_progress, m_messages, texts, pick, describe,
                          [this](const JournalRun& run, std::size_t i) -> UndoStep {
                              const JournalItem& item = run.items[i];
                              const PropertyRestore restore = RestoreDocumentProperties(item);
                              switch (restore.outcome) {
                              case PropertyRestore::Restored:
                                  restored << item.path;
                                  return {UndoStep::Undone, {}};
                              case PropertyRestore::Unchanged:
                                  // A document the save wrote holds its old properties again when an
                                  // undo put it back but could not record that.
                                  return {UndoStep::Undone, run.states[i].mark == JournalMark::Done
                                                                ? u"It has its properties from before the save already."_s
                                                                : u"The save did not change it."_s};
                              case PropertyRestore::Unrestored:
                                  return {UndoStep::LeftAlone, restore.reason};
                              case PropertyRestore::Failed:
                                  return {UndoStep::Failed, restore.reason};
                              }
                              return {};
                          });
}

bool PropertyRestoreNeeded(const JournalRun& run, std::size_t i)
{
    switch (run.states[i].mark) {
    case JournalMark::Done:
        return true;
    case JournalMark::Failed:
        return false; // a document that failed keeps what it had
    case JournalMark::None:
        break;
    }
    // A run that ended did not try its unmarked documents; one cut short may have written the
    // one it was at.
    return !run.ended;
}

PropertyRestore RestoreDocumentProperties(const JournalItem& item)
{
    const auto unrestored = [](const QString& reason) { return PropertyRestore{PropertyRestore::Unrestored, reason}; };
    if (const QString reason = NotARegularFileReason(item.path); !reason.isEmpty())
        return unrestored(item.path + u" is gone."_s);
    if (!item.identity.isEmpty() && JournalFileIdentity(item.path) != item.identity)
        return unrestored(item.path + u" is another file now."_s);

    StoredProperties recorded;
    QStringList after;
    QStringList systemNames;
    for (const auto& [key, value] : item.attributes) {
        if (key == kCodePageAttribute) {
            recorded.codePage = quint16(value.toUInt());
        } else if (key == kAfterAttribute) {
            after << value;
        } else if (key.startsWith(kSystemAttributePrefix)) {
            recorded.system.emplace_back(key.mid(kSystemAttributePrefix.size()), value);
            systemNames << recorded.system.back().first;
        }
    }
    recorded.properties = item.properties;

    TOleDocumentProperties doc;
    try {
        doc.Open(item.path);
        // Checked again on the open file: the path may have been swapped since the check above.
        if (!item.identity.isEmpty() && QString::fromStdString(doc.OpenedFile().identity) != item.identity) {
            doc.Close(false);
            return unrestored(item.path + u" is another file now."_s);
        }
        TOleCustomProperties& custom = doc.CustomProperties();
        const QString now = PropertyFingerprint(ReadStoredProperties(doc, systemNames));
        if (now == PropertyFingerprint(recorded)) {
            doc.Close(false);
            return {PropertyRestore::Unchanged, {}};
        }
        if (!after.contains(now)) {
            doc.Close(false);
            return unrestored(item.path + u" was changed since the save."_s);
        }
        for (qint32 k = custom.Count() - 1; k >= 0; --k)
            custom.Item(k).Remove();
        for (const JournalProperty& p : item.properties)
            custom.AddStored(p.name, QByteArray::fromHex(p.value.toLatin1()));
        // The document's own properties exactly as they were stored, in the same save.
        for (const auto& [name, value] : recorded.system)
            doc.SetSystemStoredValue(name, QByteArray::fromHex(value.toLatin1()));
        doc.Save();
        doc.Close(false);
    } catch (const KrdlError& e) {
        // Nothing saved: the document keeps what the save left there, until the next undo.
        doc.Close(false);
        return {PropertyRestore::Failed, e.Message()};
    }
    return {PropertyRestore::Restored, {}};
}
