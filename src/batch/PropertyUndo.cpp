#include "batch/PropertyUndo.h"

#include "batch/ForEachFile.h"
#include "journal/Journal.h"
#include "journal/JournalUndo.h"
#include "properties/PropertySaveJournal.h"

using namespace Qt::StringLiterals;

PropertyUndo::PropertyUndo(ProgressSinkFactory& progress, MessageSink& messages) : progress_(progress), messages_(messages)
{
}

void PropertyUndo::Execute()
{
    result_ = {};
    Restored.clear();
    const QString caption = u"Undo last property save"_s;
    JournalUndo undo(QString::fromLatin1(kPropertiesJournal));
    if (undo.status() != JournalUndo::Ready) {
        messages_.Information(caption, undo.status() == JournalUndo::Busy
                                           ? u"The last property save is still running; undo it once it has ended."_s
                                           : u"There is no property save to undo."_s);
        return;
    }
    const JournalRun& run = undo.Run();
    result_.started = true;
    ProgressSink& log = progress_.CreateProgress();
    log.SetCaption(caption);
    log.Show();
    log.AddLine(u"Start undoing the property save of "_s
                + run.created.toLocalTime().toString(u"yyyy-MM-dd HH:mm:ss"_s) + u"..."_s);

    std::vector<std::size_t> todo;
    QStringList names;
    for (std::size_t i = 0; i < run.items.size(); ++i) {
        if (PropertyRestoreNeeded(run, i)) {
            todo.push_back(i);
            names << run.items[i].path;
        }
    }

    const bool completed = RunFileLoop(log, names, u"End undoing the property save!"_s, [&](qsizetype k, const QString& path) {
        const std::size_t i = todo[std::size_t(k)];
        log.AddLine(u" "_s);
        log.AddLine(FileNumber(k, names.size()) + path + u" custom properties back as before the save."_s);
        const PropertyRestore restore = RestoreDocumentProperties(run.items[i]);
        switch (restore.outcome) {
        case PropertyRestore::Restored:
            Restored << path;
            log.AddLine(u"Success!"_s);
            break;
        case PropertyRestore::Unchanged:
            log.AddLine(u"Success! The save did not change it."_s);
            break;
        case PropertyRestore::Unrestored:
            undo.MarkUnrestored(qsizetype(i), restore.reason);
            log.AddLine(u"Failed! "_s + restore.reason);
            ++result_.failed;
            return;
        }
        undo.MarkUndone(qsizetype(i));
        ++result_.succeeded;
    });
    result_.cancelled = !completed;
    if (completed)
        undo.End();
}
