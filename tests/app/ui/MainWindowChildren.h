#pragma once
// The view tests reach the main window's controls, actions and menus by their object names.

#include "app/ui/FileListPanel.h"
#include "support/Child.h"

#include <QAction>
#include <QObject>
#include <QString>

#include <stdexcept>

inline QAction* Action(const QObject* window, const QString& name)
{
    return Child<QAction>(window, name);
}

inline FileListPanel* ListSide(const QObject* window)
{
    if (auto* panel = window->findChild<FileListPanel*>())
        return panel;
    throw std::runtime_error("no file list panel");
}
