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

[[noreturn]] void cannotWrite(const QString& file, const QString& reason)
{
    throw KrdlError(u"Cannot write the undo journal \""_s + file + u"\". "_s + reason);
}

// A new run file's name: by name is by age (JournalRunFiles), and no two writers, in this
// process or another, ever pick the same one.
QString newRunFile(const QString& kind, const QDateTime& now)
{
    static std::atomic<unsigned> counter{0};
    return JournalFolder() + u'/' + kind + u'-' + now.toString(u"yyyyMMdd-HHmmss-zzz"_s) + u'-'
        + QString::number(QCoreApplication::applicationPid()) + u'-'
        + QString::number(++counter).rightJustified(6, u'0') + u".journal"_s;
}

} // namespace

JournalWriter::JournalWriter(const QString& kind, const std::vector<JournalItem>& items)
    : kind_(kind), itemCount_(qsizetype(items.size()))
{
    const QString folder = JournalFolder();
    std::error_code ec;
    const auto folderPath = ToFsPath(folder);
    std::filesystem::create_directories(folderPath, ec);
    if (ec)
        cannotWrite(folder, ErrorText(ec));
    // The names of the user's files are nobody else's business.
    std::filesystem::permissions(folderPath, std::filesystem::perms::owner_all, ec);

    const QDateTime now = QDateTime::currentDateTimeUtc();
    fileName_ = newRunFile(kind, now);
    // Held before the file appears, so that no undo ever sees this run without its writer.
    lock_ = std::make_unique<platform::InstanceLock>(JournalRunLockName(fileName_));

    const QByteArray text = JournalRun::StartText(kind, now, QCoreApplication::applicationPid(), items);
    const auto path = ToFsPath(fileName_);
    if (!platform::ReplaceWholeFile(path, text.toStdString(), ec))
        cannotWrite(fileName_, ErrorText(ec));
    // The new name itself must be on the disk before the first file changes.
    platform::SyncToDisk(folderPath);

    out_.open(path, std::ios::binary | std::ios::app);
    if (!out_) {
        std::filesystem::remove(path, ec);
        cannotWrite(fileName_, u"It cannot be opened for writing."_s);
    }
}

JournalWriter::~JournalWriter() = default;

void JournalWriter::AppendItems(const std::vector<JournalItem>& items)
{
    QByteArray text;
    for (const JournalItem& item : items)
        text += JournalRun::ItemText(std::size_t(itemCount_++), item);
    out_.write(text.constData(), text.size());
    out_.flush();
    if (!out_ || !platform::SyncToDisk(ToFsPath(fileName_)))
        cannotWrite(fileName_, u"The items of the next batch could not be written."_s);
}

void JournalWriter::MarkDone(qsizetype index, const QString& note)
{
    anyDone_ = true;
    JournalRun::Append(out_, {u"done"_s, QString::number(index), note});
}

void JournalWriter::MarkFailed(qsizetype index, const QString& reason)
{
    JournalRun::Append(out_, {u"failed"_s, QString::number(index), reason});
}

void JournalWriter::End(bool completed)
{
    if (ended_)
        return;
    ended_ = true;
    JournalRun::Append(out_, {u"end"_s, completed ? u"completed"_s : u"cancelled"_s});
    out_.close();
    if (anyDone_)
        platform::SyncToDisk(ToFsPath(fileName_));
    else
        RemoveJournalRun(fileName_);
    // Pruning asks for every old run's lock: this one's goes first.
    lock_.reset();
    PruneJournal(kind_);
}
