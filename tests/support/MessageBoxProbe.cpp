#include "support/MessageBoxProbe.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace testfiles {

void WhenMessageBoxShown(std::function<void(QDialog*)> act)
{
    auto* poll = new QTimer;
    auto* started = new QElapsedTimer;
    started->start();
    QObject::connect(poll, &QTimer::timeout, [poll, started, act] {
        auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        const bool up = box && box->objectName() == u"TarMessageBoxForm"_s && box->isVisible();
        if (!up && started->elapsed() < 10000)
            return;
        poll->stop();
        poll->deleteLater();
        delete started;
        if (up)
            act(box);
        else
            ADD_FAILURE() << "no message box was shown";
    });
    poll->start(5);
}

} // namespace testfiles
