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

// Hands `files` to the running instance. While nobody listens the instance is still starting
// (it listens only once it is sure to run) or has just ended: the lock tells which, and once
// it is free this start takes it and becomes the instance.
Outcome HandOverFiles(Environment& env, const QStringList& files)
{
    const qint64 deadline = env.ElapsedMs() + kHandOverMs;
    for (;;) {
        const qint64 left = deadline - env.ElapsedMs();
        if (left <= 0)
            return Outcome::NoAnswer;
        switch (env.HandFilesToRunningInstance(files, int(left))) {
        case HandOver::Delivered:
            return Outcome::HandedOver;
        case HandOver::NoAnswer:
            return Outcome::NoAnswer;
        case HandOver::NotListening:
            break;
        }
        if (!env.InstanceAlreadyRunning(QString::fromLatin1(kInstanceName)))
            return Outcome::NowTheInstance;
        env.SleepMs(100);
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
    env.RegWriteString(key, u"Handle"_s, env.ApplicationHandle());

    if (env.InstanceAlreadyRunning(QString::fromLatin1(kInstanceName))) {
        if (files.isEmpty()) {
            env.ShowMessage(AlreadyRunningMessage());
            return 0;
        }
        switch (HandOverFiles(env, files)) {
        case Outcome::HandedOver:
            return 0;
        case Outcome::NoAnswer:
            env.ShowMessage(FilesNotHandedOverMessage(files));
            return 1;
        case Outcome::NowTheInstance:
            break;
        }
    }

    env.SetApplicationTitle(QString::fromLatin1(kApplicationTitle));
    env.CreateMainWindow();

    // Without its INI file the program does not run; the window made above is never shown.
    const QString ini = env.ProgramIniFileName();
    if (const QString reason = env.SpecialFileReason(ini); !reason.isEmpty()) {
        env.ShowMessage(SpecialFileMessage(ini, reason));
        return 1;
    }
    if (!env.FileExists(ini)) {
        env.ShowMessage(MissingIniMessage(ini));
        return 1;
    }
    // Reads of these never wait on what stands there, but they would find nothing and their
    // writes would fail: the user is told once, before the window appears.
    for (const QString& file : env.UserSettingsFiles()) {
        if (const QString reason = env.SpecialFileReason(file); !reason.isEmpty())
            env.ShowMessage(SpecialFileMessage(file, reason));
    }

    env.RegWriteString(key, u"Location"_s, env.ExecutablePath());

    if (env.RunUpgradeCheck() == UpgradeOutcome::EndProgram)
        return 0;

    if (!files.isEmpty())
        env.OpenFiles(files);
    // Only now, when this instance is sure to run: files handed over before would be lost with
    // an instance that ends at one of the checks above.
    env.AcceptFilesFromLaterStarts();
    env.RunMessageLoop();
    return 0;
}

} // namespace startup
