#pragma once
// Locating the property seed file before the property editor opens.

#include <QString>

class QWidget;

// Puts the seed file the INI file of `programFileName` names ([Settings] PropseedFN, see
// `PropseedFileName`) into `path` and returns true when a file is there. Otherwise shows the
// "Information" box "Cannot find "<path>" !" and returns false: the caller then opens no editor.
bool LocatePropseedFile(const QString& programFileName, QString& path, QWidget* owner = nullptr);
