#include "common/single_instance.h"
#include "monitor/single_instance_qt.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QtGlobal>

namespace monitor {

namespace {

constexpr char kActivate[] = "activate";
constexpr int kWaitMs = 2000;

} // namespace

InstanceChannel::InstanceChannel(QString name, QObject* parent) : QObject(parent), m_name(std::move(name)) {}

InstanceChannel::~InstanceChannel() = default;

bool InstanceChannel::BecomeFirst() {
    // The lock is the platform's own (an abstract socket on Linux, a named
    // mutex on Windows); the kernel frees it with the process, so a crashed
    // monitor never blocks the next one.
    if (!common::AcquireSingleInstance((QStringLiteral("lock-") + m_name).toStdString()))
        return false;
    auto* server = new QLocalServer(this);
    m_listener = server;
    if (!server->listen(m_name)) {
        // A stale named pipe of a crashed monitor: clear it and retry.
        QLocalServer::removeServer(m_name);
        server->listen(m_name);
    }
    connect(server, &QLocalServer::newConnection, this, &InstanceChannel::OnConnection);
    return true;
}

bool InstanceChannel::ActivateFirst(const QString& name) {
    QLocalSocket socket;
    // The first monitor may hold the lock but not listen yet: try a few times.
    for (int attempt = 0; attempt < 5; ++attempt) {
        socket.connectToServer(name);
        if (socket.waitForConnected(kWaitMs))
            break;
        socket.abort();
        QThread::msleep(200);
    }
    if (socket.state() != QLocalSocket::ConnectedState)
        return false;
    socket.write(kActivate);
    socket.flush();
    const bool sent = socket.waitForBytesWritten(kWaitMs) || socket.bytesToWrite() == 0;
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(kWaitMs);
    return sent;
}

void InstanceChannel::OnConnection() {
    auto* server = static_cast<QLocalServer*>(m_listener);
    while (QLocalSocket* socket = server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        // Only the word "activate" raises the window; anything else is ignored.
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            const QByteArray request = socket->read(64);
            if (request.startsWith(kActivate))
                emit ActivationRequested();
            socket->disconnectFromServer();
        });
    }
}

} // namespace monitor
