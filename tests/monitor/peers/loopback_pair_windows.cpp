#include "tests/monitor/peers/loopback_pair.h"

#include <winsock2.h>
#include <ws2tcpip.h>

namespace peerstest {

LoopbackPair MakeLoopbackPair() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    const SOCKET listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(listener, 1);
    int length = sizeof address;
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    LoopbackPair pair;
    const SOCKET client = socket(AF_INET, SOCK_STREAM, 0);
    connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address);
    pair.client = static_cast<std::intptr_t>(client);
    pair.accepted = static_cast<std::intptr_t>(accept(listener, nullptr, nullptr));
    closesocket(listener);
    return pair;
}

bool SendAll(std::intptr_t descriptor, const std::string& bytes) {
    for (std::size_t sent = 0; sent < bytes.size();) {
        const int n = send(static_cast<SOCKET>(descriptor), bytes.data() + sent,
                           static_cast<int>(bytes.size() - sent), 0);
        if (n <= 0)
            return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

long ReceiveSome(std::intptr_t descriptor, char* buffer, std::size_t size) {
    return recv(static_cast<SOCKET>(descriptor), buffer, static_cast<int>(size), 0);
}

void CloseEnd(std::intptr_t descriptor) {
    closesocket(static_cast<SOCKET>(descriptor));
}

void SleepMilliseconds(int ms) {
    Sleep(static_cast<DWORD>(ms));
}

} // namespace peerstest
