#include "monitor/peers/socket_array_qt.h"

#include "monitor/peers/frame.h"
#include "monitor/peers/lazy_socket_array.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

namespace monitor {
namespace {

// Dotted IPv4 text, also for IPv4 addresses that Qt holds in IPv6 form.
std::string DottedAddress(const QHostAddress& address) {
    bool ok = false;
    const quint32 v4 = address.toIPv4Address(&ok);
    if (ok)
        return QHostAddress(v4).toString().toStdString();
    return address.isNull() ? std::string() : address.toString().toStdString();
}

} // namespace

QtSocketArray::QtSocketArray(int initialMembers, QObject* parent) : QObject(parent) {
    m_members.resize(static_cast<std::size_t>(initialMembers));
}

QtSocketArray::~QtSocketArray() {
    m_events = nullptr;
    for (int slot = 0; slot < Count(); ++slot)
        Close(slot);
    for (auto& [id, socket] : m_pending)
        delete socket;
}

quint16 QtSocketArray::ListeningPort() const {
    return m_server && m_server->isListening() ? m_server->serverPort() : 0;
}

int QtSocketArray::Add() {
    m_members.emplace_back();
    return Count() - 1;
}

SocketState QtSocketArray::State(int slot) const {
    if (!Valid(slot))
        return SocketState::Closed;
    if (slot == m_listenSlot && m_server && m_server->isListening())
        return SocketState::Listening;
    const Member& m = m_members[static_cast<std::size_t>(slot)];
    if (!m.socket)
        return SocketState::Closed;
    if (m.closing)
        return SocketState::Closing;
    switch (m.socket->state()) {
    case QAbstractSocket::HostLookupState:
    case QAbstractSocket::ConnectingState:
    case QAbstractSocket::BoundState:
        return SocketState::Connecting;
    case QAbstractSocket::ConnectedState:
        return SocketState::Connected;
    case QAbstractSocket::ClosingState:
        return SocketState::Closing;
    default:
        return SocketState::Closed;
    }
}

void QtSocketArray::Close(int slot) {
    if (!Valid(slot))
        return;
    if (slot == m_listenSlot) {
        m_server->close();
        m_listenSlot = -1;
    }
    Member& m = m_members[static_cast<std::size_t>(slot)];
    if (m.socket) {
        QObject::disconnect(m.socket, nullptr, this, nullptr);
        m.socket->abort();
        m.socket->deleteLater();
    }
    m = Member{};
}

bool QtSocketArray::Listen(int slot, int port) {
    if (!Valid(slot))
        return false;
    Close(slot);
    if (!m_server) {
        m_server = new QTcpServer(this);
        connect(m_server, &QTcpServer::newConnection, this, &QtSocketArray::OnNewConnection);
    }
    if (!m_server->listen(QHostAddress::AnyIPv4, static_cast<quint16>(port)))
        return false;
    m_listenSlot = slot;
    return true;
}

void QtSocketArray::OnNewConnection() {
    while (m_server->hasPendingConnections()) {
        QTcpSocket* socket = m_server->nextPendingConnection();
        if (!socket)
            break;
        // The server owns accepted sockets; they are ours to keep.
        socket->setParent(this);
        const int id = m_nextRequest++;
        m_pending[id] = socket;
        if (m_events)
            m_events->OnConnectionRequest(m_listenSlot, id);
        // A request the handler neither took nor refused is refused.
        Reject(id);
    }
}

void QtSocketArray::Accept(int slot, int requestId) {
    const auto found = m_pending.find(requestId);
    if (found == m_pending.end() || !Valid(slot))
        return;
    QTcpSocket* socket = found->second;
    m_pending.erase(found);
    Close(slot);
    Member& m = m_members[static_cast<std::size_t>(slot)];
    m.remote = DottedAddress(socket->peerAddress());
    m.host = m.remote;
    Attach(slot, socket);
    // Bytes that came with the connection.
    if (socket->bytesAvailable() > 0)
        QMetaObject::invokeMethod(
            this, [this, slot, socket] { Deliver(slot, socket); }, Qt::QueuedConnection);
}

void QtSocketArray::Reject(int requestId) {
    const auto found = m_pending.find(requestId);
    if (found == m_pending.end())
        return;
    found->second->abort();
    found->second->deleteLater();
    m_pending.erase(found);
}

void QtSocketArray::Connect(int slot, const std::string& host, int port) {
    if (!Valid(slot))
        return;
    Close(slot);
    auto* socket = new QTcpSocket(this);
    Member& m = m_members[static_cast<std::size_t>(slot)];
    m.host = host;
    Attach(slot, socket);
    connect(socket, &QTcpSocket::connected, this, [this, slot, socket] {
        Member& member = m_members[static_cast<std::size_t>(slot)];
        if (member.socket != socket)
            return;
        member.remote = DottedAddress(socket->peerAddress());
        if (m_events)
            m_events->OnConnect(slot);
    });
    socket->connectToHost(QString::fromStdString(host), static_cast<quint16>(port));
}

void QtSocketArray::Attach(int slot, QTcpSocket* socket) {
    m_members[static_cast<std::size_t>(slot)].socket = socket;
    connect(socket, &QTcpSocket::readyRead, this, [this, slot, socket] { Deliver(slot, socket); });
    connect(socket, &QTcpSocket::disconnected, this, [this, slot, socket] {
        Member& member = m_members[static_cast<std::size_t>(slot)];
        if (member.socket != socket)
            return;
        member.closing = true;
        if (m_events)
            m_events->OnClose(slot);
    });
}

void QtSocketArray::Deliver(int slot, QTcpSocket* socket) {
    Member* m = &m_members[static_cast<std::size_t>(slot)];
    if (m->socket != socket)
        return;
    m->arrivalQueued = false;
    if (m_events)
        m_events->OnDataArrival(slot, static_cast<std::size_t>(socket->bytesAvailable()));
    m = &m_members[static_cast<std::size_t>(slot)]; // the handler may have added members
    if (m->socket != socket || m->arrivalQueued)
        return;
    const qint64 left = socket->bytesAvailable();
    if (left < static_cast<qint64>(kPrefixLength) ||
        !WholeFrameBuffered(socket->peek(kPrefixLength).toStdString(), static_cast<std::size_t>(left)))
        return;
    m->arrivalQueued = true;
    QMetaObject::invokeMethod(
        this, [this, slot, socket] { Deliver(slot, socket); }, Qt::QueuedConnection);
}

void QtSocketArray::Send(int slot, std::string_view bytes) {
    if (State(slot) != SocketState::Connected)
        return;
    m_members[static_cast<std::size_t>(slot)].socket->write(bytes.data(), static_cast<qint64>(bytes.size()));
}

std::string QtSocketArray::RequestAddress(int requestId) const {
    const auto found = m_pending.find(requestId);
    return found == m_pending.end() ? std::string() : DottedAddress(found->second->peerAddress());
}

std::size_t QtSocketArray::BytesToWrite(int slot) const {
    if (!Valid(slot) || !m_members[static_cast<std::size_t>(slot)].socket)
        return 0;
    return static_cast<std::size_t>(m_members[static_cast<std::size_t>(slot)].socket->bytesToWrite());
}

std::size_t QtSocketArray::BytesAvailable(int slot) const {
    if (!Valid(slot) || !m_members[static_cast<std::size_t>(slot)].socket)
        return 0;
    return static_cast<std::size_t>(m_members[static_cast<std::size_t>(slot)].socket->bytesAvailable());
}

std::string QtSocketArray::Peek(int slot, std::size_t count) const {
    if (!Valid(slot) || !m_members[static_cast<std::size_t>(slot)].socket)
        return {};
    return m_members[static_cast<std::size_t>(slot)].socket->peek(static_cast<qint64>(count)).toStdString();
}

std::string QtSocketArray::Read(int slot, std::size_t count) {
    if (!Valid(slot) || !m_members[static_cast<std::size_t>(slot)].socket)
        return {};
    return m_members[static_cast<std::size_t>(slot)].socket->read(static_cast<qint64>(count)).toStdString();
}

std::string QtSocketArray::RemoteAddress(int slot) const {
    return Valid(slot) ? m_members[static_cast<std::size_t>(slot)].remote : std::string();
}

std::string QtSocketArray::RemoteHost(int slot) const {
    return Valid(slot) ? m_members[static_cast<std::size_t>(slot)].host : std::string();
}

std::string QtSocketArray::LocalAddress(int slot) const {
    if (Valid(slot)) {
        const QTcpSocket* socket = m_members[static_cast<std::size_t>(slot)].socket;
        if (socket && socket->state() == QAbstractSocket::ConnectedState)
            return DottedAddress(socket->localAddress());
    }
    // Not connected: the machine's own address, as the socket control shows
    // it (the same answer as before the sockets were made).
    return MachineAddress();
}

} // namespace monitor
