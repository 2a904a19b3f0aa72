// Program entry: the start-up sequence over the real application, settings store, instance
// lock, message box and main window.
#include "app/Startup.h"
#include "app/ui/TfrmMain.h"
#include "platform/InstanceLock.h"
#include "platform/Interrupt.h"
#include "settings/Settings.h"
#include "widgets/ui/arMessageBox.h"

#include <QApplication>
#include <QFileInfo>

#include <memory>

namespace {

class ProgramEnvironment final : public startup::Environment {
public:
    // There is no window yet when "Handle" is written, so the number that identifies the
    // running program is its process id.
    QString applicationHandle() override
    {
        return QString::number(QCoreApplication::applicationPid());
    }

    void regWriteString(const QString& keyPath, const QString& name, const QString& value) override
    {
        RegWriteString(keyPath, name, value);
    }

    bool instanceAlreadyRunning(const QString& name) override
    {
        return platform::InstanceAlreadyRunning(name.toStdString());
    }

    void showMessage(const startup::Message& message) override
    {
        arMessageBox(message.caption, message.text, message.buttons,
                     message.icon == startup::MessageIcon::Error ? miError : miInformation);
    }

    // The name the desktop shows for the program (window class and task bar entry); window
    // titles stay as each window sets them.
    void setApplicationTitle(const QString& title) override
    {
        QCoreApplication::setApplicationName(title);
    }

    void createMainWindow() override { window = std::make_unique<TfrmMain>(); }

    QString programIniFileName() override { return ProgramIniFileName(); }

    bool fileExists(const QString& path) override { return QFileInfo(path).isFile(); }

    QString executablePath() override { return ProgramFileName(); }

    // The program has no upgrade check yet; start-up goes on to the main window.
    startup::UpgradeOutcome runUpgradeCheck() override { return startup::UpgradeOutcome::Continue; }

    void runMessageLoop() override
    {
        window->show();
        QApplication::exec();
    }

    // Destroyed with the environment, before the application object: the window stores its
    // position then, also when it was never shown.
    std::unique_ptr<TfrmMain> window;
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // A copy or save past the file size limit fails and is reported instead of ending the program.
    platform::KeepRunningPastFileSizeLimit();
    ProgramEnvironment env;
    return startup::RunProgram(env);
}
