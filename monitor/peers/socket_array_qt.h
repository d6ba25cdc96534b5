#pragma once

#include "monitor/peers/socket_array.h"

#include <QObject>
#include <QString>
#include <map>
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

private:
    struct Member {
        QTcpSocket* socket = nullptr;
        bool closing = false; // the peer has closed the link
        bool arrivalQueued = false;
        std::string host;
        std::string remote;
    };

    bool Valid(int slot) const { return slot >= 0 && slot < Count(); }
    void Attach(int slot, QTcpSocket* socket);
    void Deliver(int slot, QTcpSocket* socket);
    void OnNewConnection();

    std::vector<Member> m_members;
    QTcpServer* m_server = nullptr;
    int m_listenSlot = -1;
    std::map<int, QTcpSocket*> m_pending;
    int m_nextRequest = 1;
    SocketEvents* m_events = nullptr;
};

} // namespace monitor
