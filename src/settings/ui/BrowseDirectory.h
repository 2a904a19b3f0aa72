#pragma once
// The folder browser: a modal dialog that shows Title, starts at Folder when it exists, and
// lets only existing folders be chosen. The rest of the program is blocked while it is open.

#include <QString>

#include <functional>

class QWidget;

// Returns true when the user chose a folder; Folder then holds it (no trailing separator,
// except for a root). A Folder that is not an existing directory is emptied first, so after a
// cancel it is empty in that case.
bool BrowseDirectory(const QString& title, const QString& root, QString& folder, QWidget* owner = nullptr);

// Tests answer the browser without a person: the hook gets the title and the (checked) initial
// folder, sets the folder to choose and returns false to cancel. An empty hook restores the dialog.
using BrowseDirectoryHook = std::function<bool(const QString& title, QString& folder)>;
void SetBrowseDirectoryHookForTesting(BrowseDirectoryHook hook);
