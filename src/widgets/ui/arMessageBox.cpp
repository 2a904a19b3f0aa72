#include "widgets/ui/arMessageBox.h"

#include "common/TextField.h"
#include "widgets/MessageBoxLayout.h"
#include "widgets/ui/MessageBoxText.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QFont>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTimer>

#include <algorithm>
#include <climits>
#include <memory>
#include <vector>

namespace {

// The dialog: knows which button was pressed, and has no cancel key.
class TarMessageBoxForm : public QDialog {
public:
    explicit TarMessageBoxForm(QWidget* owner)
        : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                             | Qt::MSWindowsFixedSizeDialogHint)
    {
        setObjectName(QStringLiteral("TarMessageBoxForm"));
        // A message box never ends the program, even when it is the only window left.
        setAttribute(Qt::WA_QuitOnClose, false);
    }

    int clickedButton = -1;
    bool timedOut = false;
    QPushButton* focusButton = nullptr;

    void ButtonClick(int index)
    {
        clickedButton = index;
        accept();
    }

    void TimerExpired()
    {
        timedOut = true;
        reject();
    }

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        // No button is a cancel button: Escape leaves the box open.
        if (event->key() == Qt::Key_Escape || event->matches(QKeySequence::Cancel)) {
            event->accept();
            return;
        }
        QDialog::keyPressEvent(event);
    }

    void showEvent(QShowEvent* event) override
    {
        QDialog::showEvent(event);
        if (focusButton)
            focusButton->setFocus(Qt::OtherFocusReason);
    }
};

QStyle::StandardPixmap StockIcon(TarMsgIcon icon)
{
    switch (icon) {
    case miQuestion: return QStyle::SP_MessageBoxQuestion;
    case miWarning: return QStyle::SP_MessageBoxWarning;
    case miError: return QStyle::SP_MessageBoxCritical;
    default: return QStyle::SP_MessageBoxInformation;
    }
}

// The program's main window: a visible main window first, else the active window.
QWidget* MainForm(const QWidget* except)
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w != except && w->isVisible() && qobject_cast<QMainWindow*>(w))
            return w;
    QWidget* active = QApplication::activeWindow();
    return active && active != except && active->isVisible() ? active : nullptr;
}

QScreen* ScreenFor(const QWidget* anchor)
{
    if (anchor && anchor->screen())
        return anchor->screen();
    return QGuiApplication::primaryScreen();
}

// Top-left corner that centres a window of the given size as the placement kind asks, kept
// on the screen it appears on.
QPoint Placement(int position, const QSize& size, QWidget* owner, const QWidget* dialog)
{
    QWidget* anchor = nullptr;
    if (position == poOwnerFormCenter && owner && owner->window()->isVisible())
        anchor = owner->window();
    else if (position == poOwnerFormCenter || position == poMainFormCenter)
        anchor = MainForm(dialog);

    QScreen* screen = ScreenFor(anchor);
    if (!screen)
        return {};
    QRect area;
    if (anchor)
        area = anchor->frameGeometry();
    else if (position == poDesktopCenter)
        area = screen->virtualGeometry();
    else
        area = screen->geometry();

    QPoint topLeft(area.left() + (area.width() - size.width()) / 2,
                   area.top() + (area.height() - size.height()) / 2);
    const QRect avail = screen->availableGeometry();
    topLeft.setX(std::clamp(topLeft.x(), avail.left(), std::max(avail.left(), avail.right() - size.width())));
    topLeft.setY(std::clamp(topLeft.y(), avail.top(), std::max(avail.top(), avail.bottom() - size.height())));
    return topLeft;
}

// Milliseconds until the box closes by itself; 0 for never. Without a timeout of its own the
// box takes KRDL_MSGBOX_TIMEOUT (seconds), so that unattended runs never wait for a person.
int TimeoutMs(int timeout)
{
    double seconds = timeout;
    if (timeout == 0) {
        bool ok = false;
        seconds = qEnvironmentVariable("KRDL_MSGBOX_TIMEOUT").toDouble(&ok);
        if (!ok)
            seconds = 0;
    }
    if (seconds <= 0)
        return 0;
    return int(std::min(seconds * 1000.0, double(INT_MAX)));
}

// One line per shown box in the file KRDL_MSGBOX_LOG names, for runs nobody watches.
void LogShownBox(const QString& caption, const QString& text, const QStringList& buttons,
                 int result, const char* closedBy)
{
    const QString path = qEnvironmentVariable("KRDL_MSGBOX_LOG");
    if (path.isEmpty())
        return;
    QStringList names;
    for (const QString& b : buttons)
        names << OneLineField(b).replace(QLatin1Char('|'), QLatin1String("\\|"));
    const QString line = QStringLiteral("caption=%1\ttext=%2\tbuttons=%3\tresult=%4\tclosed=%5\n")
                             .arg(OneLineField(caption), OneLineField(text), names.join(QLatin1Char('|')))
                             .arg(result)
                             .arg(QLatin1String(closedBy));
    QFile log(path);
    if (log.open(QIODevice::WriteOnly | QIODevice::Append))
        log.write(line.toUtf8());
}

} // namespace

int arMessageBox(const QString& caption, const QString& text, const QStringList& buttons,
                 TarMsgIcon icon, int defaultButton, int position, bool beep, QWidget* owner,
                 const QFont* textFont, const QFont* buttonFont, int timeout)
{
    if (buttons.isEmpty())
        return -1;
    defaultButton = msgbox::CorrectDefaultButton(defaultButton, int(buttons.size()));
    position = msgbox::CorrectPosition(position);

    // Owned here, so it is freed on every way out; the guard covers an owner that goes away
    // while the box is open.
    QPointer<TarMessageBoxForm> guard = new TarMessageBoxForm(owner);
    std::unique_ptr<TarMessageBoxForm> holder(guard.data());
    TarMessageBoxForm& form = *holder;
    form.setWindowTitle(caption);

    std::vector<QPushButton*> pushButtons;
    for (int i = 0; i < buttons.size(); ++i) {
        auto* button = new QPushButton(buttons[i], &form);
        button->setObjectName(QStringLiteral("btn%1").arg(i));
        button->setAutoDefault(true);
        if (i == defaultButton) {
            button->setDefault(true);
            form.focusButton = button;
        }
        QObject::connect(button, &QPushButton::clicked, &form, [&form, i] { form.ButtonClick(i); });
        if (buttonFont)
            button->setFont(*buttonFont);
        pushButtons.push_back(button);
    }

    msgbox::Input in;
    const QFontMetrics captionMetrics(pushButtons.front()->font());
    for (const QString& b : buttons)
        in.captionExtents.push_back({captionMetrics.horizontalAdvance(b), captionMetrics.height()});
    in.minimumButton = {msgbox::kMinButtonWidth, msgbox::kMinButtonHeight};
    QScreen* screen = ScreenFor(position == poOwnerFormCenter && owner ? owner->window() : MainForm(&form));
    in.screenWidth = screen ? screen->geometry().width() : 0;
    in.hasIcon = icon != miNone;

    QLabel* image = nullptr;
    if (in.hasIcon) {
        image = new QLabel(&form);
        image->setObjectName(QStringLiteral("imgIcon"));
        const QIcon stock = form.style()->standardIcon(StockIcon(icon), nullptr, &form);
        image->setPixmap(stock.pixmap(QSize(msgbox::kIconSize, msgbox::kIconSize), form.devicePixelRatioF()));
    }

    auto* label = new MessageBoxText(text, &form);
    label->setObjectName(QStringLiteral("lblText"));
    if (textFont)
        label->setFont(*textFont);
    const QFont labelFont = label->font();
    const Qt::LayoutDirection direction = label->layoutDirection();
    in.wrappedTextHeight = [&](int width) {
        return MessageBoxText::WrappedHeight(labelFont, text, width, direction);
    };

    const msgbox::Layout layout = msgbox::LayoutMessageBox(in);
    form.setFixedSize(layout.client.width, layout.client.height);
    if (image)
        image->setGeometry(layout.icon.left, layout.icon.top, layout.icon.width, layout.icon.height);
    label->setGeometry(layout.label.left, layout.label.top, layout.label.width, layout.label.height);
    for (size_t i = 0; i < pushButtons.size(); ++i) {
        const msgbox::Rect& r = layout.buttons[i];
        pushButtons[i]->setGeometry(r.left, r.top, r.width, r.height);
    }
    form.move(Placement(position, form.size(), owner, &form));

    if (beep)
        QApplication::beep();

    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &form, [&form] { form.TimerExpired(); });
    if (const int ms = TimeoutMs(timeout); ms > 0) {
        timer.setInterval(ms);
        timer.start();
    }

    form.exec();
    timer.stop();

    if (!guard) {
        // The owner took the box with it; nothing was pressed.
        holder.release();
        LogShownBox(caption, text, buttons, defaultButton, "owner");
        return defaultButton;
    }
    const int result = form.clickedButton >= 0 ? form.clickedButton : defaultButton;
    LogShownBox(caption, text, buttons, result,
                form.clickedButton >= 0 ? "button" : form.timedOut ? "timeout" : "window");
    return result;
}
