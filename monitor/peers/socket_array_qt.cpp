#include "monitor/peers/socket_array_qt.h"

#include "monitor/peers/frame.h"
#include "monitor/peers/machine_address.h"

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

// What a quiet link may hold before the engine judges it: far beyond any
// cap of the engine, so a flood is still seen as one.
constexpr std::size_t kQuietPullCap = 1 << 16;

} // namespace

// The listening socket hands each new connection over as a bare descriptor,
// so no QTcpSocket (and no notifier) is ever made for it.
class QtSocketArray::Listener : public QTcpServer {
public:
    explicit Listener(QtSocketArray* array) : QTcpServer(array), m_array(array) {}

protected:
    void incomingConnection(qintptr descriptor) override { m_array->OnIncoming(descriptor); }

private:
    QtSocketArray* m_array;
};

QtSocketArray::QtSocketArray(int initialMembers, QObject* parent) : QObject(parent) {
    m_members.resize(static_cast<std::size_t>(initialMembers));
}

QtSocketArray::~QtSocketArray() {
    m_events = nullptr;
    for (int slot = 0; slot < Count(); ++slot)
        Close(slot);
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
    if (m.quiet)
        return m.closing || m.quiet->Failed() ? SocketState::Closing : SocketState::Connected;
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
    if (!m_server)
        m_server = new Listener(this);
    if (!m_server->listen(QHostAddress::AnyIPv4, static_cast<quint16>(port)))
        return false;
    m_listenSlot = slot;
    return true;
}

void QtSocketArray::OnIncoming(std::intptr_t descriptor) {
    const int id = m_nextRequest++;
    m_pending[id] = std::make_unique<QuietLink>(descriptor);
    if (m_events)
        m_events->OnConnectionRequest(m_listenSlot, id);
    // A request the handler neither took nor refused is refused.
    Reject(id);
}

void QtSocketArray::Accept(int slot, int requestId) {
    const auto found = m_pending.find(requestId);
    if (found == m_pending.end() || !Valid(slot))
        return;
    std::unique_ptr<QuietLink> link = std::move(found->second);
    m_pending.erase(found);
    Close(slot);
    Member& m = m_members[static_cast<std::size_t>(slot)];
    m.remote = link->PeerAddress();
    m.host = m.remote;
    // Bytes that came with the connection are taken with the next arrivals.
    m.quiet = std::move(link);
}

void QtSocketArray::Reject(int requestId) {
    m_pending.erase(requestId);
}

void QtSocketArray::TakeArrivals() {
    for (int slot = 0; slot < Count(); ++slot) {
        QuietLink* link = m_members[static_cast<std::size_t>(slot)].quiet.get();
        if (!link || m_members[static_cast<std::size_t>(slot)].closing)
            continue;
        link->Flush();
        const std::size_t before = link->Buffered().size();
        const bool open = link->Pull(kQuietPullCap);
        if (link->Buffered().size() > before)
            DeliverQuiet(slot);
        Member& m = m_members[static_cast<std::size_t>(slot)]; // the handler may have added members
        if (!open && m.quiet.get() == link && !m.closing) {
            m.closing = true;
            if (m_events)
                m_events->OnClose(slot);
        }
    }
}

void QtSocketArray::FlushQuiet() {
    m_flushQueued = false;
    for (Member& m : m_members)
        if (m.quiet)
            m.quiet->Flush();
}

// One arrival, then again while a whole frame stays buffered and the last
// delivery took something.
void QtSocketArray::DeliverQuiet(int slot) {
    QuietLink* link = m_members[static_cast<std::size_t>(slot)].quiet.get();
    for (;;) {
        const std::size_t buffered = link->Buffered().size();
        if (m_events)
            m_events->OnDataArrival(slot, buffered);
        if (m_members[static_cast<std::size_t>(slot)].quiet.get() != link)
            return;
        const std::string& left = link->Buffered();
        if (left.size() == buffered || left.size() < kPrefixLength ||
            !WholeFrameBuffered(std::string_view(left).substr(0, kPrefixLength), left.size()))
            return;
    }
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
    if (QuietLink* link = m_members[static_cast<std::size_t>(slot)].quiet.get()) {
        // Sent once the handler returns: a tick's relays leave each link in
        // one system call.
        link->Send(bytes);
        if (!m_flushQueued) {
            m_flushQueued = true;
            QMetaObject::invokeMethod(this, &QtSocketArray::FlushQuiet, Qt::QueuedConnection);
        }
        return;
    }
    m_members[static_cast<std::size_t>(slot)].socket->write(bytes.data(), static_cast<qint64>(bytes.size()));
}

std::string QtSocketArray::RequestAddress(int requestId) const {
    const auto found = m_pending.find(requestId);
    return found == m_pending.end() ? std::string() : found->second->PeerAddress();
}

std::size_t QtSocketArray::BytesToWrite(int slot) const {
    if (Valid(slot) && m_members[static_cast<std::size_t>(slot)].quiet)
        return m_members[static_cast<std::size_t>(slot)].quiet->Unsent();
    if (!Valid(slot) || !m_members[static_cast<std::size_t>(slot)].socket)
        return 0;
    return static_cast<std::size_t>(m_members[static_cast<std::size_t>(slot)].socket->bytesToWrite());
}

std::size_t QtSocketArray::BytesAvailable(int slot) const {
    if (Valid(slot) && m_members[static_cast<std::size_t>(slot)].quiet)
        return m_members[static_cast<std::size_t>(slot)].quiet->Buffered().size();
    if (!Valid(slot) || !m_members[static_cast<std::size_t>(slot)].socket)
        return 0;
    return static_cast<std::size_t>(m_members[static_cast<std::size_t>(slot)].socket->bytesAvailable());
}

std::string QtSocketArray::Peek(int slot, std::size_t count) const {
    if (Valid(slot) && m_members[static_cast<std::size_t>(slot)].quiet)
        return m_members[static_cast<std::size_t>(slot)].quiet->Buffered().substr(0, count);
    if (!Valid(slot) || !m_members[static_cast<std::size_t>(slot)].socket)
        return {};
    return m_members[static_cast<std::size_t>(slot)].socket->peek(static_cast<qint64>(count)).toStdString();
}

std::string QtSocketArray::Read(int slot, std::size_t count) {
    if (Valid(slot) && m_members[static_cast<std::size_t>(slot)].quiet) {
        std::string& buffered = m_members[static_cast<std::size_t>(slot)].quiet->Buffered();
        std::string taken = buffered.substr(0, count);
        buffered.erase(0, taken.size());
        return taken;
    }
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
    if (Valid(slot) && m_members[static_cast<std::size_t>(slot)].quiet) {
        const std::string local = m_members[static_cast<std::size_t>(slot)].quiet->LocalAddress();
        if (!local.empty())
            return local;
    }
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
