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

std::string identityOf(const QString& path)
{
    return platform::FileIdentity(ToFsPath(path));
}

// Something stands under the name (a link counts, whatever it points to).
bool entryExists(const QString& path)
{
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(ToFsPath(path), ec));
}

// Whether the run renamed the item's file. A run cut short marked none of the files it was at
// when it died: the one it renamed is the file now at the new path.
bool wasRenamed(const JournalRun& run, std::size_t i)
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
        return identityOf(item.newPath) == item.identity.toStdString();
    return entryExists(item.newPath) && !entryExists(item.path);
}

// Puts the item's file back under its old name while the file at the new path is still the one
// renamed and the old name is free. A file that is not the one renamed any more, or whose old
// name is taken, is left as it is; a rename the system refuses for another reason (no access,
// the folder not there for the moment) is tried again by the next undo.
UndoStep renameBack(const JournalItem& item)
{
    const std::string recorded = item.identity.toStdString();
    const std::string atNew = identityOf(item.newPath);
    if (!recorded.empty() && atNew != recorded) {
        // Put back already (an undo that could not record it), or not ours any more.
        if (identityOf(item.path) == recorded)
            return {UndoStep::Undone, {}};
        return {UndoStep::LeftAlone, atNew.empty() ? item.newPath + u" is gone."_s : item.newPath + u" is another file now."_s};
    }
    if (recorded.empty() && !entryExists(item.newPath))
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

RenameUndo::RenameUndo(ProgressSinkFactory& progress, MessageSink& messages) : progress_(progress), messages_(messages)
{
}

void RenameUndo::Execute()
{
    Restored.clear();
    const UndoTexts texts{u"Undo last rename"_s, u"The last rename is still running; undo it once it has ended."_s,
                          u"There is no rename to undo."_s, u"Start undoing the rename of "_s, u"End undoing the rename!"_s,
                          u"rename"_s};
    // Last renamed first: a file may have taken the old name of one renamed before it.
    const auto pick = [](const JournalRun& run) {
        std::vector<std::size_t> todo;
        for (std::size_t i = run.items.size(); i-- > 0;)
            if (wasRenamed(run, i))
                todo.push_back(i);
        return todo;
    };
    const auto describe = [](const JournalItem& item) { return item.newPath + u" rename back to "_s + item.path + u'.'; };
    result_ = UndoLastRun(QString::fromLatin1(kRenameJournal), progress_, messages_, texts, pick, describe,
                          [this](const JournalRun& run, std::size_t i) {
                              const JournalItem& item = run.items[i];
                              const UndoStep step = renameBack(item);
                              if (step.outcome == UndoStep::Undone)
                                  Restored.emplace_back(item.newPath, item.path);
                              return step;
                          });
}

void RenameUndo::UpdateFileList(FileList& list) const
{
    QHash<QString, QString> oldPathOf;
    for (const auto& [newPath, oldPath] : Restored)
        oldPathOf.insert(newPath, oldPath);
    for (int i = 0; i < list.count() && !oldPathOf.isEmpty(); ++i) {
        if (const auto found = oldPathOf.constFind(list.at(i).fullPath()); found != oldPathOf.cend())
            list.at(i) = EntryByDirectoryRule(*found, list.at(i).checked);
    }
}
