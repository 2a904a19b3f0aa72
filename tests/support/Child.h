#pragma once
// View tests reach a window's controls, actions and menus by their object names.

#include <QObject>
#include <QString>
#include <QWidget>

#include <stdexcept>

// The child of `root` named `name`; a missing one fails the test (the exception is reported by
// the test runner) instead of crashing it.
template <class T = QWidget> T* Child(const QObject* root, const QString& name)
{
    if (T* child = root->findChild<T*>(name))
        return child;
    throw std::runtime_error("no child named " + name.toStdString());
}
