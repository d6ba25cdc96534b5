#include "tests/monitor/peers/loopback_pair.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace peerstest {

LoopbackPair MakeLoopbackPair() {
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(listener, 1);
    socklen_t length = sizeof address;
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    LoopbackPair pair;
    pair.client = socket(AF_INET, SOCK_STREAM, 0);
    connect(static_cast<int>(pair.client), reinterpret_cast<sockaddr*>(&address), sizeof address);
    pair.accepted = accept(listener, nullptr, nullptr);
    close(listener);
    return pair;
}

bool SendAll(std::intptr_t descriptor, const std::string& bytes) {
    for (std::size_t sent = 0; sent < bytes.size();) {
        const ssize_t n =
            send(static_cast<int>(descriptor), bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

long ReceiveSome(std::intptr_t descriptor, char* buffer, std::size_t size) {
    return static_cast<long>(recv(static_cast<int>(descriptor), buffer, size, 0));
}

void CloseEnd(std::intptr_t descriptor) {
    close(static_cast<int>(descriptor));
}

void SleepMilliseconds(int ms) {
    usleep(static_cast<useconds_t>(ms) * 1000);
}

} // namespace peerstest
