#include "settings/ui/TarFormPosSave.h"

#include "common/Error.h"
#include "settings/FormPosition.h"
#include "settings/Settings.h"
#include "widgets/ui/arMessageBox.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

TarFormPosSave::TarFormPosSave(QWidget* owner) : QObject(owner), m_owner(owner) {}

TarFormPosSave::~TarFormPosSave()
{
    if (!m_owner || m_written)
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
    if (m_written)
        return;
    m_written = true;
    try {
        WritePosition();
    } catch (const KrdlError& e) {
        // No command is running to take the error while the window goes: it is shown here.
        arMessageBox(QCoreApplication::applicationName(), e.Message(), {QStringLiteral("OK")}, miError);
    }
}

void TarFormPosSave::FillNameKey()
{
    if (nameKey.isEmpty())
        nameKey = DefaultFormPosNameKey(ProgramFileName(), useIniFile);
}

void TarFormPosSave::Loaded()
{
    FillNameKey();
    ReadPosition();
}

void TarFormPosSave::ReadPosition()
{
    if (!m_owner)
        return;
    FillNameKey();
    FormPosition p = ReadFormPosition(useIniFile, nameKey, m_owner->objectName());
    if (onReadIni)
        onReadIni(p.left, p.top, p.width, p.height, p.windowState);
    ApplyPosition(p.windowState, p.left, p.top, p.width, p.height);
}

void TarFormPosSave::WritePosition()
{
    if (!m_owner)
        return;
    FillNameKey();
    FormPosition p;
    p.left = m_owner->pos().x();
    p.top = m_owner->pos().y();
    p.width = m_owner->width();
    p.height = m_owner->height();
    p.windowState = m_owner->isMinimized() ? wsMinimized : (m_owner->isMaximized() ? wsMaximized : wsNormal);
    if (onWriteIni)
        onWriteIni(p.left, p.top, p.width, p.height, p.windowState);
    WriteFormPosition(useIniFile, nameKey, m_owner->objectName(), p);
}

void TarFormPosSave::ApplyPosition(int windowState, int left, int top, int width, int height)
{
    if (!m_owner)
        return;
    if (windowState == wsMaximized) {
        m_owner->setWindowState(Qt::WindowMaximized);
    } else {
        // A minimized window gets its bounds too: they are where it comes back to when the user
        // restores it.
        m_owner->setWindowState(Qt::WindowNoState);
        if (left != -1 || top != -1 || width != -1 || height != -1) {
            m_owner->move(left, top);
            m_owner->resize(width > 0 ? width : m_owner->width(), height > 0 ? height : m_owner->height());
        }
        if (windowState == wsMinimized)
            m_owner->setWindowState(Qt::WindowMinimized);
    }
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary)
        return;
    QList<QRect> screens;
    for (const QScreen* s : QGuiApplication::screens())
        screens.append(s->geometry());
    const QRect now(m_owner->pos(), m_owner->size());
    const QRect pulled = PullBackOntoScreen(now, primary->geometry(), screens);
    if (pulled.size() != now.size())
        m_owner->resize(pulled.size());
    if (pulled.topLeft() != now.topLeft())
        m_owner->move(pulled.topLeft());
}
