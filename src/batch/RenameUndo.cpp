#include "batch/RenameUndo.h"

#include "batch/ForEachFile.h"
#include "common/FsPath.h"
#include "filelist/FileList.h"
#include "journal/Journal.h"
#include "journal/JournalUndo.h"
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

} // namespace

RenameUndo::RenameUndo(ProgressSinkFactory& progress, MessageSink& messages) : progress_(progress), messages_(messages)
{
}

void RenameUndo::Execute()
{
    result_ = {};
    Restored.clear();
    JournalUndo undo(QString::fromLatin1(kRenameJournal));
    if (undo.status() != JournalUndo::Ready) {
        messages_.Information(u"Undo last rename"_s, undo.status() == JournalUndo::Busy
                                                          ? u"The last rename is still running; undo it once it has ended."_s
                                                          : u"There is no rename to undo."_s);
        return;
    }
    const JournalRun& run = undo.Run();
    result_.started = true;
    ProgressSink& log = progress_.CreateProgress();
    log.SetCaption(u"Undo last rename"_s);
    log.Show();
    log.AddLine(u"Start undoing the rename of "_s + run.created.toLocalTime().toString(u"yyyy-MM-dd HH:mm:ss"_s)
                + u"..."_s);

    // Last renamed first: a file may have taken the old name of one renamed before it.
    std::vector<std::size_t> todo;
    QStringList names;
    for (std::size_t i = run.items.size(); i-- > 0;) {
        if (run.states[i].undo != UndoMark::Undone && wasRenamed(run, i)) {
            todo.push_back(i);
            names << run.items[i].newPath;
        }
    }

    const bool completed = RunFileLoop(log, names, u"End undoing the rename!"_s, [&](qsizetype k, const QString&) {
        const std::size_t i = todo[std::size_t(k)];
        const JournalItem& item = run.items[i];
        log.AddLine(u" "_s);
        log.AddLine(FileNumber(k, names.size()) + item.newPath + u" rename back to "_s + item.path + u'.');

        QString problem;
        const std::string recorded = item.identity.toStdString();
        const std::string atNew = identityOf(item.newPath);
        if (!recorded.empty() && atNew != recorded) {
            // Put back already (an undo cut short after this file), or not ours any more.
            if (identityOf(item.path) != recorded)
                problem = atNew.empty() ? item.newPath + u" is gone."_s : item.newPath + u" is another file now."_s;
        } else if (recorded.empty() && !entryExists(item.newPath)) {
            problem = item.newPath + u" is gone."_s;
        } else {
            std::error_code ec;
            if (!platform::RenameNoReplace(ToFsPath(item.newPath), ToFsPath(item.path), ec))
                problem = ec == std::errc::file_exists ? item.path + u" exists already."_s : ErrorText(ec) + u'.';
        }
        if (problem.isEmpty()) {
            undo.MarkUndone(qsizetype(i));
            Restored.emplace_back(item.newPath, item.path);
            log.AddLine(u"Success!"_s);
            ++result_.succeeded;
        } else {
            undo.MarkUnrestored(qsizetype(i), problem);
            log.AddLine(u"Failed! "_s + problem);
            ++result_.failed;
        }
    });
    result_.cancelled = !completed;
    if (completed)
        undo.End();
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
