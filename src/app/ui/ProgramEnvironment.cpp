#include "app/ui/ProgramEnvironment.h"

#include "app/ui/InstanceChannel.h"
#include "app/ui/TfrmMain.h"
#include "common/FsPath.h"
#include "common/TextField.h"
#include "filelist/ui/FileListModel.h"
#include "platform/InstanceLock.h"
#include "settings/IniFile.h"
#include "settings/Settings.h"
#include "settings/ui/Desktop.h"
#include "upgrade/UpgradeCheck.h"
#include "widgets/ui/arMessageBox.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QThread>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

// Hooks for runs nobody watches (README "Message boxes in unattended runs"): what a script can
// neither see nor click in the window.
void AppendToWindowLog(const QString& lines)
{
    const QString path = qEnvironmentVariable("KRDL_WINDOW_LOG");
    QFile log(path);
    if (!path.isEmpty() && log.open(QIODevice::WriteOnly | QIODevice::Append))
        log.write(lines.toUtf8());
}

// KRDL_WINDOW_LOG: the list as it stands, one line per entry and then its length.
void LogList(const TfrmMain& window)
{
    QString lines;
    for (const FileEntry& entry : window.FileList()->List().Entries())
        lines += u"checked=%1\tpath=%2\n"_s.arg(entry.checked ? 1 : 0).arg(OneLineField(entry.FullPath()));
    AppendToWindowLog(lines + u"entries=%1\n"_s.arg(window.FileList()->List().Count()));
}

// KRDL_START_ACTION: the window's action of that name runs once the files named at start are in
// the list, as if its button were pressed, when its enabling rule allows it then.
void RunStartAction(TfrmMain& window)
{
    const QString name = qEnvironmentVariable("KRDL_START_ACTION");
    if (name.isEmpty())
        return;
    window.ActionManagerUpdate();
    QAction* action = nullptr;
    for (QAction* candidate : window.AllActions())
        action = candidate->objectName() == name ? candidate : action;
    const bool run = action && action->isEnabled();
    AppendToWindowLog(u"action=%1\ttriggered=%2\n"_s.arg(OneLineField(name)).arg(run ? 1 : 0));
    if (run)
        action->trigger();
}

} // namespace

ProgramEnvironment::ProgramEnvironment(Desktop& desktop) : m_desktop(desktop)
{
    m_clock.start();
}

ProgramEnvironment::~ProgramEnvironment() = default;

// There is no window yet when "Handle" is written, so the number that identifies the running
// program is its process id.
QString ProgramEnvironment::ApplicationHandle()
{
    return QString::number(QCoreApplication::applicationPid());
}

void ProgramEnvironment::RegWriteString(const QString& keyPath, const QString& name, const QString& value)
{
    ::RegWriteString(keyPath, name, value);
}

bool ProgramEnvironment::InstanceAlreadyRunning(const QString& name)
{
    return platform::InstanceAlreadyRunning(name.toStdString());
}

void ProgramEnvironment::ShowMessage(const startup::Message& message)
{
    arMessageBox(message.caption, message.text, message.buttons,
                 message.icon == startup::MessageIcon::Error ? miError : miInformation);
}

// The program's name for Qt: the caption of an error box that no window owns and the name of a
// window without a caption. The desktop's own name for the program (task bar, window switcher,
// "Open with") comes from the desktop entry that main() ties the windows to, whose Name is the
// same title. Qt's application display name stays unset: Qt appends it to every caption it
// hands the window system ("Confirmation — Velmar Solid Edge Utils"), and every caption must
// read exactly as its window sets it.
void ProgramEnvironment::SetApplicationTitle(const QString& title)
{
    QCoreApplication::setApplicationName(title);
}

void ProgramEnvironment::CreateMainWindow()
{
    m_window = std::make_unique<TfrmMain>(m_desktop);
}

QString ProgramEnvironment::ProgramIniFileName()
{
    return ::ProgramIniFileName(m_desktop.ProgramFileName());
}

bool ProgramEnvironment::FileExists(const QString& path)
{
    return NotARegularFileReason(path).isEmpty();
}

QString ProgramEnvironment::SpecialFileReason(const QString& path)
{
    const QString reason = ::SpecialFileReason(path);
    return reason.isEmpty() ? IniFileTextProblem(path) : reason;
}

QStringList ProgramEnvironment::UserSettingsFiles()
{
    return ::UserSettingsFiles(m_desktop.ProgramFileName());
}

QString ProgramEnvironment::ExecutablePath()
{
    return m_desktop.ProgramFileName();
}

// When the upgrade library has taken over, the program ends before its window appears and
// without the exit question.
startup::UpgradeOutcome ProgramEnvironment::RunUpgradeCheck()
{
    return upgrade::UpgradeCheck(m_desktop.ProgramFileName(), false).upgradeStarted ? startup::UpgradeOutcome::EndProgram
                                                       : startup::UpgradeOutcome::Continue;
}

void ProgramEnvironment::ShowMainWindow()
{
    if (m_window->isMinimized())
        m_window->setWindowState(m_window->windowState() & ~Qt::WindowMinimized);
    m_window->show();
    // Started from a file manager or a script, the new window would otherwise open behind the
    // window that started it.
    m_window->raise();
    m_window->activateWindow();
}

void ProgramEnvironment::RunMessageLoop()
{
    // A window closed minimized starts minimized (the position store made it so); only a
    // window that is to be seen is brought to the front.
    if (m_window->isMinimized())
        m_window->show();
    else
        ShowMainWindow();
    QApplication::exec();
}

startup::HandOver ProgramEnvironment::HandFilesToRunningInstance(const QStringList& files, int timeoutMs)
{
    return InstanceChannel::HandFiles(InstanceChannel::ChannelName(QString::fromLatin1(startup::kInstanceName)), files,
                                      timeoutMs);
}

qint64 ProgramEnvironment::ElapsedMs()
{
    return m_clock.elapsed();
}

void ProgramEnvironment::SleepMs(int ms)
{
    QThread::msleep(ulong(ms));
}

// Once the message loop runs, that is once the window shows: a folder search may take a while.
void ProgramEnvironment::OpenFiles(const QStringList& files)
{
    QTimer::singleShot(0, m_window.get(), [window = m_window.get(), files] {
        window->OpenFiles(files);
        LogList(*window);
        RunStartAction(*window);
    });
}

void ProgramEnvironment::AcceptFilesFromLaterStarts()
{
    m_channel = std::make_unique<InstanceChannel>();
    QObject::connect(m_channel.get(), &InstanceChannel::FilesReceived, m_window.get(),
                     [this](const QStringList& files) { TakeFilesFromLaterStart(files); });
    // Later starts that find no one listening give up after a while and say so.
    m_channel->Listen(InstanceChannel::ChannelName(QString::fromLatin1(startup::kInstanceName)));
}

void ProgramEnvironment::TakeFilesFromLaterStart(const QStringList& files)
{
    m_window->OpenFiles(files);
    LogList(*m_window);
    ShowMainWindow();
}
