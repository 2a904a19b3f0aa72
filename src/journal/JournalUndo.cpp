#include "journal/JournalUndo.h"

#include "journal/Journal.h"
#include "platform/InstanceLock.h"

#include <QDateTime>

using namespace Qt::StringLiterals;

JournalUndo::JournalUndo(const QString& kind)
{
    for (const QString& file : JournalRunFiles(kind)) {
        auto lock = std::make_unique<platform::InstanceLock>(JournalRunLockName(file));
        if (lock->HeldElsewhere()) {
            // Never past a run still going on: its files are not where its items say yet.
            m_status = Busy;
            return;
        }
        std::optional<JournalRun> run = JournalRun::Load(file, &m_problem);
        if (run && run->kind != kind) {
            run.reset();
            m_problem = u"it is damaged (it holds a run of another kind)"_s;
        }
        if (!run) {
            // Never past a run that cannot be read either: the user would take back an older
            // run believing it the last one.
            m_status = Unusable;
            m_runFile = file;
            return;
        }
        if (run->UndoOver())
            continue;
        m_run = std::move(*run);
        m_runFile = file;
        m_lock = std::move(lock);
        // The undo must be able to record what it does before it does anything: otherwise the
        // next undo would do it all over again.
        if (!m_out.Open(file, m_run.version, m_run.chain, m_run.wholeBytes, m_problem)
            || !Append({u"undo"_s, QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs)})) {
            m_status = CannotRecord;
            return;
        }
        m_status = Ready;
        return;
    }
}

JournalUndo::~JournalUndo() = default;

bool JournalUndo::Append(const QStringList& fields)
{
    return m_out.Append(fields, m_problem);
}

bool JournalUndo::MarkUndone(qsizetype index)
{
    return Append({u"undone"_s, QString::number(index)});
}

bool JournalUndo::MarkLeftAlone(qsizetype index, const QString& reason)
{
    return Append({u"unrestored"_s, QString::number(index), reason});
}

bool JournalUndo::MarkFailed(qsizetype index, const QString& reason)
{
    return Append({u"undo-failed"_s, QString::number(index), reason});
}

bool JournalUndo::End()
{
    if (m_status != Ready)
        return false;
    bool written = Append({u"undo-end"_s});
    if (written && !m_out.Sync()) {
        m_problem = u"It cannot be flushed to the disk."_s;
        written = false;
    }
    m_out.Close();
    return written;
}
