// The socket array that makes the real one at the first Listen or Connect.
#include "monitor/peers/lazy_socket_array.h"
#include "monitor/peers/machine_address.h"
#include "tests/support/fake_sockets.h"

#include <gtest/gtest.h>
#include <regex>

namespace {

using monitor::LazySocketArray;
using monitor::SocketState;

struct Maker {
    int calls = 0;
    int members = -1;
    monitor::SocketEvents* events = nullptr;
    monitortest::FakeSockets* made = nullptr;
    bool fail = false;

    monitor::SocketArrayMaker Function() {
        return [this](int count, monitor::SocketEvents* to) -> std::unique_ptr<monitor::SocketArray> {
            ++calls;
            members = count;
            events = to;
            if (fail)
                return nullptr;
            auto sockets = std::make_unique<monitortest::FakeSockets>(count);
            made = sockets.get();
            return sockets;
        };
    }
};

class NoEvents final : public monitor::SocketEvents {
public:
    void OnConnectionRequest(int, int) override {}
    void OnConnect(int) override {}
    void OnDataArrival(int, std::size_t) override {}
    void OnClose(int) override {}
};

TEST(LazySocketArray, AnswersAsClosedMembersUntilTheFirstListenOrConnect) {
    Maker maker;
    LazySocketArray sockets(31, maker.Function());
    EXPECT_EQ(sockets.Count(), 31);
    EXPECT_EQ(sockets.Add(), 31);
    EXPECT_EQ(sockets.Count(), 32);
    sockets.Close(0);
    sockets.Send(0, "00hello");
    sockets.Accept(0, 1);
    sockets.Reject(1);
    EXPECT_EQ(sockets.State(5), SocketState::Closed);
    EXPECT_EQ(sockets.BytesAvailable(0), 0u);
    EXPECT_EQ(sockets.Read(0, 10), "");
    EXPECT_EQ(sockets.Peek(0, 10), "");
    EXPECT_EQ(sockets.RemoteAddress(3), "");
    EXPECT_EQ(sockets.RemoteHost(3), "");
    EXPECT_EQ(sockets.LocalAddress(0), monitor::MachineAddress());
    EXPECT_EQ(maker.calls, 0);
    EXPECT_FALSE(sockets.Made());

    // The first Connect makes the real array once, with every member added
    // so far and the events set; from then on everything goes to it.
    NoEvents events;
    sockets.SetEvents(&events);
    sockets.Connect(0, "198.51.100.7", 12125);
    ASSERT_EQ(maker.calls, 1);
    EXPECT_EQ(maker.members, 32);
    EXPECT_EQ(maker.events, &events);
    ASSERT_TRUE(maker.made);
    EXPECT_EQ(maker.made->connects.size(), 1u);
    maker.made->localAddress = "192.0.2.77";
    EXPECT_EQ(sockets.LocalAddress(0), "192.0.2.77");
    EXPECT_TRUE(sockets.Listen(1, 4000));
    EXPECT_EQ(sockets.State(1), SocketState::Listening);
    EXPECT_EQ(sockets.Add(), 32);
    EXPECT_EQ(maker.made->Count(), 33);
    EXPECT_EQ(maker.calls, 1);
}

TEST(LazySocketArray, AFailedMakerIsAskedOnceAndListeningFails) {
    Maker maker;
    maker.fail = true;
    LazySocketArray sockets(31, maker.Function());
    EXPECT_FALSE(sockets.Listen(0, 12125));
    sockets.Connect(0, "198.51.100.7", 12125);
    EXPECT_FALSE(sockets.Listen(0, 12125));
    EXPECT_EQ(maker.calls, 1);
    EXPECT_EQ(sockets.State(0), SocketState::Closed);
    EXPECT_EQ(sockets.Count(), 31);

    // Without any maker the same holds.
    LazySocketArray none(31, nullptr);
    EXPECT_FALSE(none.Listen(0, 12125));
}

TEST(MachineAddress, IsADottedIpv4Address) {
    const std::string address = monitor::MachineAddress();
    EXPECT_TRUE(std::regex_match(address, std::regex(R"(\d{1,3}\.\d{1,3}\.\d{1,3}\.\d{1,3})"))) << address;
}

} // namespace
