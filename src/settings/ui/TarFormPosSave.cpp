#include "settings/ui/TarFormPosSave.h"

#include "common/Error.h"
#include "settings/FormPosition.h"
#include "settings/Settings.h"
#include "widgets/ui/arMessageBox.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

TarFormPosSave::TarFormPosSave(QWidget* owner) : QObject(owner), owner(owner) {}

TarFormPosSave::~TarFormPosSave()
{
    if (!owner || written)
        return;
    // A modal box would run events into a window that is half destroyed.
    try {
        WritePosition();
    } catch (const KrdlError& e) {
        qWarning("%s", e.what());
    }
}

void TarFormPosSave::FormDestroy()
{
    if (written)
        return;
    written = true;
    try {
        WritePosition();
    } catch (const KrdlError& e) {
        // No command is running to take the error while the window goes: it is shown here.
        arMessageBox(QCoreApplication::applicationName(), e.message(), {QStringLiteral("OK")}, miError);
    }
}

void TarFormPosSave::fillNameKey()
{
    if (NameKey.isEmpty())
        NameKey = DefaultFormPosNameKey(ProgramFileName(), UseIniFile);
}

void TarFormPosSave::Loaded()
{
    fillNameKey();
    ReadPosition();
}

void TarFormPosSave::ReadPosition()
{
    if (!owner)
        return;
    fillNameKey();
    FormPosition p = ReadFormPosition(UseIniFile, NameKey, owner->objectName());
    if (OnReadIni)
        OnReadIni(p.Left, p.Top, p.Width, p.Height, p.WindowState);
    ApplyPosition(p.WindowState, p.Left, p.Top, p.Width, p.Height);
}

void TarFormPosSave::WritePosition()
{
    if (!owner)
        return;
    fillNameKey();
    FormPosition p;
    p.Left = owner->pos().x();
    p.Top = owner->pos().y();
    p.Width = owner->width();
    p.Height = owner->height();
    p.WindowState = owner->isMinimized() ? wsMinimized : (owner->isMaximized() ? wsMaximized : wsNormal);
    if (OnWriteIni)
        OnWriteIni(p.Left, p.Top, p.Width, p.Height, p.WindowState);
    WriteFormPosition(UseIniFile, NameKey, owner->objectName(), p);
}

void TarFormPosSave::ApplyPosition(int WindowState, int Left, int Top, int Width, int Height)
{
    if (!owner)
        return;
    if (WindowState == wsMaximized) {
        owner->setWindowState(Qt::WindowMaximized);
    } else {
        // A minimized window gets its bounds too: they are where it comes back to when the user
        // restores it.
        owner->setWindowState(Qt::WindowNoState);
        if (Left != -1 || Top != -1 || Width != -1 || Height != -1) {
            owner->move(Left, Top);
            owner->resize(Width > 0 ? Width : owner->width(), Height > 0 ? Height : owner->height());
        }
        if (WindowState == wsMinimized)
            owner->setWindowState(Qt::WindowMinimized);
    }
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary)
        return;
    QList<QRect> screens;
    for (const QScreen* s : QGuiApplication::screens())
        screens.append(s->geometry());
    const QRect now(owner->pos(), owner->size());
    const QRect pulled = PullBackOntoScreen(now, primary->geometry(), screens);
    if (pulled.size() != now.size())
        owner->resize(pulled.size());
    if (pulled.topLeft() != now.topLeft())
        owner->move(pulled.topLeft());
}
