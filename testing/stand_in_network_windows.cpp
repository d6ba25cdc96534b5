#include "testing/stand_in_network.h"

#include <winsock2.h>
#include <ws2tcpip.h>

namespace testsupport {
namespace {

bool Started() {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

} // namespace

bool ListenForPlayers(int port, std::string& error) {
    const SOCKET s = Started() ? ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP) : INVALID_SOCKET;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port));
    if (s == INVALID_SOCKET || ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(s, 64) != 0) {
        error = "cannot listen on port " + std::to_string(port);
        return false;
    }
    return true;
}

bool ConnectToHost(const std::string& host, int port, int count, std::string& error) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port));
    if (!Started() || ::inet_pton(AF_INET, host.c_str(), &address.sin_addr) != 1) {
        error = "bad host address " + host;
        return false;
    }
    for (int i = 0; i < count; ++i) {
        const SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (s == INVALID_SOCKET || ::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            error = "cannot connect to " + host + ":" + std::to_string(port);
            return false;
        }
    }
    return true;
}

} // namespace testsupport
