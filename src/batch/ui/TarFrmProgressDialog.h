#pragma once
// The log window of one batch run: shows the run's lines, lets the user stop the run between
// two files, and stays open with the whole log once the run is over. Modeless and always on top;
// it deletes itself when closed, but never before the run has called Finish.

#include "batch/BatchSinks.h"

#include <QPointer>
#include <QWidget>

class QAction;
class QPlainTextEdit;
class QPushButton;

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
    void Finish() override;

    // True once the run has called Finish.
    bool Finished() const { return finished_; }
    // The log as shown, one entry per line.
    QStringList Lines() const;

    // Enables Cancel exactly while the run may go on and Close exactly when it may not.
    void ActionManagerUpdate();
    void actCancelExecute();
    void actCloseExecute();

    QPlainTextEdit* mProgressText = nullptr;
    QPushButton* btnClose = nullptr;
    QPushButton* btnCancel = nullptr;
    QAction* actClose = nullptr;
    QAction* actCancel = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QPointer<QWidget> centreOver_;
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
