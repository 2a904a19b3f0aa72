#include "journal/JournalWriter.h"

#include "common/Error.h"
#include "common/FsPath.h"
#include "journal/Journal.h"
#include "platform/DiskSync.h"
#include "platform/InstanceLock.h"
#include "platform/WholeFile.h"

#include <QCoreApplication>
#include <QDateTime>

#include <atomic>
#include <filesystem>
#include <system_error>

using namespace Qt::StringLiterals;

namespace {

[[noreturn]] void CannotWrite(const QString& file, const QString& reason)
{
    throw KrdlError(u"Cannot write the undo journal \""_s + file + u"\". "_s + reason);
}

// A new run file's name: by name is by age (JournalRunFiles), and no two writers, in this
// process or another, ever pick the same one.
QString NewRunFile(const QString& kind, const QDateTime& now)
{
    static std::atomic<unsigned> counter{0};
    return JournalFolder() + u'/' + kind + u'-' + now.toString(u"yyyyMMdd-HHmmss-zzz"_s) + u'-'
        + QString::number(QCoreApplication::applicationPid()) + u'-'
        + QString::number(++counter).rightJustified(6, u'0') + u".journal"_s;
}

} // namespace

JournalWriter::JournalWriter(const QString& kind, const std::vector<JournalItem>& items)
    : m_kind(kind), m_itemCount(qsizetype(items.size()))
{
    const QString folder = JournalFolder();
    std::error_code ec;
    const auto folderPath = ToFsPath(folder);
    std::filesystem::create_directories(folderPath, ec);
    if (ec)
        CannotWrite(folder, ErrorText(ec));
    // The names of the user's files are nobody else's business.
    std::filesystem::permissions(folderPath, std::filesystem::perms::owner_all, ec);

    const QDateTime now = QDateTime::currentDateTimeUtc();
    m_fileName = NewRunFile(kind, now);
    // Held before the file appears, so that no undo ever sees this run without its writer.
    m_lock = std::make_unique<platform::InstanceLock>(JournalRunLockName(m_fileName));

    std::uint32_t chain = 0;
    const QByteArray text = JournalRun::StartText(kind, now, QCoreApplication::applicationPid(), items, chain);
    const auto path = ToFsPath(m_fileName);
    if (!platform::ReplaceWholeFile(path, text.toStdString(), ec))
        CannotWrite(m_fileName, ErrorText(ec));
    // The new name itself must be on the disk before the first file changes.
    platform::SyncToDisk(folderPath);

    QString problem;
    if (!m_out.Open(m_fileName, kJournalVersion, chain, std::uint64_t(text.size()), problem)) {
        std::filesystem::remove(path, ec);
        CannotWrite(m_fileName, problem);
    }
}

JournalWriter::~JournalWriter() = default;

void JournalWriter::Append(const QStringList& fields)
{
    // After a record that could not be written nothing more is: the run then reads as one cut
    // short by a crash, whose unmarked files an undo looks at on the disk, rather than as one
    // that says it did not try them.
    QString problem;
    if (!m_broken)
        m_broken = !m_out.Append(fields, problem);
}

void JournalWriter::AppendItems(const std::vector<JournalItem>& items)
{
    QString problem = u"An earlier record could not be written."_s;
    if (!m_broken && m_out.AppendBatch(std::size_t(m_itemCount), items, problem)) {
        m_itemCount += qsizetype(items.size());
        return;
    }
    // What was written of the batch, if its cut failed too, is a batch cut short: nothing may
    // follow it.
    m_broken = true;
    CannotWrite(m_fileName, problem);
}

void JournalWriter::MarkDone(qsizetype index, const QString& note)
{
    m_anyDone = true;
    Append({u"done"_s, QString::number(index), note});
}

void JournalWriter::MarkFailed(qsizetype index, const QString& reason)
{
    Append({u"failed"_s, QString::number(index), reason});
}

void JournalWriter::End(bool completed)
{
    if (m_ended)
        return;
    m_ended = true;
    if (m_anyDone) {
        Append({u"end"_s, completed ? u"completed"_s : u"cancelled"_s});
        m_out.Sync();
        m_out.Close();
    } else {
        m_out.Close();
        RemoveJournalRun(m_fileName);
    }
    // Pruning asks for every old run's lock: this one's goes first.
    m_lock.reset();
    PruneJournal(m_kind);
}
