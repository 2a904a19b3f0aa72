#include "batch/ui/TarFrmProgressDialog.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// A button that shows and triggers an action, the way the form binds its buttons to actClose
// and actCancel: caption and enabled state follow the action.
void bindButton(QPushButton* button, QAction* action)
{
    auto sync = [button, action] {
        button->setText(action->text());
        button->setEnabled(action->isEnabled());
    };
    sync();
    QObject::connect(action, &QAction::changed, button, sync);
    QObject::connect(button, &QPushButton::clicked, action, &QAction::trigger);
}

} // namespace

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

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameShape(QFrame::NoFrame);
    Panel1->setFixedHeight(41);
    btnClose = new QPushButton(Panel1);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    PNLbUTTONSrIGHT = new QFrame(Panel1);
    PNLbUTTONSrIGHT->setObjectName(QStringLiteral("PNLbUTTONSrIGHT"));
    PNLbUTTONSrIGHT->setFrameShape(QFrame::NoFrame);
    btnCancel = new QPushButton(PNLbUTTONSrIGHT);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    bindButton(btnClose, actClose);
    bindButton(btnCancel, actCancel);
    for (QPushButton* b : {btnClose, btnCancel}) {
        b->setAutoDefault(false);
        b->setMinimumWidth(75);
    }

    auto* right = new QHBoxLayout(PNLbUTTONSrIGHT);
    right->setContentsMargins(0, 0, 0, 0);
    right->addWidget(btnCancel);
    auto* panel = new QHBoxLayout(Panel1);
    panel->setContentsMargins(8, 8, 8, 8);
    panel->addWidget(btnClose);
    panel->addStretch(1);
    panel->addWidget(PNLbUTTONSrIGHT);
    auto* main = new QVBoxLayout(this);
    main->setContentsMargins(0, 0, 0, 0);
    main->setSpacing(0);
    main->addWidget(mProgressText, 1);
    main->addWidget(Panel1);

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

void TarFrmProgressDialog::Finish()
{
    stopped_ = true;
    finished_ = true;
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

TarProgressSink& TarProgressDialogFactory::CreateProgress()
{
    auto* dialog = new TarFrmProgressDialog(centreOver_);
    last_ = dialog;
    return *dialog;
}
