#pragma once
// A drop target for files dragged from the desktop's file manager: it turns one control into a
// target for file drops and hands over the names of each drop.
//
// Attached to a control, it watches the control's drag and drop events (for a scrolling view
// such as a table, the events of its viewport, where the drops land); the control's own
// handling of those events is bypassed while the target is enabled, and every other event goes
// on to the control unchanged. Names arrive as file:// URLs and are handed over as local paths
// with native separators, percent-encoding decoded.

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <functional>

class QDropEvent;
class QMimeData;

class TarExplorerDrop : public QObject {
    Q_OBJECT
public:
    // `sender`, the accepted names, their number, and the drop point in the destination's
    // coordinates (for a scrolling view, its viewport's).
    using TOnDropped = std::function<void(TarExplorerDrop* sender, const QStringList& files, int fileCount, int x, int y)>;
    using TOnFolderNotAllowed = std::function<void(TarExplorerDrop* sender, const QString& fileName)>;
    using TNotifyEvent = std::function<void(TarExplorerDrop* sender)>;

    // Starts detached and disabled, with no folders allowed.
    explicit TarExplorerDrop(QObject* owner = nullptr);
    ~TarExplorerDrop() override;

    bool Enabled() const { return m_enabled && m_destination; }
    // Only while a destination is set: makes its window accept file drops, or stop accepting them.
    void SetEnabled(bool value);

    QWidget* DestinationControl() const { return m_destination; }
    // Another control: detaches from the current one, attaches to `value` and enables. The same
    // control: nothing. None: detaches and disables.
    void SetDestinationControl(QWidget* value);

    bool allowFolders = false;
    TNotifyEvent onBeginDrop;
    TOnDropped onDropped;
    TOnFolderNotAllowed onFolderNotAllowed;

    // Names accepted by the last drop.
    const QStringList& DroppedFiles() const { return m_droppedFiles; }
    int FileCount() const { return m_fileCount; }

    // Reads one drop: its file names and its point.
    void HandleDrop(const QMimeData* drop, QPoint point);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The local paths of a drop's file URLs; other URLs name no file and are left out.
    static QStringList NamesOf(const QMimeData* drop);
    void Attach();
    void Detach();
    void RegisterDrops(bool accept);

    bool m_enabled = false;
    QPointer<QWidget> m_destination;
    // The widget that receives the drag events: the destination, or its viewport.
    QPointer<QWidget> m_destinationWindow;
    bool m_windowAcceptedDrops = false; // its own setting, put back when detached
    QStringList m_droppedFiles;
    int m_fileCount = 0;
};
