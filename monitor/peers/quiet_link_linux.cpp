#include "monitor/peers/quiet_link.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace monitor::quiet_link_os {

namespace {

bool WouldBlock() {
    return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
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

} // namespace

long Receive(std::intptr_t descriptor, char* buffer, std::size_t size) {
    const ssize_t got = recv(static_cast<int>(descriptor), buffer, size, MSG_DONTWAIT);
    if (got >= 0)
        return static_cast<long>(got);
    return WouldBlock() ? -1 : -2;
}

long Transmit(std::intptr_t descriptor, const char* bytes, std::size_t size) {
    const ssize_t taken = send(static_cast<int>(descriptor), bytes, size, MSG_DONTWAIT | MSG_NOSIGNAL);
    if (taken >= 0)
        return static_cast<long>(taken);
    return WouldBlock() ? -1 : -2;
}

void MakeNonBlocking(std::intptr_t descriptor) {
    const int flags = fcntl(static_cast<int>(descriptor), F_GETFL);
    if (flags >= 0)
        fcntl(static_cast<int>(descriptor), F_SETFL, flags | O_NONBLOCK);
}

void CloseDescriptor(std::intptr_t descriptor) {
    close(static_cast<int>(descriptor));
}

std::string PeerAddress(std::intptr_t descriptor) {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (getpeername(static_cast<int>(descriptor), reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return {};
    return Dotted(address);
}

std::string LocalAddress(std::intptr_t descriptor) {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (getsockname(static_cast<int>(descriptor), reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return {};
    return Dotted(address);
}

} // namespace monitor::quiet_link_os
