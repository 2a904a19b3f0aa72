#include "batch/UndoLastRun.h"

#include "batch/ForEachFile.h"
#include "journal/Journal.h"
#include "journal/JournalUndo.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

QString LocalTime(const QDateTime& time)
{
    return time.toLocalTime().toString(u"yyyy-MM-dd HH:mm:ss"_s);
}

QString CannotWrite(const JournalUndo& undo)
{
    return u"Cannot write the undo journal \""_s + undo.RunFile() + u"\". "_s + undo.Problem();
}

} // namespace

RunResult UndoLastRun(const QString& kind, ProgressSinkFactory& progress, MessageSink& messages, const UndoTexts& texts,
                      const std::function<std::vector<std::size_t>(const JournalRun&)>& pick,
                      const std::function<QString(const JournalItem&)>& describe,
                      const std::function<UndoStep(const JournalRun&, std::size_t)>& undoItem)
{
    RunResult result;
    JournalUndo undo(kind);
    switch (undo.UndoStatus()) {
    case JournalUndo::Ready:
        break;
    case JournalUndo::NothingToUndo:
        messages.Information(texts.caption, texts.nothing);
        return result;
    case JournalUndo::Busy:
        messages.Information(texts.caption, texts.busy);
        return result;
    case JournalUndo::Unusable: {
        const QDateTime time = JournalRunTime(undo.RunFile());
        messages.Information(texts.caption, u"The undo journal of the "_s + texts.what
                                                + (time.isValid() ? u" of "_s + LocalTime(time) : QString())
                                                + u" cannot be used: "_s + undo.Problem()
                                                + u". Nothing was undone. To undo older ones, remove \""_s + undo.RunFile()
                                                + u"\"."_s);
        return result;
    }
    case JournalUndo::CannotRecord:
        messages.Information(texts.caption, CannotWrite(undo) + u" Nothing was undone."_s);
        return result;
    }
    const JournalRun& run = undo.Run();
    result.started = true;
    ProgressSink& log = StartLog(progress, texts.caption, texts.start + LocalTime(run.created) + u"..."_s);

    std::vector<std::size_t> todo = pick(run);
    std::erase_if(todo, [&run](std::size_t i) {
        const UndoMark mark = run.states[i].undo;
        return run.undoEnded ? mark != UndoMark::Failed : mark == UndoMark::Undone || mark == UndoMark::LeftAlone;
    });
    QStringList lines;
    for (const std::size_t i : todo)
        lines << describe(run.items[i]);

    bool recording = true;
    bool completed = false;
    try {
        completed = ForEachFile(log, lines, [&](qsizetype k, const QString& line) {
            if (!recording)
                return;
            const std::size_t i = todo[std::size_t(k)];
            log.AddLine(u" "_s);
            log.AddLine(FileNumber(k, lines.size()) + line);
            const UndoStep step = undoItem(run, i);
            switch (step.outcome) {
            case UndoStep::Undone:
                recording = undo.MarkUndone(qsizetype(i));
                log.AddLine(step.note.isEmpty() ? u"Success!"_s : u"Success! "_s + step.note);
                ++result.succeeded;
                break;
            case UndoStep::LeftAlone:
                recording = undo.MarkLeftAlone(qsizetype(i), step.note);
                log.AddLine(u"Failed! "_s + step.note);
                ++result.failed;
                break;
            case UndoStep::Failed:
                recording = undo.MarkFailed(qsizetype(i), step.note);
                log.AddLine(u"Failed! "_s + step.note + (step.note.endsWith(u'.') ? u" "_s : u". "_s)
                            + u"The next undo tries it again."_s);
                ++result.failed;
                break;
            }
            // What is not recorded would be done again by the next undo: stop here.
            if (!recording)
                log.AddLine(CannotWrite(undo) + u" The undo stops here."_s);
        });
        if (completed && recording && !undo.End()) {
            recording = false;
            log.AddLine(CannotWrite(undo));
        }
    } catch (...) {
        log.Finish();
        throw;
    }
    log.AddLine(u" "_s);
    log.AddLine(texts.end);
    log.Finish();
    result.cancelled = !completed || !recording;
    return result;
}
