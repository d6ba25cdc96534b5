// Quiet links on real loopback sockets: nothing sent is lost or reordered,
// whatever the system takes at once, and a close is seen after the last byte.
#include "monitor/peers/quiet_link.h"
#include "tests/monitor/peers/loopback_pair.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace {

// A connected pair on loopback: the client end (blocking) and the accepted
// end, handed to a quiet link.
struct LinkedPair {
    peerstest::LoopbackPair ends = peerstest::MakeLoopbackPair();
    std::unique_ptr<monitor::QuietLink> link = std::make_unique<monitor::QuietLink>(ends.accepted);

    ~LinkedPair() { CloseClient(); }
    void CloseClient() {
        if (ends.client != -1)
            peerstest::CloseEnd(ends.client);
        ends.client = -1;
    }
    void Write(const std::string& bytes) const { ASSERT_TRUE(peerstest::SendAll(ends.client, bytes)); }
    // Pulls until `count` bytes are buffered (or the link ends).
    bool PullUntil(std::size_t count) {
        for (int round = 0; round < 2000 && link->Buffered().size() < count; ++round) {
            if (!link->Pull(1 << 20))
                return false;
            peerstest::SleepMilliseconds(1);
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
    pair.CloseClient();
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
        const long n = peerstest::ReceiveSome(pair.ends.client, chunk, sizeof chunk);
        ASSERT_GT(n, 0);
        received.append(chunk, static_cast<std::size_t>(n));
        pair.link->Flush();
    }
    EXPECT_EQ(pair.link->Unsent(), 0u);
    EXPECT_TRUE(received == bytes);
}
