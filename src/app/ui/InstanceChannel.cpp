#include "app/ui/InstanceChannel.h"

#include "app/HandOverMessage.h"
#include "platform/InstanceLock.h"

#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

#include <algorithm>
#include <optional>

namespace {

// A later start that connects and then says nothing is let go after this long.
constexpr int kConnectionMs = 10000;

// What a connection has sent so far, and the files of its whole message while the instance
// waits for the later start to confirm; goes with its socket.
class Received : public QObject {
public:
    using QObject::QObject;
    QByteArray bytes;
    std::optional<QStringList> files;
};

} // namespace

InstanceChannel::InstanceChannel(QObject* parent) : QObject(parent) {}

InstanceChannel::~InstanceChannel() = default;

QString InstanceChannel::ChannelName(const QString& name)
{
    return QString::fromStdString(platform::InstanceChannelName(name.toStdString()));
}

bool InstanceChannel::Listen(const QString& name)
{
    delete m_server;
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer::removeServer(name);
    if (!m_server->listen(name))
        return false;
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection())
            TakeConnection(socket);
    });
    return true;
}

void InstanceChannel::TakeConnection(QLocalSocket* socket)
{
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    if (!platform::PeerIsThisUser(socket->socketDescriptor())) {
        socket->abort();
        socket->deleteLater();
        return;
    }
    auto* timeout = new QTimer(socket);
    timeout->setSingleShot(true);
    connect(timeout, &QTimer::timeout, socket, [socket] {
        socket->abort();
        socket->deleteLater();
    });
    timeout->start(kConnectionMs);

    auto* received = new Received(socket);
    const auto drop = [socket] {
        socket->abort();
        socket->deleteLater();
    };
    connect(socket, &QLocalSocket::readyRead, this, [this, socket, received, timeout, drop] {
        received->bytes += socket->readAll();
        if (!received->files) {
            QStringList files;
            switch (HandOverMessage::Decode(received->bytes, files)) {
            case HandOverMessage::State::Incomplete:
                return;
            case HandOverMessage::State::Bad:
                drop();
                return;
            case HandOverMessage::State::Complete:
                break;
            }
            received->files = files;
            received->bytes.clear();
            socket->write(HandOverMessage::Answer());
            socket->flush();
            return;
        }
        const QByteArray go = HandOverMessage::Confirmation();
        if (received->bytes.size() < go.size() && go.startsWith(received->bytes))
            return;
        if (received->bytes != go) {
            drop();
            return;
        }
        timeout->stop();
        const QStringList files = *received->files;
        socket->disconnectFromServer();
        emit FilesReceived(files);
    });
}

startup::HandOver InstanceChannel::HandFiles(const QString& name, const QStringList& files, int timeoutMs)
{
    using startup::HandOver;
    const QDeadlineTimer deadline(timeoutMs);
    const auto left = [&deadline] { return int(std::max<qint64>(deadline.remainingTime(), 1)); };

    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(std::min(left(), 2000)))
        return HandOver::NotListening; // no socket, or one nobody listens on any more
    if (!platform::PeerIsThisUser(socket.socketDescriptor()))
        return HandOver::NotListening;

    platform::AllowOtherInstanceToComeToFront();
    socket.write(HandOverMessage::Encode(files));
    QByteArray answer;
    while (answer != HandOverMessage::Answer()) {
        if (!HandOverMessage::Answer().startsWith(answer))
            return HandOver::NotListening; // not our instance's answer
        if (socket.bytesToWrite() > 0) {
            socket.waitForBytesWritten(left());
        } else if (!socket.waitForReadyRead(left()) && socket.bytesAvailable() == 0) {
            // Silent to the end, or gone (it ended, or turned the message down).
            return deadline.hasExpired() && socket.state() == QLocalSocket::ConnectedState ? HandOver::NoAnswer
                                                                                            : HandOver::NotListening;
        }
        answer += socket.read(HandOverMessage::Answer().size() - answer.size());
        if (answer != HandOverMessage::Answer() && deadline.hasExpired())
            return HandOver::NoAnswer;
    }
    // From here on the files are the instance's: closing without "GO" takes them back.
    socket.write(HandOverMessage::Confirmation());
    if (!socket.waitForBytesWritten(std::min(left(), 5000)) && socket.bytesToWrite() > 0)
        return HandOver::NotListening;
    socket.disconnectFromServer();
    return HandOver::Delivered;
}
