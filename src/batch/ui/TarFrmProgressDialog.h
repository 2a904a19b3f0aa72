#pragma once
// The log window of one batch run: shows the run's lines, lets the user stop the run between
// two files, and stays open with the whole log once the run is over. Modeless and always on top;
// it deletes itself when closed, but never before the run has called Finish.

#include "batch/BatchSinks.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QWidget>

class QAction;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTimer;

class TarFrmProgressDialog : public QWidget, public ProgressSink {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TarFrmProgressDialog)
public:
    // `centreOver`: the window to centre on when shown (usually the main window); may be null.
    explicit TarFrmProgressDialog(QWidget* centreOver = nullptr);
    ~TarFrmProgressDialog() override;

    // ProgressSink
    void SetCaption(const QString& caption) override;
    void Show() override;
    void AddLine(const QString& text) override;
    void ProcessPendingEvents() override;
    bool Stopped() const override { return m_stopped; }
    // Shows the bar and the time line from the first call on; the clock starts then.
    void SetProgress(qsizetype done, qsizetype total) override;
    void Finish() override;

    // True once the run has called Finish.
    bool Finished() const { return m_finished; }
    // The log as shown, one entry per line.
    QStringList Lines() const;

    // Enables Cancel exactly while the run may go on and Close exactly when it may not.
    void ActionManagerUpdate();
    void actCancelExecute();
    void actCloseExecute();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QPlainTextEdit* m_progressText = nullptr; // object name mProgressText
    QProgressBar* m_pbProgress = nullptr;     // done/total files
    QLabel* m_lblProgressTime = nullptr;      // elapsed and estimated remaining time
    QPushButton* m_btnClose = nullptr;
    QPushButton* m_btnCancel = nullptr;
    QAction* m_actClose = nullptr;
    QAction* m_actCancel = nullptr;

    void UpdateProgressTime();

    QPointer<QWidget> m_centreOver;
    QTimer* m_clockTick = nullptr; // refreshes the elapsed time while the run waits on a file
    QElapsedTimer m_clock;
    qsizetype m_done = 0;
    qsizetype m_total = 0;
    bool m_stopped = false;
    bool m_finished = false;
    bool m_closeRequested = false; // a close asked for before Finish, carried out by Finish
};

// Creates one new log window per run, centred over the given window.
class ProgressDialogFactory : public ProgressSinkFactory {
public:
    explicit ProgressDialogFactory(QWidget* centreOver = nullptr) : m_centreOver(centreOver) {}
    ProgressSink& CreateProgress() override;
    // The window made by the last CreateProgress (null when none, or when it is gone).
    TarFrmProgressDialog* Last() const { return m_last; }

private:
    QPointer<QWidget> m_centreOver;
    QPointer<TarFrmProgressDialog> m_last;
};
