#include "monitor/peers/quiet_link.h"

#include <winsock2.h>
#include <ws2tcpip.h>

namespace monitor::quiet_link_os {

namespace {

SOCKET Handle(std::intptr_t descriptor) {
    return static_cast<SOCKET>(descriptor);
}

std::string Dotted(const sockaddr_storage& address) {
    char text[INET6_ADDRSTRLEN] = {};
    if (address.ss_family == AF_INET) {
        const auto& v4 = reinterpret_cast<const sockaddr_in&>(address);
        inet_ntop(AF_INET, &v4.sin_addr, text, sizeof text);
    } else if (address.ss_family == AF_INET6) {
        const auto& v6 = reinterpret_cast<const sockaddr_in6&>(address);
        inet_ntop(AF_INET6, &v6.sin6_addr, text, sizeof text);
    }
    return text;
}

int Clamp(std::size_t size) {
    return size > 1u << 30 ? 1 << 30 : static_cast<int>(size);
}

} // namespace

long Receive(std::intptr_t descriptor, char* buffer, std::size_t size) {
    const int got = recv(Handle(descriptor), buffer, Clamp(size), 0);
    if (got >= 0)
        return got;
    return WSAGetLastError() == WSAEWOULDBLOCK ? -1 : -2;
}

long Transmit(std::intptr_t descriptor, const char* bytes, std::size_t size) {
    const int taken = send(Handle(descriptor), bytes, Clamp(size), 0);
    if (taken >= 0)
        return taken;
    return WSAGetLastError() == WSAEWOULDBLOCK ? -1 : -2;
}

void MakeNonBlocking(std::intptr_t descriptor) {
    u_long on = 1;
    ioctlsocket(Handle(descriptor), FIONBIO, &on);
}

void CloseDescriptor(std::intptr_t descriptor) {
    closesocket(Handle(descriptor));
}

std::string PeerAddress(std::intptr_t descriptor) {
    sockaddr_storage address{};
    int length = sizeof address;
    if (getpeername(Handle(descriptor), reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return {};
    return Dotted(address);
}

std::string LocalAddress(std::intptr_t descriptor) {
    sockaddr_storage address{};
    int length = sizeof address;
    if (getsockname(Handle(descriptor), reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return {};
    return Dotted(address);
}

} // namespace monitor::quiet_link_os
