// The link switch's forwarding and the path of a frame over two lines,
// driven with made-up frames and times.
#include "testing/link_fabric.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

using linksim::Frame;
using linksim::LinkFabric;
using linksim::LinkTime;
using Ms = std::chrono::duration<double, std::milli>;

LinkTime At(double ms) {
    return LinkTime{} + std::chrono::duration_cast<LinkTime::duration>(Ms(ms));
}

constexpr std::uint8_t kBroadcast = 0xff;

// A frame from station `from` to station `to` (1-based; kBroadcast for all).
Frame FrameBetween(std::uint8_t from, std::uint8_t to) {
    std::vector<std::uint8_t> bytes(60, 0);
    if (to == kBroadcast) {
        std::fill(bytes.begin(), bytes.begin() + 6, 0xff);
    } else {
        bytes[0] = 0x02; // locally administered, unicast
        bytes[5] = to;
    }
    bytes[6] = 0x02;
    bytes[11] = from;
    return std::make_shared<const std::vector<std::uint8_t>>(std::move(bytes));
}

struct Delivery {
    std::size_t port;
    std::uint8_t from;
    double atMs;
};

// Runs the fabric up to `untilMs` in 1 ms steps and records what the hosts get.
std::vector<Delivery> RunUntil(LinkFabric& fabric, double fromMs, double untilMs, bool hostsTake = true) {
    std::vector<Delivery> deliveries;
    for (double t = fromMs; t <= untilMs; t += 1) {
        fabric.Advance(At(t), [&](std::size_t port, const std::vector<std::uint8_t>& frame) {
            deliveries.push_back({port, frame[11], t});
            return hostsTake;
        });
    }
    return deliveries;
}

std::vector<std::size_t> PortsOf(const std::vector<Delivery>& deliveries) {
    std::vector<std::size_t> ports;
    for (const Delivery& d : deliveries)
        ports.push_back(d.port);
    return ports;
}

TEST(LinkFabric, FloodsUntilItHasLearnedAStationThenSendsToItsPortOnly) {
    LinkFabric fabric(3, 1);
    // Station 2 is unknown: the frame goes everywhere but back.
    fabric.Receive(0, FrameBetween(1, 2), At(0));
    EXPECT_EQ(PortsOf(RunUntil(fabric, 0, 1)), (std::vector<std::size_t>{1, 2}));
    // Station 2 answers from port 1; station 1 was learned on port 0.
    fabric.Receive(1, FrameBetween(2, 1), At(2));
    EXPECT_EQ(PortsOf(RunUntil(fabric, 2, 3)), (std::vector<std::size_t>{0}));
    fabric.Receive(0, FrameBetween(1, 2), At(4));
    EXPECT_EQ(PortsOf(RunUntil(fabric, 4, 5)), (std::vector<std::size_t>{1}));
    // Broadcasts still reach every other port.
    fabric.Receive(2, FrameBetween(3, kBroadcast), At(6));
    EXPECT_EQ(PortsOf(RunUntil(fabric, 6, 7)), (std::vector<std::size_t>{0, 1}));
    // A station that moved is found on its new port.
    fabric.Receive(2, FrameBetween(2, 1), At(8));
    RunUntil(fabric, 8, 9);
    fabric.Receive(0, FrameBetween(1, 2), At(10));
    EXPECT_EQ(PortsOf(RunUntil(fabric, 10, 11)), (std::vector<std::size_t>{2}));
}

TEST(LinkFabric, AFrameCrossesTheSendersLineAndThenTheReceiversLine) {
    LinkFabric fabric(3, 1);
    fabric.Settings(0).delayMs = 30;
    fabric.Settings(1).delayMs = 20;
    fabric.Receive(0, FrameBetween(1, 2), At(0));
    const std::vector<Delivery> out = RunUntil(fabric, 0, 100);
    // Port 1's host gets it after both lines; port 2's after port 0's only.
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0].port, 2u);
    EXPECT_EQ(out[0].atMs, 30);
    EXPECT_EQ(out[1].port, 1u);
    EXPECT_EQ(out[1].atMs, 50);
    // The other way round crosses the same two lines.
    fabric.Receive(1, FrameBetween(2, 1), At(200));
    const std::vector<Delivery> back = RunUntil(fabric, 200, 300);
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].atMs, 250);
    EXPECT_FALSE(fabric.NextDue());
}

TEST(LinkFabric, CountsFramesAndDropsOnThePortWhoseLineDroppedThem) {
    LinkFabric fabric(2, 1);
    fabric.Settings(1).lossPercent = 100;
    for (int i = 0; i < 5; ++i)
        fabric.Receive(0, FrameBetween(1, 2), At(i));
    RunUntil(fabric, 0, 10);
    EXPECT_EQ(fabric.Counters(0).framesIn, 5u);
    EXPECT_EQ(fabric.Counters(0).droppedLoss, 0u);
    EXPECT_EQ(fabric.Counters(1).droppedLoss, 5u);
    EXPECT_EQ(fabric.Counters(1).framesOut, 0u);

    // A host that does not take a frame counts as a full queue.
    fabric.Settings(1).lossPercent = 0;
    fabric.Receive(0, FrameBetween(1, 2), At(20));
    RunUntil(fabric, 20, 21, false);
    EXPECT_EQ(fabric.Counters(1).droppedQueue, 1u);
    fabric.Receive(0, FrameBetween(1, 2), At(30));
    RunUntil(fabric, 30, 31);
    EXPECT_EQ(fabric.Counters(1).framesOut, 1u);

    // Runts are not frames.
    fabric.Receive(0, std::make_shared<const std::vector<std::uint8_t>>(10, 0), At(40));
    EXPECT_EQ(fabric.Counters(0).framesIn, 7u);
    EXPECT_FALSE(fabric.NextDue());
}

TEST(LinkFabric, ACutLineLosesTheFramesOnItAndHealsWhenJoined) {
    LinkFabric fabric(2, 1);
    fabric.Settings(0).delayMs = 50;
    fabric.Receive(0, FrameBetween(1, 2), At(0));
    fabric.Receive(1, FrameBetween(2, 1), At(0));
    fabric.Settings(0).partition = true; // while both are on port 0's line
    EXPECT_TRUE(RunUntil(fabric, 0, 100).empty());
    EXPECT_EQ(fabric.Counters(0).droppedPartition, 2u);

    fabric.Receive(0, FrameBetween(1, 2), At(110));
    EXPECT_TRUE(RunUntil(fabric, 110, 200).empty());
    EXPECT_EQ(fabric.Counters(0).droppedPartition, 3u);

    fabric.Settings(0).partition = false;
    fabric.Receive(0, FrameBetween(1, 2), At(300));
    EXPECT_EQ(RunUntil(fabric, 300, 400).size(), 1u);
}

} // namespace
