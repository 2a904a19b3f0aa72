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
      m_centreOver(centreOver)
{
    setAttribute(Qt::WA_DeleteOnClose);
    // A log left open must not keep the program running once the main window has closed.
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowTitle(QStringLiteral("Progress dialog"));
    resize(392, 345);

    m_actClose = new QAction(QStringLiteral("&Close"), this);
    m_actClose->setObjectName(QStringLiteral("actClose"));
    m_actCancel = new QAction(QStringLiteral("Cancel"), this);
    m_actCancel->setObjectName(QStringLiteral("actCancel"));
    m_actCancel->setShortcut(QKeySequence(Qt::Key_Escape));
    m_actCancel->setShortcutContext(Qt::WindowShortcut);
    addAction(m_actCancel);
    connect(m_actClose, &QAction::triggered, this, &TarFrmProgressDialog::actCloseExecute);
    connect(m_actCancel, &QAction::triggered, this, &TarFrmProgressDialog::actCancelExecute);

    m_progressText = new QPlainTextEdit(this);
    m_progressText->setObjectName(QStringLiteral("mProgressText"));
    m_progressText->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_progressText->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_progressText->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    // Between the log and the buttons: files done of all, and the time taken and still to go.
    // Both appear with the run's first file, so a run that ends before its file loop (no
    // connection) shows none.
    auto* pnlProgress = new QWidget(this);
    pnlProgress->setObjectName(QStringLiteral("pnlProgress"));
    m_pbProgress = new QProgressBar(pnlProgress);
    m_pbProgress->setObjectName(QStringLiteral("pbProgress"));
    m_pbProgress->setFormat(QStringLiteral("%v/%m"));
    m_pbProgress->setTextVisible(true);
    m_pbProgress->setRange(0, 0);
    m_lblProgressTime = new QLabel(pnlProgress);
    m_lblProgressTime->setObjectName(QStringLiteral("lblProgressTime"));
    m_lblProgressTime->setTextFormat(Qt::PlainText);
    auto* progressRow = new QHBoxLayout(pnlProgress);
    progressRow->setContentsMargins(8, 6, 8, 0);
    progressRow->addWidget(m_pbProgress, 1);
    progressRow->addWidget(m_lblProgressTime);
    pnlProgress->hide();
    m_clockTick = new QTimer(this);
    m_clockTick->setInterval(1000);
    connect(m_clockTick, &QTimer::timeout, this, &TarFrmProgressDialog::UpdateProgressTime);

    // The button bar along the bottom; Cancel sits in its own panel at the right end.
    auto* pnlButtons = new QFrame(this);
    pnlButtons->setObjectName(QStringLiteral("pnlButtons"));
    pnlButtons->setFrameShape(QFrame::NoFrame);
    pnlButtons->setFixedHeight(41);
    m_btnClose = new ActionButton(m_actClose, ActionButton::NoHint, pnlButtons);
    m_btnClose->setObjectName(QStringLiteral("btnClose"));
    auto* pnlButtonsRight = new QFrame(pnlButtons);
    pnlButtonsRight->setObjectName(QStringLiteral("pnlButtonsRight"));
    pnlButtonsRight->setFrameShape(QFrame::NoFrame);
    m_btnCancel = new ActionButton(m_actCancel, ActionButton::NoHint, pnlButtonsRight);
    m_btnCancel->setObjectName(QStringLiteral("btnCancel"));
    for (QPushButton* b : {m_btnClose, m_btnCancel}) {
        b->setAutoDefault(false);
        b->setMinimumWidth(75);
    }

    auto* right = new QHBoxLayout(pnlButtonsRight);
    right->setContentsMargins(0, 0, 0, 0);
    right->addWidget(m_btnCancel);
    auto* panel = new QHBoxLayout(pnlButtons);
    panel->setContentsMargins(8, 8, 8, 8);
    panel->addWidget(m_btnClose);
    panel->addStretch(1);
    panel->addWidget(pnlButtonsRight);
    auto* main = new QVBoxLayout(this);
    main->setContentsMargins(0, 0, 0, 0);
    main->setSpacing(0);
    main->addWidget(m_progressText, 1);
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
    if (m_centreOver && m_centreOver->isVisible())
        move(m_centreOver->frameGeometry().center() - QPoint(width() / 2, height() / 2));
    show();
    raise();
}

void TarFrmProgressDialog::AddLine(const QString& text)
{
    m_progressText->appendPlainText(text);
}

void TarFrmProgressDialog::ProcessPendingEvents()
{
    QCoreApplication::processEvents();
}

void TarFrmProgressDialog::SetProgress(qsizetype done, qsizetype total)
{
    if (!m_clock.isValid()) {
        m_clock.start();
        m_pbProgress->parentWidget()->show();
        m_clockTick->start();
    }
    m_done = done;
    m_total = total;
    // The bar counts in int, which no file list outgrows.
    constexpr qsizetype most = std::numeric_limits<int>::max();
    m_pbProgress->setRange(0, int(std::min(total, most)));
    m_pbProgress->setValue(int(std::min(done, most)));
    UpdateProgressTime();
}

void TarFrmProgressDialog::UpdateProgressTime()
{
    if (m_clock.isValid())
        m_lblProgressTime->setText(ProgressTimeText(m_clock.elapsed(), m_done, m_total, m_finished));
}

void TarFrmProgressDialog::Finish()
{
    m_stopped = true;
    m_finished = true;
    m_clockTick->stop();
    UpdateProgressTime();
    ActionManagerUpdate();
    if (m_closeRequested)
        close();
}

QStringList TarFrmProgressDialog::Lines() const
{
    return m_progressText->toPlainText().split(u'\n');
}

void TarFrmProgressDialog::ActionManagerUpdate()
{
    m_actCancel->setEnabled(!m_stopped);
    m_actClose->setEnabled(m_stopped);
}

void TarFrmProgressDialog::actCancelExecute()
{
    m_stopped = true;
    ActionManagerUpdate();
}

void TarFrmProgressDialog::actCloseExecute()
{
    close();
}

void TarFrmProgressDialog::closeEvent(QCloseEvent* event)
{
    if (!m_finished) {
        // The run still writes to this window: stop it, and close once it has finished.
        m_closeRequested = true;
        m_stopped = true;
        ActionManagerUpdate();
        event->ignore();
        return;
    }
    event->accept();
}

ProgressSink& ProgressDialogFactory::CreateProgress()
{
    auto* dialog = new TarFrmProgressDialog(m_centreOver);
    m_last = dialog;
    return *dialog;
}
