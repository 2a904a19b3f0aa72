#include "filelist/ui/TarExplorerDrop.h"

#include "common/FsPath.h"
#include "platform/PathStyle.h"

#include <QAbstractScrollArea>
#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

#include <string_view>

namespace {

// The local name of a file `url`. Where names are bytes, the percent-encoded bytes of the `url` are
// the name's bytes, also when they are no UTF-8 (a Windows-1250 name on an old share): they go
// through the program's one conversion of file names instead of being replaced.
QString LocalName(const QUrl& url)
{
    if (platform::kNativePathStyle == platform::PathStyle::Posix && url.host().isEmpty()) {
        const QByteArray bytes = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
        return FromNativeBytes(std::string_view(bytes.constData(), size_t(bytes.size())));
    }
    return QDir::toNativeSeparators(url.toLocalFile());
}

} // namespace

TarExplorerDrop::TarExplorerDrop(QObject* owner) : QObject(owner) {}

TarExplorerDrop::~TarExplorerDrop()
{
    Detach();
}

void TarExplorerDrop::SetEnabled(bool value)
{
    if (!m_destination)
        return;
    m_enabled = value;
    RegisterDrops(value);
}

void TarExplorerDrop::SetDestinationControl(QWidget* value)
{
    if (value == m_destination)
        return;
    if (!value) {
        SetEnabled(false);
        Detach();
        return;
    }
    // A target that moves on leaves nothing of itself on the control it served before.
    if (m_destination) {
        SetEnabled(false);
        Detach();
    }
    m_destination = value;
    Attach();
    SetEnabled(true);
}

void TarExplorerDrop::Attach()
{
    auto* area = qobject_cast<QAbstractScrollArea*>(m_destination.data());
    m_destinationWindow = area ? area->viewport() : m_destination.data();
    m_windowAcceptedDrops = m_destinationWindow->acceptDrops();
    m_destinationWindow->installEventFilter(this);
}

void TarExplorerDrop::Detach()
{
    if (m_destinationWindow) {
        m_destinationWindow->removeEventFilter(this);
        m_destinationWindow->setAcceptDrops(m_windowAcceptedDrops);
    }
    m_destinationWindow = nullptr;
    m_destination = nullptr;
    m_enabled = false;
}

void TarExplorerDrop::RegisterDrops(bool accept)
{
    if (m_destinationWindow)
        m_destinationWindow->setAcceptDrops(accept || m_windowAcceptedDrops);
}

QStringList TarExplorerDrop::NamesOf(const QMimeData* drop)
{
    QStringList names;
    if (!drop || !drop->hasUrls())
        return names;
    for (const QUrl& url : drop->urls()) {
        if (url.isLocalFile())
            names.append(LocalName(url));
    }
    return names;
}

bool TarExplorerDrop::eventFilter(QObject* watched, QEvent* event)
{
    if (!m_enabled || watched != m_destinationWindow)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (NamesOf(drag->mimeData()).isEmpty())
            return false; // not files: the control decides
        drag->setDropAction(Qt::CopyAction);
        drag->accept();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        if (NamesOf(drop->mimeData()).isEmpty())
            return false;
        drop->setDropAction(Qt::CopyAction);
        drop->accept();
        HandleDrop(drop->mimeData(), drop->position().toPoint());
        return true;
    }
    default:
        return QObject::eventFilter(watched, event);
    }
}

void TarExplorerDrop::HandleDrop(const QMimeData* drop, QPoint point)
{
    if (onBeginDrop)
        onBeginDrop(this);
    m_droppedFiles.clear();
    for (const QString& name : NamesOf(drop)) {
        // A name counts as a file only when it is a regular file now: folders, devices, pipes
        // and names that do not exist are refused one by one.
        if (allowFolders || NotARegularFileReason(name).isEmpty())
            m_droppedFiles.append(name);
        else if (onFolderNotAllowed)
            onFolderNotAllowed(this, name);
    }
    m_fileCount = int(m_droppedFiles.size());
    if (onDropped)
        onDropped(this, m_droppedFiles, m_fileCount, point.x(), point.y());
}
