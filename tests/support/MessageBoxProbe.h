#pragma once
// View tests answer message boxes from inside their modal loop.

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace testfiles {

// Runs act(box) as soon as a message box is up (polled every 5 ms from the event loop); fails
// the test when none appears within 10 seconds.
void WhenMessageBoxShown(std::function<void(QDialog*)> act);

// Runs act(w) as soon as a modal T is up (polled every 5 ms from the event loop); fails the
// test and closes whatever dialog is modal when none comes within 10 seconds, so that a test
// never hangs.
template <class T> void WhenShown(std::function<void(T*)> act)
{
    auto* poll = new QTimer;
    auto* started = new QElapsedTimer;
    started->start();
    QObject::connect(poll, &QTimer::timeout, [poll, started, act] {
        T* w = qobject_cast<T*>(QApplication::activeModalWidget());
        const bool up = w && w->isVisible();
        if (!up && started->elapsed() < 10000)
            return;
        poll->stop();
        poll->deleteLater();
        delete started;
        if (up) {
            act(w);
        } else {
            ADD_FAILURE() << "no " << T::staticMetaObject.className() << " was shown";
            if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
                d->reject();
        }
    });
    poll->start(5);
}

} // namespace testfiles
