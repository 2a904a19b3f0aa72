#pragma once
// The view tests reach the main window's controls, actions and menus by their object names.

#include "app/ui/FileListPanel.h"

#include <QAction>
#include <QObject>
#include <QString>

#include <stdexcept>

// The child of Root named Name; a missing one fails the test (the exception is reported by the
// test runner) instead of crashing it.
template <class T = QWidget> T* Child(const QObject* root, const QString& name)
{
    if (T* child = root->findChild<T*>(name))
        return child;
    throw std::runtime_error("no child named " + name.toStdString());
}

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
