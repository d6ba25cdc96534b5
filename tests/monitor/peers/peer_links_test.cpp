// The peer links under what real links do: late first relays, bunched frames
// after a stall, clocks stepped by NTP, peers that never read, one address
// asking for every slot, and names that carry control bytes.
#include "monitor/log/log_file.h"
#include "monitor/log/log_verify.h"
#include "monitor/peers/frame.h"
#include "tests/monitor/engine_fixture.h"
#include "tests/support/temp_dir.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

using namespace monitortest;
using monitor::SocketState;

namespace {

// One server tick as a joiner receives it: the server's report and a relay
// for each of 47 slots, every frame at its longest (101 bytes).
std::string FullServerTick() {
    std::string tick = Framed(Report("Server" + std::string(93, 's')));
    for (int slot = 1; slot <= 47; ++slot) {
        const std::string two = (slot < 10 ? "0" : "") + std::to_string(slot);
        tick += Framed("199102384" + two + "198.51.100.200 " + std::string(73, 'r'));
    }
    return tick;
}

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

TEST(PeerJoiner, ANewLinkCountsItsSilenceFromItsConnect) {
    EngineRig rig;
    rig.engine.Start(monitor::InspectionSettings{});
    // Searching for 25 s before the server is found.
    rig.clock.now += 25s;
    rig.table.rows = {Row({198, 51, 100, 1}, 40001, 2300), Row({198, 51, 100, 1}, 40002, 2300)};
    rig.engine.Tick();
    rig.sockets.Complete(rig.engine, 0, "198.51.100.1");
    // The server's first relay is a whole tick away.
    rig.clock.now += 7s;
    rig.engine.Tick();
    EXPECT_TRUE(rig.Log().empty());
    EXPECT_EQ(rig.sound.plays, 0);
    EXPECT_EQ(rig.sockets[0].state, SocketState::Connected);
    // A server that really stays silent is still dropped.
    rig.clock.now += 25s;
    rig.engine.Tick();
    EXPECT_EQ(rig.Log(),
              std::vector<std::string>{"No update from Server since 32 seconds ! Disconnected from server"});
}

TEST(PeerJoiner, SeveralFullServerTicksAfterAStallAreAllTaken) {
    EngineRig rig;
    rig.JoinerConnectedTo("198.51.100.1");
    const std::string tick = FullServerTick();
    ASSERT_GT(tick.size(), 4800u);
    std::string burst;
    for (int i = 0; i < 5; ++i)
        burst += tick;
    rig.sockets.Arrive(rig.engine, 0, burst);
    EXPECT_EQ(rig.sockets[0].state, SocketState::Connected);
    EXPECT_TRUE(rig.sockets[0].unread.empty()) << "every frame of the burst applied";
    EXPECT_EQ(rig.State().PeerTable[47].substr(0, 11), "19910238447");

    // Beyond the cap, a flood still ends the link.
    rig.sockets.Arrive(rig.engine, 0, "99" + std::string(monitor::kJoinerReadCap, '1'));
    EXPECT_EQ(rig.sockets[0].state, SocketState::Closed);
}

TEST(PeerServer, AJoinersFramesBunchedUpByAStallAreKept) {
    EngineRig rig;
    rig.ServerWithJoiners(1);
    // 30 s of a joiner's ticks (5 s each) plus its report on connect.
    std::string bunch;
    for (int i = 0; i < 7; ++i)
        bunch += Framed(Report("P1" + std::string(86, static_cast<char>('a' + i))));
    rig.sockets.ArriveAll(rig.engine, 1, bunch);
    EXPECT_EQ(rig.sockets[1].state, SocketState::Connected);
    EXPECT_EQ(rig.State().PeerTable[1], Report("P1" + std::string(86, 'g')));
}

// NTP or a user may step the wall clock; silence follows real time.
TEST(PeerSilence, FollowsRealTimeWhenTheWallClockIsStepped) {
    EngineRig server;
    server.ServerWithJoiners(2);
    server.clock.wallStep = -1h;
    server.clock.now += 31s;
    server.sockets.Arrive(server.engine, 2, Framed(Report("P2")));
    server.engine.Tick();
    EXPECT_EQ(server.sockets[1].state, SocketState::Closed) << "a step back does not freeze the drop";
    EXPECT_EQ(server.sockets[2].state, SocketState::Connected);

    server.clock.wallStep = +2h;
    server.engine.Tick();
    EXPECT_EQ(server.sockets[2].state, SocketState::Connected) << "a step forward drops nobody";
    EXPECT_EQ(server.Log().size(), 1u);

    EngineRig joiner;
    joiner.JoinerConnectedTo("198.51.100.1");
    joiner.clock.wallStep = 45s;
    joiner.clock.now += 5s;
    joiner.engine.Tick();
    EXPECT_TRUE(joiner.Log().empty());
    EXPECT_EQ(joiner.sockets[0].state, SocketState::Connected);
}

TEST(PeerServer, APeerThatNeverReadsIsClosedAtTheUnsentCap) {
    EngineRig rig;
    rig.ServerWithJoiners(2);
    rig.sockets[1].peerReads = false;
    int ticks = 0;
    while (rig.sockets[1].state == SocketState::Connected && ticks < 1000) {
        rig.sockets.Arrive(rig.engine, 1, Framed(Report("P1")));
        rig.sockets.Arrive(rig.engine, 2, Framed(Report("P2")));
        rig.engine.Tick();
        ++ticks;
    }
    EXPECT_EQ(rig.sockets[1].state, SocketState::Closed);
    EXPECT_LE(rig.sockets[1].unsent, monitor::kUnsentCap + 48 * 101) << "bounded";
    EXPECT_GT(ticks, 5) << "a few slow ticks are no reason to close";
    EXPECT_EQ(rig.State().PeerTable[1], "Empty");
    EXPECT_EQ(rig.sockets[2].state, SocketState::Connected);
}

TEST(PeerServer, OneAddressHoldsAtMostTwelveSlots) {
    EngineRig rig;
    rig.engine.Start(monitor::InspectionSettings{}, true);
    for (int id = 1; id <= 40; ++id)
        rig.sockets.Request(rig.engine, id, "203.0.113.66");
    int held = 0;
    for (int slot = 1; slot < rig.sockets.Count(); ++slot)
        held += rig.sockets[slot].state == SocketState::Connected ? 1 : 0;
    EXPECT_EQ(held, 12) << "a LAN party behind one address fits";
    EXPECT_EQ(rig.sockets.rejected.size(), 28u);
    rig.sockets.Request(rig.engine, 100, "198.51.100.7");
    EXPECT_EQ(rig.sockets[13].state, SocketState::Connected) << "other addresses still get in";
    // A slot given back can be taken again.
    rig.sockets.PeerCloses(rig.engine, 3);
    rig.engine.BroadcastFrame("x");
    rig.sockets.Request(rig.engine, 101, "203.0.113.66");
    EXPECT_EQ(rig.sockets[3].state, SocketState::Connected);
}

TEST(PeerServer, AFailedListenKeepsTheJoinerRoleAndSaysSo) {
    EngineRig rig;
    rig.sockets.listenFails = true;
    rig.engine.Start(monitor::InspectionSettings{}, true);
    EXPECT_FALSE(rig.engine.IsServer());
    EXPECT_EQ(rig.engine.Display().StateText, "Joiner");
    EXPECT_TRUE(rig.engine.Display().ServerButtonEnabled);
    ASSERT_EQ(rig.Log().size(), 1u);
    EXPECT_NE(rig.Log()[0].find("12125"), std::string::npos) << rig.Log()[0];
    EXPECT_EQ(rig.view.messages, rig.Log());

    // Once the port is free, pressing the button works.
    rig.sockets.listenFails = false;
    rig.engine.TakeServerRole();
    EXPECT_TRUE(rig.engine.IsServer());
    EXPECT_EQ(rig.sockets.listenPort, 12125);
}

// A name with CR or LF would split a log line and forge one that verifies.
TEST(PeerNames, ControlBytesNeverReachAListOrTheLog) {
    testsupport::TempDir dir;
    EngineRig rig(dir.str());
    rig.ServerWithJoiners(1);
    const std::string forged = "[Fake" + monitor::FormatLogLine("Mallory is innocent").substr(1);
    const std::string name = std::string("M\r\n") + forged + std::string("\0\x1b[31m\x7f", 7);
    rig.sockets.Arrive(rig.engine, 1, Framed(Report(name, "199", "103")));
    const std::string& entry = rig.State().PeerTable[1];
    for (char c : entry)
        EXPECT_FALSE(static_cast<unsigned char>(c) < 0x20 || c == 0x7F) << "byte " << int(c);
    rig.engine.Tick(); // warns about the copies, and saves the log
    rig.sockets.PeerCloses(rig.engine, 1);

    for (const auto& line : rig.engine.Display().List1)
        EXPECT_EQ(line.find_first_of(std::string("\r\n\0\x1b", 4)), std::string::npos);
    ASSERT_EQ(rig.Log().size(), 2u);
    for (const auto& line : rig.Log())
        EXPECT_EQ(line.find_first_of(std::string("\r\n\0\x1b", 4)), std::string::npos) << line;
    rig.engine.SaveLog();
    const std::string saved = ReadAll(dir.path() / monitor::kLogFileName);
    EXPECT_TRUE(monitor::VerifyLog(saved).empty());
    EXPECT_EQ(saved.find("\r\n[Fake"), std::string::npos) << "no line of the name's making";

    // The joiner filters the relays it is sent in the same way.
    EngineRig joiner;
    joiner.JoinerConnectedTo("198.51.100.1");
    joiner.sockets.Arrive(joiner.engine, 0,
                          Framed("19910238401198.51.100.2 A\nB\x1b" + std::string(1, '\0')));
    EXPECT_EQ(joiner.State().PeerTable[1], "19910238401198.51.100.2 A?B??");
}

// A warning repeats at every tick while an entry says so, and each one saves.
TEST(PeerLog, EachSaveAppendsOnlyTheLinesNotYetWritten) {
    testsupport::TempDir dir;
    EngineRig rig((dir.path() / "later").string() + "/");
    rig.ServerWithJoiners(1);
    rig.sockets.Arrive(rig.engine, 1, Framed(Report("Cheat", "199", "103")));
    rig.engine.Tick(); // the directory is missing: the save fails
    ASSERT_FALSE(rig.engine.Display().SaveLogError.empty());
    std::filesystem::create_directory(dir.path() / "later");
    for (int i = 0; i < 3; ++i) {
        rig.sockets.Arrive(rig.engine, 1, Framed(Report("Cheat", "199", "103")));
        rig.engine.Tick();
    }
    EXPECT_TRUE(rig.engine.Display().SaveLogError.empty());
    std::string expected;
    for (const auto& line : rig.Log())
        expected += monitor::FormatLogLine(line) + "\r\n";
    EXPECT_EQ(rig.Log().size(), 4u);
    EXPECT_EQ(ReadAll(dir.path() / "later" / monitor::kLogFileName), expected)
        << "every line once, the one of the failed save included";
}
