#include "batch/RenameUndo.h"

#include "batch/UndoLastRun.h"
#include "common/FsPath.h"
#include "filelist/FileList.h"
#include "journal/Journal.h"
#include "platform/FileIdentity.h"
#include "platform/FileOps.h"

#include <QHash>

#include <filesystem>

using namespace Qt::StringLiterals;

namespace {

std::string IdentityOf(const QString& path)
{
    return platform::FileIdentity(ToFsPath(path));
}

// Something stands under the name (a link counts, whatever it points to).
bool EntryExists(const QString& path)
{
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(ToFsPath(path), ec));
}

// Whether the run renamed the item's file. A run cut short marked none of the files it was at
// when it died: the one it renamed is the file now at the new path.
bool WasRenamed(const JournalRun& run, std::size_t i)
{
    const JournalItem& item = run.items[i];
    switch (run.states[i].mark) {
    case JournalMark::Done:
        return true;
    case JournalMark::Failed:
        return false;
    case JournalMark::None:
        break;
    }
    if (run.ended)
        return false; // the run ended (a cancel) before this file
    if (!item.identity.isEmpty())
        return IdentityOf(item.newPath) == item.identity.toStdString();
    return EntryExists(item.newPath) && !EntryExists(item.path);
}

// Puts the item's file back under its old name while the file at the new path is still the one
// renamed and the old name is free. A file that is not the one renamed any more, or whose old
// name is taken, is left as it is; a rename the system refuses for another reason (no access,
// the folder not there for the moment) is tried again by the next undo.
UndoStep RenameBack(const JournalItem& item)
{
    const std::string recorded = item.identity.toStdString();
    const std::string atNew = IdentityOf(item.newPath);
    if (!recorded.empty() && atNew != recorded) {
        // Put back already (an undo that could not record it), or not ours any more.
        if (IdentityOf(item.path) == recorded)
            return {UndoStep::Undone, {}};
        return {UndoStep::LeftAlone, atNew.empty() ? item.newPath + u" is gone."_s : item.newPath + u" is another file now."_s};
    }
    if (recorded.empty() && !EntryExists(item.newPath))
        return {UndoStep::LeftAlone, item.newPath + u" is gone."_s};
    std::error_code ec;
    if (!platform::RenameNoReplace(ToFsPath(item.newPath), ToFsPath(item.path), ec)) {
        if (ec == std::errc::file_exists)
            return {UndoStep::LeftAlone, item.path + u" exists already."_s};
        return {UndoStep::Failed, ErrorText(ec) + u'.'};
    }
    return {UndoStep::Undone, {}};
}

} // namespace

RenameUndo::RenameUndo(ProgressSinkFactory& progress, MessageSink& messages) : m_progress(progress), m_messages(messages)
{
}

void RenameUndo::Execute()
{
    restored.clear();
    const UndoTexts texts{u"Undo last rename"_s, u"The last rename is still running; undo it once it has ended."_s,
                          u"There is no rename to undo."_s, u"Start undoing the rename of "_s, u"End undoing the rename!"_s,
                          u"rename"_s};
    // Last renamed first: a file may have taken the old name of one renamed before it.
    const auto pick = [](const JournalRun& run) {
        std::vector<std::size_t> todo;
        for (std::size_t i = run.items.size(); i-- > 0;)
            if (WasRenamed(run, i))
                todo.push_back(i);
        return todo;
    };
    const auto describe = [](const JournalItem& item) { return item.newPath + u" rename back to "_s + item.path + u'.'; };
    m_result = UndoLastRun(QString::fromLatin1(kRenameJournal), m_progress, m_messages, texts, pick, describe,
                          [this](const JournalRun& run, std::size_t i) {
                              const JournalItem& item = run.items[i];
                              const UndoStep step = RenameBack(item);
                              if (step.outcome == UndoStep::Undone)
                                  restored.emplace_back(item.newPath, item.path);
                              return step;
                          });
}

void RenameUndo::UpdateFileList(FileList& list) const
{
    QHash<QString, QString> oldPathOf;
    for (const auto& [newPath, oldPath] : restored)
        oldPathOf.insert(newPath, oldPath);
    for (int i = 0; i < list.Count() && !oldPathOf.isEmpty(); ++i) {
        if (const auto found = oldPathOf.constFind(list.At(i).FullPath()); found != oldPathOf.cend())
            list.At(i) = EntryByDirectoryRule(*found, list.At(i).checked);
    }
}
