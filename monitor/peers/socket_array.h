#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Port: the array of TCP sockets that carries the peer links. Members are
// addressed by slot number; slot 0 is the server's listening socket or the
// joiner's link to the server, slots 1 and up the server's accepted links.
// Members are created on demand and never removed.
namespace monitor {

// The states the monitor tests, numbered as the socket control numbers them.
enum class SocketState : int { Closed = 0, Listening = 2, Connecting = 6, Connected = 7, Closing = 8 };

class SocketArray {
public:
    virtual ~SocketArray() = default;

    virtual int Count() const = 0;
    // Creates the next member and returns its slot number (the old count).
    virtual int Add() = 0;
    virtual SocketState State(int slot) const = 0;
    // Closes the socket and forgets anything still buffered on it.
    virtual void Close(int slot) = 0;
    // Listens on every local address at `port`. False when the port is taken.
    virtual bool Listen(int slot, int port) = 0;
    // Takes the waiting connection `requestId` (from a connection request)
    // on the socket of `slot`; Reject drops it unanswered.
    virtual void Accept(int slot, int requestId) = 0;
    virtual void Reject(int requestId) = 0;
    // Dotted address of the peer of a waiting connection; empty when unknown.
    virtual std::string RequestAddress(int requestId) const = 0;
    // Starts a connection; the outcome arrives as a connect event, or never.
    virtual void Connect(int slot, const std::string& host, int port) = 0;
    // Queues the bytes in one write. Nothing happens unless connected.
    virtual void Send(int slot, std::string_view bytes) = 0;
    virtual std::size_t BytesAvailable(int slot) const = 0;
    // Bytes written but not yet taken by the system (a peer that does not
    // read leaves them here).
    virtual std::size_t BytesToWrite(int slot) const = 0;
    virtual std::string Peek(int slot, std::size_t count) const = 0;
    virtual std::string Read(int slot, std::size_t count) = 0;
    // Dotted address of the peer; empty when there is none.
    virtual std::string RemoteAddress(int slot) const = 0;
    // The host name or address the socket was asked to connect to.
    virtual std::string RemoteHost(int slot) const = 0;
    // The local address of the socket, or the machine's own address when it
    // is not connected.
    virtual std::string LocalAddress(int slot) const = 0;
    // Accepted links may be kept out of the event loop: their arrivals and
    // closes are then reported only here, now, as events, and what waited to
    // be sent goes out. The server calls it at each tick.
    virtual void TakeArrivals() {}
};

// What the sockets report to the monitor, one event at a time.
class SocketEvents {
public:
    virtual ~SocketEvents() = default;
    virtual void OnConnectionRequest(int listeningSlot, int requestId) = 0;
    virtual void OnConnect(int slot) = 0;
    virtual void OnDataArrival(int slot, std::size_t bytesBuffered) = 0;
    // The peer has closed the link; the socket is in the closing state.
    virtual void OnClose(int slot) = 0;
};

} // namespace monitor
