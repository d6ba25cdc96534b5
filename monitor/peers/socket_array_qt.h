#pragma once

#include "monitor/peers/quiet_link.h"
#include "monitor/peers/socket_array.h"

#include <QObject>
#include <QString>
#include <map>
#include <memory>
#include <vector>

class QTcpServer;
class QTcpSocket;

namespace monitor {

// The socket array on QTcpServer / QTcpSocket. Events go to the handler set
// with SetEvents, one at a time, on the window thread.
//
// Qt raises readyRead only when new bytes come in; a frame left in the
// buffer by one arrival would wait until the peer sends again. So after each
// arrival, while a whole frame remains buffered, the arrival is delivered
// again (queued, so other events run in between).
//
// Accepted links are quiet links: no notifier watches them, and their
// arrivals and closes come out of TakeArrivals, which the server calls at
// its tick. Each joiner's frame would otherwise wake the server, and the
// wake-ups of a full game cost it far more than its tick's work.
class QtSocketArray final : public QObject, public SocketArray {
    Q_OBJECT

public:
    explicit QtSocketArray(int initialMembers, QObject* parent = nullptr);
    ~QtSocketArray() override;

    void SetEvents(SocketEvents* events) { m_events = events; }
    // The port the listening socket got (0 when none listens).
    quint16 ListeningPort() const;

    int Count() const override { return static_cast<int>(m_members.size()); }
    int Add() override;
    SocketState State(int slot) const override;
    void Close(int slot) override;
    bool Listen(int slot, int port) override;
    void Accept(int slot, int requestId) override;
    void Reject(int requestId) override;
    std::string RequestAddress(int requestId) const override;
    void Connect(int slot, const std::string& host, int port) override;
    void Send(int slot, std::string_view bytes) override;
    std::size_t BytesAvailable(int slot) const override;
    std::size_t BytesToWrite(int slot) const override;
    std::string Peek(int slot, std::size_t count) const override;
    std::string Read(int slot, std::size_t count) override;
    std::string RemoteAddress(int slot) const override;
    std::string RemoteHost(int slot) const override;
    std::string LocalAddress(int slot) const override;
    void TakeArrivals() override;

private:
    class Listener;
    struct Member {
        QTcpSocket* socket = nullptr;
        std::unique_ptr<QuietLink> quiet;
        bool closing = false; // the peer has closed the link
        bool arrivalQueued = false;
        std::string host;
        std::string remote;
    };

    bool Valid(int slot) const { return slot >= 0 && slot < Count(); }
    void Attach(int slot, QTcpSocket* socket);
    void Deliver(int slot, QTcpSocket* socket);
    void OnIncoming(std::intptr_t descriptor);
    void DeliverQuiet(int slot);
    void FlushQuiet();

    std::vector<Member> m_members;
    Listener* m_server = nullptr;
    int m_listenSlot = -1;
    std::map<int, std::unique_ptr<QuietLink>> m_pending;
    int m_nextRequest = 1;
    bool m_flushQueued = false;
    SocketEvents* m_events = nullptr;
};

} // namespace monitor
