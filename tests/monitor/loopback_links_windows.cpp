#include "tests/monitor/loopback_links.h"

#include <winsock2.h>
#include <ws2tcpip.h>

namespace monitortest {

LoopbackLinks::LoopbackLinks(int count) {
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) {
        m_error = "WSAStartup failed";
        return;
    }
    const SOCKET listener = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    if (listener == INVALID_SOCKET ||
        ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener, 8) != 0 ||
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        m_error = "cannot listen on loopback";
        return;
    }
    m_handles.push_back(static_cast<long long>(listener));
    m_port = ntohs(address.sin_port);
    for (int i = 0; i < count; ++i) {
        const SOCKET client = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (client == INVALID_SOCKET ||
            ::connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            m_error = "cannot connect on loopback";
            return;
        }
        m_handles.push_back(static_cast<long long>(client));
        const SOCKET accepted = ::accept(listener, nullptr, nullptr);
        if (accepted != INVALID_SOCKET)
            m_handles.push_back(static_cast<long long>(accepted));
    }
}

LoopbackLinks::~LoopbackLinks() {
    for (long long handle : m_handles)
        ::closesocket(static_cast<SOCKET>(handle));
    WSACleanup();
}

} // namespace monitortest
