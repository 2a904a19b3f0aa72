#include "app/Startup.h"

namespace startup {

Message AlreadyRunningMessage()
{
    return {"Application already running", "Instance of this application is already running!",
            {"Close"}, MessageIcon::Information};
}

Message MissingIniMessage(const QString& iniPath)
{
    return {"Error", QString::fromUtf8("Ni mogoče najti datoteke ") + iniPath, {"OK"},
            MessageIcon::Error};
}

int RunProgram(Environment& env)
{
    const QString key = QString::fromLatin1(kRegistryKey);

    // Every start leaves its mark, a second instance too, before it finds the first one.
    env.regWriteString(key, "Handle", env.applicationHandle());

    if (env.instanceAlreadyRunning(QString::fromLatin1(kInstanceName))) {
        env.showMessage(AlreadyRunningMessage());
        return 0;
    }

    env.setApplicationTitle(QString::fromLatin1(kApplicationTitle));
    env.createMainWindow();

    // Without its INI file the program does not run; the window made above is never shown.
    const QString ini = env.programIniFileName();
    if (!env.fileExists(ini)) {
        env.showMessage(MissingIniMessage(ini));
        return 1;
    }

    env.regWriteString(key, "Location", env.executablePath());

    if (env.runUpgradeCheck() == UpgradeOutcome::EndProgram)
        return 0;

    env.runMessageLoop();
    return 0;
}

} // namespace startup
