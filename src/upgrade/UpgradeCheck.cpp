#include "upgrade/UpgradeCheck.h"

#include "KrdlVersion.h"
#include "common/PathText.h"
#include "platform/LibraryTrust.h"
#include "settings/Settings.h"
#include "upgrade/UpgradeEntryPoints.h"

#include <QDir>
#include <QFileInfo>
#include <QLibrary>

#include <filesystem>

using namespace Qt::StringLiterals;

namespace upgrade {

namespace {

bool IsFile(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() && !info.isDir();
}

// The library named by [SETTINGS] UpgradeProg; when no file is there, the first library file of
// its folder by name; empty when there is none.
QString LibraryPath(const QString& programFileName)
{
    const QString configured = IniReadString(ProgramIniFileName(programFileName), u"SETTINGS"_s, u"UpgradeProg"_s);
    // Nothing configured means no check: the folder of an empty path would be the working folder,
    // where anybody's library may lie.
    if (configured.trimmed().isEmpty())
        return {};
    // A relative value is anchored to the working folder here, so that the loader cannot go
    // looking for the name along the system's library path.
    const QString path = QFileInfo(ResolveProgramPath(programFileName, configured)).absoluteFilePath();
    if (IsFile(path))
        return path;

    const QString folder = path.left(LastDelimiter(path) + 1);
    const QStringList found =
        QDir(folder).entryList({u"*"_s + QLatin1String(platform::SharedLibrarySuffix())},
                               QDir::Files | QDir::Hidden, QDir::Name | QDir::IgnoreCase);
    return found.isEmpty() ? QString() : folder + found.first();
}

int CheckDays()
{
    bool ok = false;
    const int days = RegReadString(QString::fromLatin1(kDaysKeyPath), u"CheckNewVer"_s).trimmed().toInt(&ok);
    return ok ? days : kDefaultDays;
}

// Empty text and the markers mean that no upgrade is due; so does this very version.
bool MeansNewerVersion(const QString& version)
{
    return !version.isEmpty() && version != u"//ERROR//" && version != u"//CHECKDAY//"
        && version != QLatin1String(kVersionText);
}

QString ArgumentText(const QString& executable)
{
    const QChar dq = u'"';
    return dq + QLatin1String(kMakerName) + dq + QLatin1String(kVersionText) + dq + u' ' + dq + executable + dq;
}

template <typename Function>
Function EntryPoint(QLibrary& library, const char* name)
{
    return reinterpret_cast<Function>(library.resolve(name));
}

} // namespace

UpgradeResult UpgradeCheck(const QString& programFileName, bool force)
{
    UpgradeResult result;
    // A path `LibraryPath` gives is a file's: it has looked.
    const QString path = LibraryPath(programFileName);
    if (path.isEmpty())
        return result;
    // Whatever the library does, it does with the user's rights at every start.
    if (platform::CheckLibraryTrust(std::filesystem::path(path.toStdU16String())) != platform::LibraryTrust::Trusted)
        return result;

    QLibrary library(path);
    if (!library.load())
        return result;

    const QByteArray libraryText = QDir::toNativeSeparators(path).toUtf8();
    const QString executable = QDir::toNativeSeparators(programFileName);
    const QByteArray executableText = executable.toUtf8();

    if (auto init = EntryPoint<UpgradeInitFunction>(library, "Init"))
        init(libraryText.constData());

    bool internetUpgrade = false;
    if (auto internet = EntryPoint<UpgradeInternetUpgradeFunction>(library, "InternetUpgrade"))
        internetUpgrade = internet();

    if (auto lastVersion = EntryPoint<UpgradeGetLastVersionFunction>(library, "GetLastVersion")) {
        if (!internetUpgrade || force) {
            result.lastVersion = QString::fromUtf8(lastVersion(executableText.constData(), 1, true));
        } else if (const int days = CheckDays(); days > 0) {
            result.lastVersion = QString::fromUtf8(lastVersion(executableText.constData(), days, false));
        }
    }

    if (MeansNewerVersion(result.lastVersion)) {
        if (auto execute = EntryPoint<UpgradeExecuteUpgradeFunction>(library, "ExecuteUpgrade")) {
            execute(0, ArgumentText(executable).toUtf8().constData());
            result.upgradeStarted = true;
        }
    }

    library.unload();
    return result;
}

} // namespace upgrade
