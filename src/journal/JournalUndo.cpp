#include "journal/JournalUndo.h"

#include "common/FsPath.h"
#include "journal/Journal.h"
#include "platform/DiskSync.h"
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
        std::optional<JournalRun> run = JournalRun::Load(file);
        if (!run || run->kind != kind || run->undoEnded)
            continue;
        run_ = std::move(*run);
        lock_ = std::move(lock);
        out_.open(ToFsPath(file), std::ios::binary | std::ios::app);
        status_ = Ready;
        JournalRun::Append(out_, {u"undo"_s, QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs)});
        return;
    }
}

JournalUndo::~JournalUndo() = default;

void JournalUndo::MarkUndone(qsizetype index)
{
    JournalRun::Append(out_, {u"undone"_s, QString::number(index)});
}

void JournalUndo::MarkUnrestored(qsizetype index, const QString& reason)
{
    JournalRun::Append(out_, {u"unrestored"_s, QString::number(index), reason});
}

void JournalUndo::End()
{
    if (status_ != Ready || !out_.is_open())
        return;
    JournalRun::Append(out_, {u"undo-end"_s});
    out_.close();
    platform::SyncToDisk(ToFsPath(run_.fileName));
}
