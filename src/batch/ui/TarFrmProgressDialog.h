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
    // CentreOver: the window to centre on when shown (usually the main window); may be null.
    explicit TarFrmProgressDialog(QWidget* centreOver = nullptr);
    ~TarFrmProgressDialog() override;

    // ProgressSink
    void SetCaption(const QString& caption) override;
    void Show() override;
    void AddLine(const QString& text) override;
    void ProcessPendingEvents() override;
    bool Stopped() const override { return stopped_; }
    // Shows the bar and the time line from the first call on; the clock starts then.
    void SetProgress(qsizetype done, qsizetype total) override;
    void Finish() override;

    // True once the run has called Finish.
    bool Finished() const { return finished_; }
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

    void updateProgressTime();

    QPointer<QWidget> centreOver_;
    QTimer* clockTick_ = nullptr; // refreshes the elapsed time while the run waits on a file
    QElapsedTimer clock_;
    qsizetype done_ = 0;
    qsizetype total_ = 0;
    bool stopped_ = false;
    bool finished_ = false;
    bool closeRequested_ = false; // a close asked for before Finish, carried out by Finish
};

// Creates one new log window per run, centred over the given window.
class ProgressDialogFactory : public ProgressSinkFactory {
public:
    explicit ProgressDialogFactory(QWidget* centreOver = nullptr) : centreOver_(centreOver) {}
    ProgressSink& CreateProgress() override;
    // The window made by the last CreateProgress (null when none, or when it is gone).
    TarFrmProgressDialog* Last() const { return last_; }

private:
    QPointer<QWidget> centreOver_;
    QPointer<TarFrmProgressDialog> last_;
};
