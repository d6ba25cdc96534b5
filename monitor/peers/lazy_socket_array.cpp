#include "monitor/peers/lazy_socket_array.h"

#include "monitor/peers/machine_address.h"

#include <utility>

namespace monitor {

LazySocketArray::LazySocketArray(int initialMembers, SocketArrayMaker maker)
    : m_members(initialMembers), m_maker(std::move(maker)) {}

LazySocketArray::~LazySocketArray() = default;

bool LazySocketArray::Make() {
    if (m_real)
        return true;
    if (!m_maker)
        return false;
    // One attempt only: a missing library does not appear between ticks.
    SocketArrayMaker maker = std::move(m_maker);
    m_maker = nullptr;
    m_real = maker(m_members, m_events);
    return m_real != nullptr;
}

int LazySocketArray::Count() const {
    return m_real ? m_real->Count() : m_members;
}

int LazySocketArray::Add() {
    if (m_real)
        return m_real->Add();
    return m_members++;
}

SocketState LazySocketArray::State(int slot) const {
    return m_real ? m_real->State(slot) : SocketState::Closed;
}

void LazySocketArray::Close(int slot) {
    if (m_real)
        m_real->Close(slot);
}

bool LazySocketArray::Listen(int slot, int port) {
    return Make() && m_real->Listen(slot, port);
}

void LazySocketArray::Accept(int slot, int requestId) {
    if (m_real)
        m_real->Accept(slot, requestId);
}

void LazySocketArray::Reject(int requestId) {
    if (m_real)
        m_real->Reject(requestId);
}

void LazySocketArray::Connect(int slot, const std::string& host, int port) {
    if (Make())
        m_real->Connect(slot, host, port);
}

void LazySocketArray::Send(int slot, std::string_view bytes) {
    if (m_real)
        m_real->Send(slot, bytes);
}

std::string LazySocketArray::RequestAddress(int requestId) const {
    return m_real ? m_real->RequestAddress(requestId) : std::string();
}

std::size_t LazySocketArray::BytesToWrite(int slot) const {
    return m_real ? m_real->BytesToWrite(slot) : 0;
}

std::size_t LazySocketArray::BytesAvailable(int slot) const {
    return m_real ? m_real->BytesAvailable(slot) : 0;
}

std::string LazySocketArray::Peek(int slot, std::size_t count) const {
    return m_real ? m_real->Peek(slot, count) : std::string();
}

std::string LazySocketArray::Read(int slot, std::size_t count) {
    return m_real ? m_real->Read(slot, count) : std::string();
}

std::string LazySocketArray::RemoteAddress(int slot) const {
    return m_real ? m_real->RemoteAddress(slot) : std::string();
}

std::string LazySocketArray::RemoteHost(int slot) const {
    return m_real ? m_real->RemoteHost(slot) : std::string();
}

std::string LazySocketArray::LocalAddress(int slot) const {
    return m_real ? m_real->LocalAddress(slot) : MachineAddress();
}

void LazySocketArray::TakeArrivals() {
    if (m_real)
        m_real->TakeArrivals();
}

} // namespace monitor
