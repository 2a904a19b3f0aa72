#pragma once
// The start-up sequence's outside world as the program really has it: the application object,
// the per-user settings store, the instance lock, the message box and the main window. The
// desktop it is given (the program's: `SystemDesktop`) names the program file and reaches the
// main window, with its file dialogs and folder browser.

#include "app/Startup.h"

#include <QElapsedTimer>

#include <memory>

class Desktop;
class InstanceChannel;
class TfrmMain;

class ProgramEnvironment final : public startup::Environment {
public:
    explicit ProgramEnvironment(Desktop& desktop);
    // Destroys the main window, before the application object: the window stores its position
    // then, also when it was never shown.
    ~ProgramEnvironment() override;
    ProgramEnvironment(const ProgramEnvironment&) = delete;
    ProgramEnvironment& operator=(const ProgramEnvironment&) = delete;

    QString applicationHandle() override;
    void regWriteString(const QString& keyPath, const QString& name, const QString& value) override;
    bool instanceAlreadyRunning(const QString& name) override;
    void showMessage(const startup::Message& message) override;
    void setApplicationTitle(const QString& title) override;
    void createMainWindow() override;
    QString programIniFileName() override;
    bool fileExists(const QString& path) override;
    QString specialFileReason(const QString& path) override;
    QStringList userSettingsFiles() override;
    QString executablePath() override;
    startup::UpgradeOutcome runUpgradeCheck() override;
    void runMessageLoop() override;
    startup::HandOver handFilesToRunningInstance(const QStringList& files, int timeoutMs) override;
    qint64 elapsedMs() override;
    void sleepMs(int ms) override;
    void openFiles(const QStringList& files) override;
    void acceptFilesFromLaterStarts() override;

    // Shows the main window in front of every other window, with the keyboard focus; a
    // minimized window is restored first.
    void showMainWindow();
    // The files of a later start: they join the list and the window comes to the front.
    void takeFilesFromLaterStart(const QStringList& files);
    TfrmMain* mainWindow() const { return m_window.get(); }

private:
    Desktop& m_desktop;
    std::unique_ptr<TfrmMain> m_window;
    std::unique_ptr<InstanceChannel> m_channel;
    QElapsedTimer m_clock;
};
