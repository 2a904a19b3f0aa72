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

// The local name of a file URL. Where names are bytes, the percent-encoded bytes of the URL are
// the name's bytes, also when they are no UTF-8 (a Windows-1250 name on an old share): they go
// through the program's one conversion of file names instead of being replaced.
QString localName(const QUrl& url)
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
    detach();
}

void TarExplorerDrop::setEnabled(bool value)
{
    if (!destination)
        return;
    enabled = value;
    registerDrops(value);
}

void TarExplorerDrop::setDestinationControl(QWidget* value)
{
    if (value == destination)
        return;
    if (!value) {
        setEnabled(false);
        detach();
        return;
    }
    // A target that moves on leaves nothing of itself on the control it served before.
    if (destination) {
        setEnabled(false);
        detach();
    }
    destination = value;
    attach();
    setEnabled(true);
}

void TarExplorerDrop::attach()
{
    auto* area = qobject_cast<QAbstractScrollArea*>(destination.data());
    destinationWindow = area ? area->viewport() : destination.data();
    windowAcceptedDrops = destinationWindow->acceptDrops();
    destinationWindow->installEventFilter(this);
}

void TarExplorerDrop::detach()
{
    if (destinationWindow) {
        destinationWindow->removeEventFilter(this);
        destinationWindow->setAcceptDrops(windowAcceptedDrops);
    }
    destinationWindow = nullptr;
    destination = nullptr;
    enabled = false;
}

void TarExplorerDrop::registerDrops(bool accept)
{
    if (destinationWindow)
        destinationWindow->setAcceptDrops(accept || windowAcceptedDrops);
}

QStringList TarExplorerDrop::namesOf(const QMimeData* drop)
{
    QStringList names;
    if (!drop || !drop->hasUrls())
        return names;
    for (const QUrl& url : drop->urls()) {
        if (url.isLocalFile())
            names.append(localName(url));
    }
    return names;
}

bool TarExplorerDrop::eventFilter(QObject* watched, QEvent* event)
{
    if (!enabled || watched != destinationWindow)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (namesOf(drag->mimeData()).isEmpty())
            return false; // not files: the control decides
        drag->setDropAction(Qt::CopyAction);
        drag->accept();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        if (namesOf(drop->mimeData()).isEmpty())
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
    if (OnBeginDrop)
        OnBeginDrop(this);
    droppedFiles.clear();
    for (const QString& name : namesOf(drop)) {
        // A name counts as a file only when it is a regular file now: folders, devices, pipes
        // and names that do not exist are refused one by one.
        if (AllowFolders || NotARegularFileReason(name).isEmpty())
            droppedFiles.append(name);
        else if (OnFolderNotAllowed)
            OnFolderNotAllowed(this, name);
    }
    fileCount = int(droppedFiles.size());
    if (OnDropped)
        OnDropped(this, droppedFiles, fileCount, point.x(), point.y());
}
