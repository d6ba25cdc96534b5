#include "monitor/peers/status_report.h"
#include "tests/monitor/engine_fixture.h"

#include <gtest/gtest.h>

using namespace monitortest;
using monitor::SocketState;

TEST(MonitorStart, TakesTheJoinerRoleOrTheServerRoleWhenAsked) {
    EngineRig rig;
    rig.dialUp = "203.0.113.5";
    rig.engine.Start(monitor::InspectionSettings{});
    const auto& d = rig.engine.Display();
    EXPECT_EQ(d.ExternIP, "203.0.113.5");
    EXPECT_EQ(rig.State().ExternalAddress, "203.0.113.5");
    EXPECT_EQ(d.InterIP, "192.0.2.10");
    EXPECT_EQ(d.StateText, "Joiner");
    EXPECT_FALSE(d.JoinerButtonEnabled);
    EXPECT_TRUE(d.ServerButtonEnabled);
    EXPECT_TRUE(rig.timer.enabled);
    EXPECT_EQ(rig.inspector.moduleWalks.size(), 0u);
    EXPECT_EQ(rig.State().GameStateCode, monitor::kGameNotStarted) << "the game checks ran once";

    EngineRig server;
    server.engine.Start(monitor::InspectionSettings{}, true);
    EXPECT_EQ(server.engine.Display().StateText, "Server");
    EXPECT_EQ(server.engine.Display().Label3, std::string(30, ' '));
    EXPECT_FALSE(server.engine.Display().ServerButtonEnabled);
    EXPECT_EQ(server.timer.interval, 8000);
    EXPECT_EQ(server.sockets.listenPort, 12125);
    EXPECT_EQ(server.State().PeerLastSeen[0], server.clock.Steady());
}

TEST(MonitorTick, ServerWithoutJoinersSendsNothingButEmptiesClosedSlots) {
    EngineRig rig;
    rig.engine.Start(monitor::InspectionSettings{}, true);
    rig.State().PeerTable[4] = Report("Ghost");
    rig.engine.Tick();
    for (int slot = 0; slot < rig.sockets.Count(); ++slot)
        EXPECT_TRUE(rig.sockets[slot].sent.empty());
    EXPECT_EQ(rig.State().PeerTable[4], "Empty");
    EXPECT_EQ(rig.table.reads, 0) << "the server does not look for servers";
    EXPECT_TRUE(rig.timer.enabled);
}

TEST(MonitorTick, ServerRelaysEverySlotToEveryJoiner) {
    EngineRig rig;
    rig.ServerWithJoiners(2);
    rig.State().PlayerName = "Host";
    rig.sockets[2].state = SocketState::Closing; // the second joiner has gone
    rig.engine.Tick();
    const auto frames = Payloads(rig.sockets.TakeSent(1));
    ASSERT_EQ(frames.size(), 31u) << "the server's report and one per slot 1..30";
    EXPECT_EQ(frames[0], monitor::BuildOwnReport(rig.State()));
    EXPECT_EQ(frames[1], "19910238401198.51.100.1 P1");
    EXPECT_EQ(frames[2], "Empty02198.51.100.2 ") << "closed by the first send, then relayed as free";
    EXPECT_EQ(frames[5], "Empty05 ");
    EXPECT_EQ(frames[30], "Empty30 ");
    EXPECT_EQ(rig.sockets[2].state, SocketState::Closed);

    // A relay longer than a frame holds is cut at the end of the name.
    rig.sockets.Arrive(rig.engine, 1, Framed(Report(std::string(88, 'L'))));
    rig.engine.Tick();
    const auto cut = Payloads(rig.sockets.TakeSent(1));
    ASSERT_EQ(cut.size(), 31u);
    EXPECT_EQ(cut[1].size(), 99u);
    EXPECT_EQ(cut[1].substr(0, 25), "19910238401198.51.100.1 L");
}

TEST(MonitorTick, SilentJoinersAreDroppedInSecondsThirtyOneToFiftyNine) {
    EngineRig rig;
    rig.ServerWithJoiners(2);
    const auto start = rig.clock.now;
    rig.clock.now = start + 30s;
    rig.sockets.Arrive(rig.engine, 2, Framed(Report("P2"))); // P2 keeps sending
    rig.engine.Tick();
    EXPECT_EQ(rig.sockets[1].state, SocketState::Connected);
    EXPECT_TRUE(rig.Log().empty());

    rig.clock.now = start + 31s;
    rig.engine.Tick();
    EXPECT_EQ(rig.Log(),
              std::vector<std::string>{"No update from P1 198.51.100.1 since 31 seconds ! Disconnected!"});
    EXPECT_EQ(rig.sound.plays, 1);
    EXPECT_EQ(rig.sockets[1].state, SocketState::Closed);
    EXPECT_EQ(rig.State().PeerTable[1], "Empty");
    EXPECT_EQ(rig.sockets[2].state, SocketState::Connected);

    // The seconds field, not the total: 75 s of silence give 15 and count not.
    rig.clock.now = start + 30s + 75s;
    rig.engine.Tick();
    EXPECT_EQ(rig.sockets[2].state, SocketState::Connected);
    rig.clock.now = start + 30s + 95s;
    rig.engine.Tick();
    EXPECT_EQ(rig.sockets[2].state, SocketState::Closed);
    EXPECT_EQ(rig.Log().back(), "No update from P2 198.51.100.2 since 35 seconds ! Disconnected!");
}

TEST(MonitorTick, SilenceAcrossMidnightStillDropsAPeer) {
    EngineRig rig;
    rig.clock.now = monitor::TimePoint{} + std::chrono::hours(24 * 20000) - 10s; // 23:59:50
    rig.ServerWithJoiners(1);
    rig.clock.now += 35s; // 00:00:25
    rig.engine.Tick();
    EXPECT_EQ(rig.sockets[1].state, SocketState::Closed);
    EXPECT_EQ(rig.Log().size(), 1u);
}

TEST(MonitorTick, AcceptedSocketWithoutAReportIsClosedSilentlyAfterThirtySeconds) {
    EngineRig rig;
    rig.engine.Start(monitor::InspectionSettings{}, true);
    rig.clock.now += 40s; // 12:00:40: a time counted from the day's start would be 40 s old
    rig.sockets.Request(rig.engine, 1, "198.51.100.2");
    rig.clock.now += 8s;
    rig.engine.Tick();
    EXPECT_EQ(rig.sockets[1].state, SocketState::Connected) << "a slow first report is not silence";
    rig.clock.now += 23s;
    rig.engine.Tick();
    EXPECT_EQ(rig.sockets[1].state, SocketState::Closed);
    EXPECT_TRUE(rig.Log().empty());
    EXPECT_EQ(rig.sound.plays, 0);
}

TEST(MonitorTick, JoinerRetakesItsRoleWhenTheServerFallsSilent) {
    EngineRig rig;
    rig.JoinerConnectedTo("198.51.100.1");
    rig.sockets.Arrive(rig.engine, 0, Framed("19910238400Server"));
    rig.clock.now += 31s;
    rig.engine.Tick();
    EXPECT_EQ(rig.Log(),
              std::vector<std::string>{"No update from Server since 31 seconds ! Disconnected from server"});
    EXPECT_EQ(rig.sound.plays, 1);
    EXPECT_EQ(rig.sockets[0].state, SocketState::Closed);
    EXPECT_EQ(rig.State().PeerTable[0], "Empty");
    EXPECT_EQ(rig.timer.interval, 2500);

    // Never connected: the role is taken again without a line.
    rig.table.rows.clear();
    rig.clock.now += 31s;
    rig.engine.Tick();
    EXPECT_EQ(rig.Log().size(), 1u);
    EXPECT_EQ(rig.State().LastServerUpdate, rig.clock.Steady());
}

TEST(MonitorTick, LabelsInstanceCountAndCandidates) {
    EngineRig rig;
    rig.inspector.walks = {{}};
    rig.engine.Start(monitor::InspectionSettings{});
    EXPECT_EQ(rig.engine.Display().Surun, "0");
    EXPECT_EQ(rig.engine.Display().StartetLabel, "Game not started");
    EXPECT_EQ(rig.engine.Display().Correct, "Not Checked");

    // Slots 1 and up still connecting are closed; the dial-up address is no candidate.
    rig.sockets[3].state = SocketState::Connecting;
    rig.dialUp = "unused after start";
    rig.State().ExternalAddress = "198.51.100.1";
    rig.table.rows = {Row({198, 51, 100, 1}, 40001, 2300), Row({198, 51, 100, 1}, 40002, 2300)};
    rig.engine.Tick();
    EXPECT_EQ(rig.sockets[3].state, SocketState::Closed);
    EXPECT_EQ(rig.State().CandidateServers[0], "0");

    // An unreadable table: the message, and no candidates.
    rig.table.code = 122;
    rig.table.size = 31024;
    rig.engine.Tick();
    EXPECT_EQ(rig.view.messages,
              std::vector<std::string>{"Error analyzing Netstate! Try to DISABLE P2P Software! 122:31024"});
    EXPECT_EQ(rig.engine.Display().Label3, monitor::kNoServerText);
}

TEST(MonitorTick, TicksNeverNest) {
    EngineRig rig;
    rig.engine.Start(monitor::InspectionSettings{});
    rig.table.code = 5;
    int nested = 0;
    // The message box runs events; a timer tick arriving there is skipped.
    rig.view.duringMessage = [&] {
        ++nested;
        EXPECT_FALSE(rig.timer.enabled);
        rig.engine.Tick();
    };
    const int enables = rig.timer.enables;
    rig.engine.Tick();
    EXPECT_EQ(nested, 1);
    EXPECT_EQ(rig.view.messages.size(), 1u);
    EXPECT_EQ(rig.timer.enables, enables + 1);
    EXPECT_TRUE(rig.timer.enabled);
}
