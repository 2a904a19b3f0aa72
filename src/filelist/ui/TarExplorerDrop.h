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
    // Sender, the accepted names, their number, and the drop point in the destination's
    // coordinates (for a scrolling view, its viewport's).
    using TOnDropped = std::function<void(TarExplorerDrop* Sender, const QStringList& Files, int FileCount, int x, int y)>;
    using TOnFolderNotAllowed = std::function<void(TarExplorerDrop* Sender, const QString& FileName)>;
    using TNotifyEvent = std::function<void(TarExplorerDrop* Sender)>;

    // Starts detached and disabled, with no folders allowed.
    explicit TarExplorerDrop(QObject* owner = nullptr);
    ~TarExplorerDrop() override;

    bool Enabled() const { return enabled && destination; }
    // Only while a destination is set: makes its window accept file drops, or stop accepting them.
    void setEnabled(bool value);

    QWidget* DestinationControl() const { return destination; }
    // Another control: detaches from the current one, attaches to Value and enables. The same
    // control: nothing. None: detaches and disables.
    void setDestinationControl(QWidget* value);

    bool AllowFolders = false;
    TNotifyEvent OnBeginDrop;
    TOnDropped OnDropped;
    TOnFolderNotAllowed OnFolderNotAllowed;

    // Names accepted by the last drop.
    const QStringList& DroppedFiles() const { return droppedFiles; }
    int FileCount() const { return fileCount; }

    // Reads one drop: its file names and its point.
    void HandleDrop(const QMimeData* drop, QPoint point);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The local paths of a drop's file URLs; other URLs name no file and are left out.
    static QStringList namesOf(const QMimeData* drop);
    void attach();
    void detach();
    void registerDrops(bool accept);

    bool enabled = false;
    QPointer<QWidget> destination;
    // The widget that receives the drag events: the destination, or its viewport.
    QPointer<QWidget> destinationWindow;
    bool windowAcceptedDrops = false; // its own setting, put back when detached
    QStringList droppedFiles;
    int fileCount = 0;
};
