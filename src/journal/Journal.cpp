#include "journal/Journal.h"

#include "common/FsPath.h"
#include "platform/InstanceLock.h"
#include "platform/Paths.h"

#include <QFileInfo>

#include <algorithm>
#include <filesystem>
#include <system_error>

using namespace Qt::StringLiterals;

QString JournalFolder()
{
    return FromFsPath(platform::UserDataDir() / "krdl" / "journal");
}

QStringList JournalRunFiles(const QString& kind)
{
    // Run files are named <kind>-<UTC time stamp>-<process>-<number>.journal: by name is by age.
    const QString prefix = kind + u'-';
    QStringList names;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(ToFsPath(JournalFolder()), ec), end; !ec && it != end; it.increment(ec)) {
        const QString name = FromFsPath(it->path().filename());
        if (name.startsWith(prefix) && name.size() > prefix.size() && name.at(prefix.size()).isDigit()
            && name.endsWith(u".journal") && it->is_regular_file(ec))
            names << name;
    }
    std::sort(names.begin(), names.end(), std::greater<>());
    QStringList files;
    for (const QString& name : names)
        files << JournalFolder() + u'/' + name;
    return files;
}

QDateTime JournalRunTime(const QString& runFile)
{
    // <kind>-yyyyMMdd-HHmmss-zzz-<process>-<number>.journal (JournalWriter)
    const QStringList parts = QFileInfo(runFile).completeBaseName().split(u'-');
    if (parts.size() < 4)
        return {};
    QDateTime time = QDateTime::fromString(parts.at(1) + parts.at(2) + parts.at(3), u"yyyyMMddHHmmsszzz"_s);
    time.setTimeSpec(Qt::UTC);
    return time;
}

std::string JournalRunLockName(const QString& runFile)
{
    return "krdl-journal-" + ToNativeBytes(QFileInfo(runFile).completeBaseName());
}

void RemoveJournalRun(const QString& runFile)
{
    std::error_code ec;
    std::filesystem::remove(ToFsPath(runFile), ec);
    if (const auto lockFile = platform::InstanceLock::LockFilePath(JournalRunLockName(runFile)); !lockFile.empty())
        std::filesystem::remove(lockFile, ec);
}

void PruneJournal(const QString& kind, int keep)
{
    const QStringList files = JournalRunFiles(kind);
    for (qsizetype i = keep; i < files.size(); ++i) {
        const platform::InstanceLock lock(JournalRunLockName(files.at(i)));
        if (!lock.HeldElsewhere())
            RemoveJournalRun(files.at(i));
    }
}
