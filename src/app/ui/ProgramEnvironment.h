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

    QString ApplicationHandle() override;
    void RegWriteString(const QString& keyPath, const QString& name, const QString& value) override;
    bool InstanceAlreadyRunning(const QString& name) override;
    void ShowMessage(const startup::Message& message) override;
    void SetApplicationTitle(const QString& title) override;
    void CreateMainWindow() override;
    QString ProgramIniFileName() override;
    bool FileExists(const QString& path) override;
    QString SpecialFileReason(const QString& path) override;
    QStringList UserSettingsFiles() override;
    QString ExecutablePath() override;
    startup::UpgradeOutcome RunUpgradeCheck() override;
    void RunMessageLoop() override;
    startup::HandOver HandFilesToRunningInstance(const QStringList& files, int timeoutMs) override;
    qint64 ElapsedMs() override;
    void SleepMs(int ms) override;
    void OpenFiles(const QStringList& files) override;
    void AcceptFilesFromLaterStarts() override;

    // Shows the main window in front of every other window, with the keyboard focus; a
    // minimized window is restored first.
    void ShowMainWindow();
    // The files of a later start: they join the list and the window comes to the front.
    void TakeFilesFromLaterStart(const QStringList& files);
    TfrmMain* MainWindow() const { return m_window.get(); }

private:
    Desktop& m_desktop;
    std::unique_ptr<TfrmMain> m_window;
    std::unique_ptr<InstanceChannel> m_channel;
    QElapsedTimer m_clock;
};
