#pragma once
// One page of the main window's operation pages (`pcOperations`): a group box that fills the
// page and holds the page's controls, over the file list whose checked files the page's command
// works on. Each page runs its own commands; the main window binds them to its actions and
// decides, in its enabling pass, when they are enabled.

#include <QStringList>
#include <QWidget>

class ActionButton;
class FileListModel;
class QAction;
class QLabel;
class QVBoxLayout;

class OperationPage : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(OperationPage)
public:
    // `name` is the page's object name (`tbshCopyFiles`, ...).
    OperationPage(const QString& name, FileListModel& files, QWidget* parent);

    // Runs when the page becomes the current operation page.
    virtual void PageShow() {}

signals:
    // A control that an enabling rule reads (a text, a choice) has changed.
    void InputsChanged();

protected:
    // The layout of the group box; pages add their controls to it, top to bottom.
    QVBoxLayout* Content() const { return m_content; }
    // A note across the page's width, wrapped.
    QLabel* AddNote(const QString& text);
    // The page's command button `name`, bound to `action` (caption, hint, enabled state).
    ActionButton* AddCommandButton(QAction* action, const QString& name);

    FileListModel& Files() const { return m_files; }
    // The full paths of the checked entries, in list order: what every operation works on.
    QStringList CheckedFiles() const;

private:
    FileListModel& m_files;
    QVBoxLayout* m_content = nullptr;
};
