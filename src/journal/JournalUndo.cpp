#include "journal/JournalUndo.h"

#include "journal/Journal.h"
#include "platform/InstanceLock.h"

#include <QDateTime>

using namespace Qt::StringLiterals;

JournalUndo::JournalUndo(const QString& kind)
{
    for (const QString& file : JournalRunFiles(kind)) {
        auto lock = std::make_unique<platform::InstanceLock>(JournalRunLockName(file));
        if (lock->heldElsewhere()) {
            // Never past a run still going on: its files are not where its items say yet.
            status_ = Busy;
            return;
        }
        std::optional<JournalRun> run = JournalRun::Load(file, &problem_);
        if (run && run->kind != kind) {
            run.reset();
            problem_ = u"it is damaged (it holds a run of another kind)"_s;
        }
        if (!run) {
            // Never past a run that cannot be read either: the user would take back an older
            // run believing it the last one.
            status_ = Unusable;
            runFile_ = file;
            return;
        }
        if (run->undoOver())
            continue;
        run_ = std::move(*run);
        runFile_ = file;
        lock_ = std::move(lock);
        // The undo must be able to record what it does before it does anything: otherwise the
        // next undo would do it all over again.
        if (!out_.Open(file, run_.version, run_.chain, run_.wholeBytes, problem_)
            || !append({u"undo"_s, QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs)})) {
            status_ = CannotRecord;
            return;
        }
        status_ = Ready;
        return;
    }
}

JournalUndo::~JournalUndo() = default;

bool JournalUndo::append(const QStringList& fields)
{
    return out_.Append(fields, problem_);
}

bool JournalUndo::MarkUndone(qsizetype index)
{
    return append({u"undone"_s, QString::number(index)});
}

bool JournalUndo::MarkLeftAlone(qsizetype index, const QString& reason)
{
    return append({u"unrestored"_s, QString::number(index), reason});
}

bool JournalUndo::MarkFailed(qsizetype index, const QString& reason)
{
    return append({u"undo-failed"_s, QString::number(index), reason});
}

bool JournalUndo::End()
{
    if (status_ != Ready)
        return false;
    bool written = append({u"undo-end"_s});
    if (written && !out_.Sync()) {
        problem_ = u"It cannot be flushed to the disk."_s;
        written = false;
    }
    out_.Close();
    return written;
}
