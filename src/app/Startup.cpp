#include "app/Startup.h"

#include "KrdlVersion.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace startup {

Message AlreadyRunningMessage()
{
    return {u"Application already running"_s, u"Instance of this application is already running!"_s,
            {u"Close"_s}, MessageIcon::Information};
}

Message FilesNotHandedOverMessage(const QStringList& files)
{
    Message m = AlreadyRunningMessage();
    m.icon = MessageIcon::Error;
    m.text += u"\n\nIt does not answer, so these files were not added:"_s;
    constexpr qsizetype shown = 10;
    for (const QString& f : files.first(std::min(files.size(), shown)))
        m.text += u'\n' + f;
    if (files.size() > shown)
        m.text += u"\n... and %1 more"_s.arg(files.size() - shown);
    return m;
}

namespace {

enum class Outcome { HandedOver, NowTheInstance, NoAnswer };

// Hands Files to the running instance. While nobody listens the instance is still starting
// (it listens only once it is sure to run) or has just ended: the lock tells which, and once
// it is free this start takes it and becomes the instance.
Outcome handOver(Environment& env, const QStringList& files)
{
    const qint64 deadline = env.elapsedMs() + kHandOverMs;
    for (;;) {
        const qint64 left = deadline - env.elapsedMs();
        if (left <= 0)
            return Outcome::NoAnswer;
        switch (env.handFilesToRunningInstance(files, int(left))) {
        case HandOver::Delivered:
            return Outcome::HandedOver;
        case HandOver::NoAnswer:
            return Outcome::NoAnswer;
        case HandOver::NotListening:
            break;
        }
        if (!env.instanceAlreadyRunning(QString::fromLatin1(kInstanceName)))
            return Outcome::NowTheInstance;
        env.sleepMs(100);
    }
}

} // namespace

Message MissingIniMessage(const QString& iniPath)
{
    return {u"Error"_s, u"Ni mogoče najti datoteke "_s + iniPath, {u"OK"_s},
            MessageIcon::Error};
}

Message SpecialFileMessage(const QString& path, const QString& reason)
{
    return {u"Error"_s, u"Cannot open file \""_s + path + u"\": "_s + reason, {u"OK"_s}, MessageIcon::Error};
}

int RunProgram(Environment& env, const QStringList& files)
{
    const QString key = QString::fromLatin1(kRegistryKey);

    // Every start leaves its mark, a second instance too, before it finds the first one.
    env.regWriteString(key, u"Handle"_s, env.applicationHandle());

    if (env.instanceAlreadyRunning(QString::fromLatin1(kInstanceName))) {
        if (files.isEmpty()) {
            env.showMessage(AlreadyRunningMessage());
            return 0;
        }
        switch (handOver(env, files)) {
        case Outcome::HandedOver:
            return 0;
        case Outcome::NoAnswer:
            env.showMessage(FilesNotHandedOverMessage(files));
            return 1;
        case Outcome::NowTheInstance:
            break;
        }
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

    if (!files.isEmpty())
        env.openFiles(files);
    // Only now, when this instance is sure to run: files handed over before would be lost with
    // an instance that ends at one of the checks above.
    env.acceptFilesFromLaterStarts();
    env.runMessageLoop();
    return 0;
}

} // namespace startup
