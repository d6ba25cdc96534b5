#pragma once

#include "monitor/peers/frame.h"
#include "monitor/peers/socket_array.h"

#include <map>
#include <string>
#include <utility>
#include <vector>

// An in-memory socket array: what was sent on each slot, what waits to be
// read, and the state of each member, all open to the test.
namespace monitortest {

using monitor::SocketState;

struct FakeSocket {
    SocketState state = SocketState::Closed;
    std::string unread; // bytes buffered for reading
    std::string sent;   // everything written
    bool peerReads = true;
    std::size_t unsent = 0; // written while the peer does not read
    std::string remote;
    std::string host;
    int closes = 0;
};

class FakeSockets final : public monitor::SocketArray {
public:
    explicit FakeSockets(int members = 31) : sockets(static_cast<std::size_t>(members)) {}

    std::vector<FakeSocket> sockets;
    std::map<int, std::string> pending; // request id -> remote address
    std::vector<int> rejected;
    std::vector<std::pair<std::string, int>> connects;
    int listenPort = -1;
    bool listenFails = false; // the port is taken
    std::string localAddress = "192.0.2.10";

    FakeSocket& operator[](int slot) { return sockets.at(static_cast<std::size_t>(slot)); }

    int Count() const override { return static_cast<int>(sockets.size()); }
    int Add() override {
        sockets.emplace_back();
        return Count() - 1;
    }
    SocketState State(int slot) const override { return sockets.at(static_cast<std::size_t>(slot)).state; }
    void Close(int slot) override {
        FakeSocket& s = (*this)[slot];
        if (slot == 0)
            listenPort = -1;
        s.state = SocketState::Closed;
        s.unread.clear();
        ++s.closes;
    }
    bool Listen(int slot, int port) override {
        if (listenFails)
            return false;
        (*this)[slot].state = SocketState::Listening;
        listenPort = port;
        return true;
    }
    void Accept(int slot, int requestId) override {
        FakeSocket& s = (*this)[slot];
        s = FakeSocket{};
        s.state = SocketState::Connected;
        s.remote = s.host = pending.at(requestId);
        pending.erase(requestId);
    }
    std::string RequestAddress(int requestId) const override {
        const auto found = pending.find(requestId);
        return found == pending.end() ? std::string() : found->second;
    }
    void Reject(int requestId) override {
        rejected.push_back(requestId);
        pending.erase(requestId);
    }
    void Connect(int slot, const std::string& host, int port) override {
        FakeSocket& s = (*this)[slot];
        s = FakeSocket{};
        s.state = SocketState::Connecting;
        s.host = host;
        connects.emplace_back(host, port);
    }
    void Send(int slot, std::string_view bytes) override {
        if (State(slot) == SocketState::Connected) {
            (*this)[slot].sent.append(bytes);
            if (!(*this)[slot].peerReads)
                (*this)[slot].unsent += bytes.size();
        }
    }
    std::size_t BytesToWrite(int slot) const override {
        return sockets.at(static_cast<std::size_t>(slot)).unsent;
    }
    std::size_t BytesAvailable(int slot) const override {
        return sockets.at(static_cast<std::size_t>(slot)).unread.size();
    }
    std::string Peek(int slot, std::size_t count) const override {
        return sockets.at(static_cast<std::size_t>(slot)).unread.substr(0, count);
    }
    std::string Read(int slot, std::size_t count) override {
        FakeSocket& s = (*this)[slot];
        std::string taken = s.unread.substr(0, count);
        s.unread.erase(0, taken.size());
        return taken;
    }
    std::string RemoteAddress(int slot) const override {
        return sockets.at(static_cast<std::size_t>(slot)).remote;
    }
    std::string RemoteHost(int slot) const override {
        return sockets.at(static_cast<std::size_t>(slot)).host;
    }
    std::string LocalAddress(int) const override { return localAddress; }

    // Test side: a peer connects to the listening socket.
    void Request(monitor::SocketEvents& events, int requestId, std::string remote) {
        pending[requestId] = std::move(remote);
        events.OnConnectionRequest(0, requestId);
    }
    // The connection on `slot` completes.
    void Complete(monitor::SocketEvents& events, int slot, std::string remote) {
        (*this)[slot].state = SocketState::Connected;
        (*this)[slot].remote = std::move(remote);
        events.OnConnect(slot);
    }
    // Bytes arrive: one arrival event, and no more (as the socket control
    // raises it only for new bytes).
    void Arrive(monitor::SocketEvents& events, int slot, std::string_view bytes) {
        (*this)[slot].unread.append(bytes);
        events.OnDataArrival(slot, (*this)[slot].unread.size());
    }
    // Arrival re-raised while a whole frame stays buffered, as the Qt adapter does.
    void ArriveAll(monitor::SocketEvents& events, int slot, std::string_view bytes) {
        Arrive(events, slot, bytes);
        while (State(slot) != SocketState::Closed &&
               monitor::WholeFrameBuffered((*this)[slot].unread.substr(0, 2), (*this)[slot].unread.size()))
            events.OnDataArrival(slot, (*this)[slot].unread.size());
    }
    // The peer closes.
    void PeerCloses(monitor::SocketEvents& events, int slot) {
        (*this)[slot].state = SocketState::Closing;
        events.OnClose(slot);
    }
    // Everything sent on `slot` since the last call.
    std::string TakeSent(int slot) { return std::exchange((*this)[slot].sent, std::string()); }
};

// A payload framed as on the wire.
inline std::string Framed(std::string_view payload) {
    return monitor::EncodeFrame(payload);
}

// Splits a stream of frames into their payloads.
inline std::vector<std::string> Payloads(std::string_view stream) {
    std::vector<std::string> payloads;
    while (stream.size() >= 2) {
        const int n = monitor::FrameLength(stream.substr(0, 2));
        if (n < 0 || stream.size() < static_cast<std::size_t>(n) + 2)
            break;
        payloads.emplace_back(stream.substr(2, static_cast<std::size_t>(n)));
        stream.remove_prefix(static_cast<std::size_t>(n) + 2);
    }
    return payloads;
}

} // namespace monitortest
