#pragma once

#include "monitor/peers/socket_array.h"

#include <functional>
#include <memory>
#include <string>

namespace monitor {

// Makes the real socket array with `members` members that reports to
// `events`; null when it cannot be made.
using SocketArrayMaker = std::function<std::unique_ptr<SocketArray>(int members, SocketEvents* events)>;

// A socket array that makes the real one only when a socket is first needed
// (the first Listen or Connect). Until then every member is closed, so every
// answer is known without it: the monitor idles in the joiner role without
// loading a network library as long as no server is in sight. A maker that
// fails is not asked again; listening then fails and connecting never
// succeeds, as with an unreachable network.
class LazySocketArray final : public SocketArray {
public:
    LazySocketArray(int initialMembers, SocketArrayMaker maker);
    ~LazySocketArray() override;

    void SetEvents(SocketEvents* events) { m_events = events; }
    bool Made() const { return m_real != nullptr; }

    int Count() const override;
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
    bool Make();

    int m_members;
    SocketArrayMaker m_maker;
    SocketEvents* m_events = nullptr;
    std::unique_ptr<SocketArray> m_real;
};

} // namespace monitor
