#pragma once
// The file open and save dialogs of the file list commands, behind one seam so that tests can
// answer them without a person.

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

struct FileDialogRequest {
    bool save = false;      // save dialog (one name) or open dialog
    bool multiple = false;  // open dialog: several files may be chosen
    QString title;
    QString initialFolder;  // empty: where the platform chooses
    QStringList filters;    // Qt filter texts such as "Draft files (*.dft)"
};

// The chosen files (one for a save dialog); empty when the user cancelled.
QStringList RunFileDialog(QWidget* owner, const FileDialogRequest& request);

// Tests put an answer in place of the dialog; an empty hook restores the real dialog.
using FileDialogHook = std::function<QStringList(const FileDialogRequest&)>;
void SetFileDialogHookForTesting(FileDialogHook hook);
