#include "monitor/peers/frame.h"
#include "tests/monitor/engine_fixture.h"

#include <gtest/gtest.h>

using namespace monitortest;
using monitor::SocketState;

TEST(Frame, LengthPrefixAndTheCutOfLongPayloads) {
    EXPECT_EQ(monitor::EncodeFrame("123456789"), "09123456789");
    EXPECT_EQ(monitor::EncodeFrame("1234567890"), "101234567890");
    EXPECT_EQ(monitor::EncodeFrame(""), "00");
    const std::string longReport = Report(std::string(120, 'n'));
    const std::string frame = monitor::EncodeFrame(longReport);
    EXPECT_EQ(frame.substr(0, 2), "99");
    EXPECT_EQ(frame.size(), 101u);
    EXPECT_EQ(frame.substr(2), longReport.substr(0, 99)) << "cut at the end of the name";

    EXPECT_EQ(monitor::FrameLength("07"), 7);
    EXPECT_EQ(monitor::FrameLength("7 "), -1);
    EXPECT_EQ(monitor::FrameLength("-1"), -1);
    EXPECT_EQ(monitor::FrameLength("9"), -1);
    EXPECT_TRUE(monitor::HasReportShape("72110145600x"));
    EXPECT_FALSE(monitor::HasReportShape("Empty07 1.2.3.4 "));
    EXPECT_FALSE(monitor::HasReportShape("7211014560"));
}

TEST(PeerServer, AcceptsSilentlyAndTakesOneFramePerArrival) {
    EngineRig rig;
    rig.engine.Start(monitor::InspectionSettings{}, true);
    EXPECT_EQ(rig.sockets.listenPort, monitor::kDefaultMonitorPort);
    rig.sockets.Request(rig.engine, 1, "198.51.100.2");
    ASSERT_EQ(rig.sockets[1].state, SocketState::Connected);
    EXPECT_TRUE(rig.sockets[1].sent.empty()) << "the joiner speaks first";

    // Two frames together: the server keeps the first, the second waits.
    rig.sockets.Arrive(rig.engine, 1, Framed(Report("Anna")) + Framed(Report("Anna2")));
    EXPECT_EQ(rig.State().PeerTable[1], Report("Anna"));
    EXPECT_EQ(rig.State().PeerLastSeen[1], rig.clock.Steady());
    rig.sockets.Arrive(rig.engine, 1, "");
    EXPECT_EQ(rig.State().PeerTable[1], Report("Anna2"));

    // A split frame is taken whole once the rest is there.
    const std::string frame = Framed(Report("Bert"));
    rig.sockets.Arrive(rig.engine, 1, frame.substr(0, 1));
    rig.sockets.Arrive(rig.engine, 1, frame.substr(1, 6));
    EXPECT_EQ(rig.State().PeerTable[1], Report("Anna2"));
    rig.sockets.Arrive(rig.engine, 1, frame.substr(7));
    EXPECT_EQ(rig.State().PeerTable[1], Report("Bert"));
    EXPECT_TRUE(rig.sockets[1].unread.empty());
}

TEST(PeerServer, HostileFramesEndOnlyTheirOwnLink) {
    EngineRig rig;
    rig.ServerWithJoiners(3);

    // A joiner's "Empty" relay would blank a slot on every joiner: ignored.
    rig.sockets.Arrive(rig.engine, 1, Framed("Empty02 198.51.100.2 "));
    EXPECT_EQ(rig.State().PeerTable[1], Report("P1"));
    EXPECT_EQ(rig.sockets[1].state, SocketState::Connected);
    rig.sockets.Arrive(rig.engine, 1, Framed("19910238400"));
    EXPECT_EQ(rig.State().PeerTable[1], "19910238400") << "the shortest report shape is kept";

    // A prefix that is not two digits cannot be re-synchronised.
    rig.sockets.Arrive(rig.engine, 2, "x9" + Report("P2"));
    EXPECT_EQ(rig.sockets[2].state, SocketState::Closed);
    EXPECT_EQ(rig.State().PeerTable[2], "Empty");

    // A flood beyond the read cap.
    rig.sockets.Arrive(rig.engine, 3, "99" + std::string(monitor::kServerReadCap, '1'));
    EXPECT_EQ(rig.sockets[3].state, SocketState::Closed);

    EXPECT_EQ(rig.State().PeerTable[1], "19910238400");
    EXPECT_TRUE(rig.Log().empty());
    rig.engine.Tick();
    const auto relayed = Payloads(rig.sockets.TakeSent(1));
    ASSERT_EQ(relayed.size(), 31u);
    EXPECT_EQ(relayed[1], "19910238401198.51.100.1 ");
}

TEST(PeerServer, SlotsGrowOnDemandUpToTheLastSeenTable) {
    EngineRig rig;
    rig.ServerWithJoiners(30);
    EXPECT_EQ(rig.sockets.Count(), 31);
    rig.sockets.Request(rig.engine, 31, "198.51.100.31");
    EXPECT_EQ(rig.sockets.Count(), 32);
    EXPECT_EQ(rig.sockets[31].state, SocketState::Connected) << "slot 31 created on demand";

    // A free slot is reused before a new one is made.
    rig.sockets.PeerCloses(rig.engine, 5);
    rig.engine.BroadcastFrame("x"); // closes the closing socket
    rig.sockets.Request(rig.engine, 50, "198.51.100.50");
    EXPECT_EQ(rig.sockets[5].remote, "198.51.100.50");

    for (int id = 100; rig.sockets.Count() <= monitor::kLastServerSlot; ++id)
        rig.sockets.Request(rig.engine, id, "198.51.100." + std::to_string(id));
    EXPECT_EQ(rig.sockets[46].state, SocketState::Connected);
    rig.sockets.Request(rig.engine, 999, "198.51.100.61");
    EXPECT_EQ(rig.sockets.rejected, std::vector<int>{999}) << "no slot above 46";
    rig.sockets.Request(rig.engine, 1000, "198.51.100.62");
    EXPECT_EQ(rig.sockets.Count(), 48) << "refused requests do not grow the array";
}

TEST(PeerServer, ClosesAreLoggedOnlyForJoinersThatReported) {
    EngineRig rig;
    rig.ServerWithJoiners(1);
    rig.sockets.Request(rig.engine, 77, "198.51.100.9");
    ASSERT_EQ(rig.sockets[2].state, SocketState::Connected);
    rig.sockets.PeerCloses(rig.engine, 2);
    EXPECT_TRUE(rig.Log().empty()) << "a joiner gone before its first report";
    EXPECT_EQ(rig.sound.plays, 0);

    const int before = rig.evaluations;
    rig.sockets.PeerCloses(rig.engine, 1);
    EXPECT_EQ(rig.Log(), std::vector<std::string>{"P1 198.51.100.1 has disconnected!"});
    EXPECT_EQ(rig.sound.plays, 1);
    EXPECT_EQ(rig.State().PeerTable[1], "Empty");
    EXPECT_EQ(rig.evaluations, before + 1);
    EXPECT_EQ(rig.sockets[1].state, SocketState::Closing) << "closed by the next send";
    rig.engine.SendFrame("x", 1);
    EXPECT_EQ(rig.sockets[1].state, SocketState::Closed);
}

TEST(PeerJoiner, SearchesConnectsAndReportsFirst) {
    EngineRig rig;
    rig.engine.Start(monitor::InspectionSettings{});
    EXPECT_EQ(rig.timer.interval, 2500);
    EXPECT_EQ(rig.engine.Display().Label3, "Trying to connect to: ");

    rig.engine.Tick();
    EXPECT_EQ(rig.engine.Display().Label3, monitor::kNoServerText);
    EXPECT_TRUE(rig.sockets.connects.empty());
    EXPECT_EQ(rig.timer.interval, 1500);

    // Three nominations (one per row, not made unique); the joiner tries
    // them in turn, one per tick, and the end of the list starts it over.
    rig.table.rows = {Row({198, 51, 100, 1}, 40001, 2300), Row({198, 51, 100, 1}, 40002, 2300),
                      Row({198, 51, 100, 7}, 2350, 40000), Row({198, 51, 100, 7}, 40003, 6000)};
    for (int i = 0; i < 4; ++i)
        rig.engine.Tick();
    using Target = std::pair<std::string, int>;
    EXPECT_EQ(
        rig.sockets.connects,
        (std::vector<Target>{{"198.51.100.1", 12125}, {"198.51.100.1", 12125}, {"198.51.100.7", 12125}}));
    EXPECT_EQ(rig.sockets[0].state, SocketState::Closed) << "the failed attempt is closed";
    rig.engine.Tick();
    EXPECT_EQ(rig.sockets.connects.back(), Target("198.51.100.1", 12125));
    EXPECT_EQ(rig.engine.Display().Label3, "Trying to connect to: 198.51.100.1");

    rig.State().GameStateCode = 721;
    rig.State().SustStateCode = 102;
    rig.State().PlayerName = "Carl";
    rig.sockets.Complete(rig.engine, 0, "198.51.100.1");
    EXPECT_EQ(Payloads(rig.sockets.TakeSent(0)), std::vector<std::string>{"72110245600Carl"});
    rig.engine.Tick();
    EXPECT_EQ(rig.timer.interval, 5000);
    EXPECT_EQ(rig.engine.Display().Label3, "Connected to: 198.51.100.1    Last update : 12:00:00");
    const auto sent = Payloads(rig.sockets.TakeSent(0));
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].substr(9, 2), "00");

    // The game's host leaves this machine's connections.
    rig.table.rows.clear();
    rig.engine.Tick();
    EXPECT_EQ(rig.Log(), std::vector<std::string>{"No longer in game - disconnected!"});
    EXPECT_EQ(rig.sockets[0].state, SocketState::Closed);
    EXPECT_EQ(rig.engine.Display().Label3, "Connected to: 198.51.100.1    Last update : 12:00:00")
        << "the label still names the host it was connected to";
    rig.engine.Tick();
    EXPECT_EQ(rig.Log().size(), 1u) << "logged once, then searching again";
    EXPECT_EQ(rig.engine.Display().Label3, monitor::kNoServerText);
}

TEST(PeerJoiner, AppliesEveryWholeFrameAndEmptiesRelayedFreeSlots) {
    EngineRig rig;
    rig.JoinerConnectedTo("198.51.100.1");
    rig.clock.now += 3s;
    const std::string own = "19910238400Server";
    const std::string relay1 = "19910238401198.51.100.2 Dora";
    const std::string relay7 = "19910338407198.51.100.8 Emil";
    const std::string third = Framed("72110145603198.51.100.4 Fritz");
    rig.sockets.Arrive(rig.engine, 0, Framed(own) + Framed(relay1) + Framed(relay7) + third.substr(0, 10));
    EXPECT_EQ(rig.State().PeerTable[0], own);
    EXPECT_EQ(rig.State().PeerTable[1], relay1);
    EXPECT_EQ(rig.State().PeerTable[7], relay7);
    EXPECT_EQ(rig.State().LastServerUpdate, rig.clock.Steady());
    EXPECT_EQ(rig.State().LastUpdateText, "12:00:03");
    EXPECT_EQ(rig.sockets[0].unread, third.substr(0, 10)) << "the incomplete frame stays buffered";
    rig.sockets.Arrive(rig.engine, 0, third.substr(10));
    EXPECT_EQ(rig.State().PeerTable[3], "72110145603198.51.100.4 Fritz");

    // Free slots: "Empty" + slot + address + blank, or 10 characters or fewer.
    rig.sockets.Arrive(rig.engine, 0, Framed("Empty07198.51.100.8 ") + Framed("Empty01"));
    EXPECT_EQ(rig.State().PeerTable[7], "Empty");
    EXPECT_EQ(rig.State().PeerTable[1], "Empty");
    rig.State().PeerTable[13] = relay7;
    const auto before = rig.State().PeerTable;
    rig.sockets.Arrive(rig.engine, 0, Framed("1991013840") + Framed("Empty99 ") + Framed("19910138461x"));
    EXPECT_EQ(rig.State().PeerTable[13], "Empty") << "10 characters: the slot at frame characters 8-9";
    auto expected = before;
    expected[13] = "Empty";
    EXPECT_EQ(rig.State().PeerTable, expected) << "slots 99 and 61 name no slot and are ignored";

    // A broken prefix ends the link; the joiner searches again.
    rig.sockets.Arrive(rig.engine, 0, "ab" + own);
    EXPECT_EQ(rig.sockets[0].state, SocketState::Closed);
}

TEST(PeerJoiner, ServerCloseIsLoggedWithASound) {
    EngineRig rig;
    rig.JoinerConnectedTo("198.51.100.1");
    rig.sockets.PeerCloses(rig.engine, 0);
    EXPECT_EQ(rig.Log(), std::vector<std::string>{"Server has disconnected!"});
    EXPECT_EQ(rig.sound.plays, 1);
}
