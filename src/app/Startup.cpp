#include "app/Startup.h"

using namespace Qt::StringLiterals;

namespace startup {

Message AlreadyRunningMessage()
{
    return {u"Application already running"_s, u"Instance of this application is already running!"_s,
            {u"Close"_s}, MessageIcon::Information};
}

Message MissingIniMessage(const QString& iniPath)
{
    return {u"Error"_s, u"Ni mogoče najti datoteke "_s + iniPath, {u"OK"_s},
            MessageIcon::Error};
}

Message SpecialFileMessage(const QString& path, const QString& reason)
{
    return {u"Error"_s, u"Cannot open file \""_s + path + u"\": "_s + reason, {u"OK"_s}, MessageIcon::Error};
}

int RunProgram(Environment& env)
{
    const QString key = QString::fromLatin1(kRegistryKey);

    // Every start leaves its mark, a second instance too, before it finds the first one.
    env.regWriteString(key, u"Handle"_s, env.applicationHandle());

    if (env.instanceAlreadyRunning(QString::fromLatin1(kInstanceName))) {
        env.showMessage(AlreadyRunningMessage());
        return 0;
    }

    env.setApplicationTitle(QString::fromLatin1(kApplicationTitle));
    env.createMainWindow();

    // Without its INI file the program does not run; the window made above is never shown.
    const QString ini = env.programIniFileName();
    if (const QString reason = env.specialFileReason(ini); !reason.isEmpty()) {
        env.showMessage(SpecialFileMessage(ini, reason));
        return 1;
    }
    if (!env.fileExists(ini)) {
        env.showMessage(MissingIniMessage(ini));
        return 1;
    }
    // Reads of these never wait on what stands there, but they would find nothing and their
    // writes would fail: the user is told once, before the window appears.
    for (const QString& file : env.userSettingsFiles()) {
        if (const QString reason = env.specialFileReason(file); !reason.isEmpty())
            env.showMessage(SpecialFileMessage(file, reason));
    }

    env.regWriteString(key, u"Location"_s, env.executablePath());

    if (env.runUpgradeCheck() == UpgradeOutcome::EndProgram)
        return 0;

    env.runMessageLoop();
    return 0;
}

} // namespace startup
