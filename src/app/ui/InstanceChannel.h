#pragma once
// The local connection between the running instance and a later start with files: the instance
// listens (Listen) and hears each later start's files (`FilesReceived`); the later start sends
// them (HandFiles). Private to the user: the socket lives in the user's own runtime folder with
// owner-only access (on Windows, a pipe whose access list admits only the user), and each end
// checks who runs the other where the system can tell.

#include "app/Startup.h"

#include <QObject>
#include <QStringList>

class QLocalServer;
class QLocalSocket;

class InstanceChannel : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(InstanceChannel)
public:
    explicit InstanceChannel(QObject* parent = nullptr);
    ~InstanceChannel() override;

    // The channel of the instance lock `name` (platform::InstanceChannelName).
    static QString ChannelName(const QString& name);

    // Starts listening under `name`, taking the place of a socket a crashed instance left behind
    // (only the holder of the instance lock calls this, so no live instance listens there).
    bool Listen(const QString& name);

    // Sends `files` to the instance listening under `name` and waits at most `timeoutMs` for it to
    // take them. Needs no event loop.
    static startup::HandOver HandFiles(const QString& name, const QStringList& files, int timeoutMs);

signals:
    // The files of a later start, taken; the later start is told so once the handlers return.
    void FilesReceived(const QStringList& files);

private:
    void TakeConnection(QLocalSocket* socket);

    QLocalServer* m_server = nullptr;
};
