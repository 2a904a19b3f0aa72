#include "batch/UndoLastRun.h"

#include "batch/ForEachFile.h"
#include "journal/JournalUndo.h"

using namespace Qt::StringLiterals;

RunResult UndoLastRun(const QString& kind, ProgressSinkFactory& progress, MessageSink& messages, const UndoTexts& texts,
                      const std::function<std::vector<std::size_t>(const JournalRun&)>& pick,
                      const std::function<QString(const JournalItem&)>& describe,
                      const std::function<UndoStep(const JournalItem&)>& undoItem)
{
    RunResult result;
    JournalUndo undo(kind);
    if (undo.status() != JournalUndo::Ready) {
        messages.Information(texts.caption, undo.status() == JournalUndo::Busy ? texts.busy : texts.nothing);
        return result;
    }
    const JournalRun& run = undo.Run();
    result.started = true;
    ProgressSink& log = StartLog(progress, texts.caption,
                                 texts.start + run.created.toLocalTime().toString(u"yyyy-MM-dd HH:mm:ss"_s) + u"..."_s);

    const std::vector<std::size_t> todo = pick(run);
    QStringList lines;
    for (const std::size_t i : todo)
        lines << describe(run.items[i]);

    const bool completed = RunFileLoop(log, lines, texts.end, [&](qsizetype k, const QString& line) {
        const std::size_t i = todo[std::size_t(k)];
        log.AddLine(u" "_s);
        log.AddLine(FileNumber(k, lines.size()) + line);
        const UndoStep step = undoItem(run.items[i]);
        if (step.undone) {
            undo.MarkUndone(qsizetype(i));
            log.AddLine(step.note.isEmpty() ? u"Success!"_s : u"Success! "_s + step.note);
            ++result.succeeded;
        } else {
            undo.MarkUnrestored(qsizetype(i), step.note);
            log.AddLine(u"Failed! "_s + step.note);
            ++result.failed;
        }
    });
    result.cancelled = !completed;
    if (completed)
        undo.End();
    return result;
}
