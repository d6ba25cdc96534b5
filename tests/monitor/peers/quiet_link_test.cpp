// Quiet links on real loopback sockets: nothing sent is lost or reordered,
// whatever the system takes at once, and a close is seen after the last byte.
#include "monitor/peers/quiet_link.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
using Descriptor = SOCKET;
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
using Descriptor = int;
#endif

namespace {

void CloseSocket(Descriptor d) {
#ifdef _WIN32
    closesocket(d);
#else
    close(d);
#endif
}

// A connected pair on loopback: the client end (blocking) and the accepted
// end, handed to a quiet link.
struct LinkedPair {
    Descriptor client{};
    std::unique_ptr<monitor::QuietLink> link;

    LinkedPair() {
#ifdef _WIN32
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
#endif
        const Descriptor listener = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(listener, 1);
        socklen_t length = sizeof address;
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
        client = socket(AF_INET, SOCK_STREAM, 0);
        connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address);
        link = std::make_unique<monitor::QuietLink>(
            static_cast<std::intptr_t>(accept(listener, nullptr, nullptr)));
        CloseSocket(listener);
    }
    ~LinkedPair() {
        CloseSocket(client);
    }

    void Write(const std::string& bytes) const {
        for (std::size_t sent = 0; sent < bytes.size();) {
            const int n = send(client, bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
            ASSERT_GT(n, 0);
            sent += static_cast<std::size_t>(n);
        }
    }
    // Pulls until `count` bytes are buffered (or the link ends).
    bool PullUntil(std::size_t count) {
        for (int round = 0; round < 2000 && link->Buffered().size() < count; ++round) {
            if (!link->Pull(1 << 20))
                return false;
#ifdef _WIN32
            Sleep(1);
#else
            usleep(1000);
#endif
        }
        return true;
    }
};

std::string Pattern(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(i * 31 % 251);
    return bytes;
}

} // namespace

TEST(QuietLink, TakesWhatArrivedAndSeesTheCloseAfterTheLastByte) {
    LinkedPair pair;
    EXPECT_TRUE(pair.link->Pull(1024)); // nothing yet, still open
    EXPECT_TRUE(pair.link->Buffered().empty());
    EXPECT_EQ(pair.link->PeerAddress(), "127.0.0.1");
    pair.Write("hello");
    EXPECT_TRUE(pair.PullUntil(5));
    EXPECT_EQ(pair.link->Buffered(), "hello");
    pair.Write(" world");
    CloseSocket(pair.client);
    pair.client = socket(AF_INET, SOCK_STREAM, 0); // closed again by the pair
    bool open = true;
    for (int round = 0; round < 2000 && open; ++round)
        open = pair.link->Pull(1024);
    EXPECT_FALSE(open);
    EXPECT_EQ(pair.link->Buffered(), "hello world");
    EXPECT_FALSE(pair.link->Pull(1024)); // stays ended
}

TEST(QuietLink, APullStopsSoonAfterItsCap) {
    LinkedPair pair;
    pair.Write(Pattern(100000));
    // Wait for more than the cap to be there, then take with a small cap.
    std::size_t waited = 0;
    while (pair.link->Buffered().size() < 2000 && waited++ < 2000) {
        ASSERT_TRUE(pair.link->Pull(1));
        if (pair.link->Buffered().size() >= 2)
            break;
    }
    EXPECT_LE(pair.link->Buffered().size(), 1u + 16384u);
    ASSERT_TRUE(pair.PullUntil(100000));
    EXPECT_EQ(pair.link->Buffered(), Pattern(100000));
}

TEST(QuietLink, BytesThePeerDoesNotTakeWaitAndGoOutInOrder) {
    LinkedPair pair;
    // Far more than the system buffers while the peer reads nothing.
    const std::string bytes = Pattern(8u << 20);
    for (std::size_t at = 0; at < bytes.size(); at += 1u << 20)
        pair.link->Send(std::string_view(bytes).substr(at, 1u << 20));
    pair.link->Flush();
    EXPECT_GT(pair.link->Unsent(), 0u);
    std::string received;
    char chunk[65536];
    while (received.size() < bytes.size()) {
        const int n = recv(pair.client, chunk, sizeof chunk, 0);
        ASSERT_GT(n, 0);
        received.append(chunk, static_cast<std::size_t>(n));
        pair.link->Flush();
    }
    EXPECT_EQ(pair.link->Unsent(), 0u);
    EXPECT_TRUE(received == bytes);
}
