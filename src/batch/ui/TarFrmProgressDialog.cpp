#include "batch/ui/TarFrmProgressDialog.h"

#include "batch/ProgressTime.h"
#include "widgets/ui/ActionButton.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

TarFrmProgressDialog::TarFrmProgressDialog(QWidget* centreOver)
    : QWidget(nullptr, Qt::Window | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      centreOver_(centreOver)
{
    setAttribute(Qt::WA_DeleteOnClose);
    // A log left open must not keep the program running once the main window has closed.
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowTitle(QStringLiteral("Progress dialog"));
    resize(392, 345);

    actClose = new QAction(QStringLiteral("&Close"), this);
    actCancel = new QAction(QStringLiteral("Cancel"), this);
    actCancel->setShortcut(QKeySequence(Qt::Key_Escape));
    actCancel->setShortcutContext(Qt::WindowShortcut);
    addAction(actCancel);
    connect(actClose, &QAction::triggered, this, &TarFrmProgressDialog::actCloseExecute);
    connect(actCancel, &QAction::triggered, this, &TarFrmProgressDialog::actCancelExecute);

    mProgressText = new QPlainTextEdit(this);
    mProgressText->setObjectName(QStringLiteral("mProgressText"));
    mProgressText->setLineWrapMode(QPlainTextEdit::NoWrap);
    mProgressText->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    mProgressText->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    // Between the log and the buttons: files done of all, and the time taken and still to go.
    // Both appear with the run's first file, so a run that ends before its file loop (no
    // connection) shows none.
    auto* pnlProgress = new QWidget(this);
    pnlProgress->setObjectName(QStringLiteral("pnlProgress"));
    pbProgress = new QProgressBar(pnlProgress);
    pbProgress->setObjectName(QStringLiteral("pbProgress"));
    pbProgress->setFormat(QStringLiteral("%v/%m"));
    pbProgress->setTextVisible(true);
    pbProgress->setRange(0, 0);
    lblProgressTime = new QLabel(pnlProgress);
    lblProgressTime->setObjectName(QStringLiteral("lblProgressTime"));
    lblProgressTime->setTextFormat(Qt::PlainText);
    auto* progressRow = new QHBoxLayout(pnlProgress);
    progressRow->setContentsMargins(8, 6, 8, 0);
    progressRow->addWidget(pbProgress, 1);
    progressRow->addWidget(lblProgressTime);
    pnlProgress->hide();
    clockTick_ = new QTimer(this);
    clockTick_->setInterval(1000);
    connect(clockTick_, &QTimer::timeout, this, &TarFrmProgressDialog::updateProgressTime);

    // The button bar along the bottom; Cancel sits in its own panel at the right end.
    auto* pnlButtons = new QFrame(this);
    pnlButtons->setObjectName(QStringLiteral("pnlButtons"));
    pnlButtons->setFrameShape(QFrame::NoFrame);
    pnlButtons->setFixedHeight(41);
    btnClose = new ActionButton(actClose, ActionButton::NoHint, pnlButtons);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    auto* pnlButtonsRight = new QFrame(pnlButtons);
    pnlButtonsRight->setObjectName(QStringLiteral("pnlButtonsRight"));
    pnlButtonsRight->setFrameShape(QFrame::NoFrame);
    btnCancel = new ActionButton(actCancel, ActionButton::NoHint, pnlButtonsRight);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    for (QPushButton* b : {btnClose, btnCancel}) {
        b->setAutoDefault(false);
        b->setMinimumWidth(75);
    }

    auto* right = new QHBoxLayout(pnlButtonsRight);
    right->setContentsMargins(0, 0, 0, 0);
    right->addWidget(btnCancel);
    auto* panel = new QHBoxLayout(pnlButtons);
    panel->setContentsMargins(8, 8, 8, 8);
    panel->addWidget(btnClose);
    panel->addStretch(1);
    panel->addWidget(pnlButtonsRight);
    auto* main = new QVBoxLayout(this);
    main->setContentsMargins(0, 0, 0, 0);
    main->setSpacing(0);
    main->addWidget(mProgressText, 1);
    main->addWidget(pnlProgress);
    main->addWidget(pnlButtons);

    ActionManagerUpdate();
}

TarFrmProgressDialog::~TarFrmProgressDialog() = default;

void TarFrmProgressDialog::SetCaption(const QString& caption)
{
    setWindowTitle(caption);
}

void TarFrmProgressDialog::Show()
{
    if (centreOver_ && centreOver_->isVisible())
        move(centreOver_->frameGeometry().center() - QPoint(width() / 2, height() / 2));
    show();
    raise();
}

void TarFrmProgressDialog::AddLine(const QString& text)
{
    mProgressText->appendPlainText(text);
}

void TarFrmProgressDialog::ProcessPendingEvents()
{
    QCoreApplication::processEvents();
}

void TarFrmProgressDialog::SetProgress(qsizetype done, qsizetype total)
{
    if (!clock_.isValid()) {
        clock_.start();
        pbProgress->parentWidget()->show();
        clockTick_->start();
    }
    done_ = done;
    total_ = total;
    // The bar counts in int, which no file list outgrows.
    constexpr qsizetype most = std::numeric_limits<int>::max();
    pbProgress->setRange(0, int(std::min(total, most)));
    pbProgress->setValue(int(std::min(done, most)));
    updateProgressTime();
}

void TarFrmProgressDialog::updateProgressTime()
{
    if (clock_.isValid())
        lblProgressTime->setText(ProgressTimeText(clock_.elapsed(), done_, total_, finished_));
}

void TarFrmProgressDialog::Finish()
{
    stopped_ = true;
    finished_ = true;
    clockTick_->stop();
    updateProgressTime();
    ActionManagerUpdate();
    if (closeRequested_)
        close();
}

QStringList TarFrmProgressDialog::Lines() const
{
    return mProgressText->toPlainText().split(u'\n');
}

void TarFrmProgressDialog::ActionManagerUpdate()
{
    actCancel->setEnabled(!stopped_);
    actClose->setEnabled(stopped_);
}

void TarFrmProgressDialog::actCancelExecute()
{
    stopped_ = true;
    ActionManagerUpdate();
}

void TarFrmProgressDialog::actCloseExecute()
{
    close();
}

void TarFrmProgressDialog::closeEvent(QCloseEvent* event)
{
    if (!finished_) {
        // The run still writes to this window: stop it, and close once it has finished.
        closeRequested_ = true;
        stopped_ = true;
        ActionManagerUpdate();
        event->ignore();
        return;
    }
    event->accept();
}

ProgressSink& ProgressDialogFactory::CreateProgress()
{
    auto* dialog = new TarFrmProgressDialog(centreOver_);
    last_ = dialog;
    return *dialog;
}
