#pragma once
// What the windows take from the desktop they run on: the file dialogs, the folder browser and
// the running program's file name, beside which the program INI file lives. The windows get it
// when they are made (`TfrmMain`, its pages, the property editor): the program passes a
// `SystemDesktop`, a test its own answers.
//
// The rules around the dialogs are this class's own and hold for every desktop: chosen names
// come back with native separators, and the folder browser returns only existing folders.

#include <QString>
#include <QStringList>

class QWidget;

struct FileDialogRequest {
    bool save = false;      // save dialog (one name) or open dialog
    bool multiple = false;  // open dialog: several files may be chosen
    QString title;
    QString initialFolder;  // empty: where the platform chooses
    QStringList filters;    // Qt filter texts such as "Draft files (*.dft)"
};

class Desktop {
public:
    Desktop() = default;
    virtual ~Desktop() = default;
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;

    // Full path of the running program.
    virtual QString ProgramFileName() const = 0;

    // The chosen files, with native separators (one for a save dialog); empty when the user
    // cancelled.
    QStringList RunFileDialog(QWidget* owner, const FileDialogRequest& request);

    // The folder browser: shows `title`, starts at `folder` when it is an existing folder (else
    // at `root` when that is one) and returns true when the user chose an existing folder;
    // `folder` then holds it, without a trailing separator except for a root. A `folder` that
    // is not an existing folder is emptied first, so after a cancel it is empty in that case.
    bool BrowseDirectory(const QString& title, const QString& root, QString& folder, QWidget* owner = nullptr);

protected:
    // The dialog itself: the names as the dialog gives them; empty when cancelled.
    virtual QStringList ChooseFiles(QWidget* owner, const FileDialogRequest& request) = 0;
    // The folder browser itself, starting at `folder` (empty: where the platform chooses);
    // true with the chosen folder in `folder`, false when cancelled.
    virtual bool ChooseFolder(QWidget* owner, const QString& title, QString& folder) = 0;
};
