#pragma once
// The folder browser: a modal dialog that shows Title above the folder tree, starts at Folder
// when it exists, and lets only existing folders be chosen.

#include <QString>

class QWidget;

// Returns true when the user chose a folder; Folder then holds it (no trailing separator,
// except for a root). A Folder that is not an existing directory is emptied first.
bool BrowseDirectory(const QString& title, const QString& root, QString& folder, QWidget* owner = nullptr);
