#pragma once
// Locating the property seed file before the property editor opens.

#include <QString>

class QWidget;

// Puts the seed file the program INI file names ([Settings] PropseedFN, see `PropseedFileName`)
// into `path` and returns true when a file is there. Otherwise shows the "Information" box
// "Cannot find "<path>" !" and returns false: the caller then opens no editor.
bool LocatePropseedFile(QString& path, QWidget* owner = nullptr);
