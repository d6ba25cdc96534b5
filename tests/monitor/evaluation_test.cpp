#include "monitor/evaluation.h"
#include "tests/support/fake_clock.h"
#include "tests/support/fixed_date_time.h"

#include <chrono>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace std::chrono_literals;
using monitor::SharedState;
using monitor::TimePoint;

namespace {

// Records every call in order, one text per call.
class RecordingView final : public monitor::EvaluationView {
public:
    void ClearStatusList() override {
        m_calls.push_back("clear");
        m_status.clear();
    }
    void AddStatusLine(std::string line) override {
        m_calls.push_back("status " + line);
        m_status.push_back(line);
    }
    void SetCounts(std::string text) override {
        m_calls.push_back("counts " + text);
        m_counts = text;
    }
    void AddLogLine(std::string line) override {
        m_calls.push_back("log " + line);
        m_log.push_back(line);
    }
    void PlayWarningSound() override { m_calls.push_back("sound"); }
    void SaveLog() override { m_calls.push_back("save"); }
    std::string PlayerCountText() const override { return m_playerCount; }
    std::string RemoteAddress(int slot) const override { return "10.0.0." + std::to_string(slot); }

    // The calls from the first log line on, without the status lines.
    std::vector<std::string> Warnings() const {
        std::vector<std::string> out;
        for (const auto& call : m_calls)
            if (call.rfind("status ", 0) != 0 && call != "clear" && call.rfind("counts ", 0) != 0)
                out.push_back(call);
        return out;
    }

    std::vector<std::string> m_calls;
    std::vector<std::string> m_status;
    std::vector<std::string> m_log;
    std::string m_counts;
    std::string m_playerCount = "0";
};

struct Fixture {
    SharedState state;
    RecordingView view;
    testsupport::FakeClock clock{TimePoint{} + 1000h};
    testsupport::FixedDateTime format{"24.12.2003", "21:05:09"};

    void Run() {
        view.m_calls.clear();
        view.m_log.clear();
        monitor::EvaluateStatus(state, view, clock, format);
    }
};

const std::string kStamp = "24.12.2003 21:05:09";

} // namespace

TEST(EvaluateStatus, ShowsEveryEntryOfTheFirst21SlotsWithTwoLines) {
    Fixture f;
    f.state.IsServer = 1;
    f.state.PeerTable[1] = "72110145601Anna";
    f.state.PeerTable[2] = "Empty";
    f.state.PeerTable[3] = "199102"; // six characters: still an entry
    f.state.PeerTable[20] = "19910238403Bert";
    f.state.PeerTable[21] = "19910238421Past"; // beyond the shown slots
    f.Run();
    EXPECT_EQ(f.view.m_calls.front(), "clear");
    EXPECT_EQ(f.view.m_status,
              (std::vector<std::string>{"10.0.0.1 Anna", "     Game NOT Started, Sust NOT running",
                                        "10.0.0.3 ", "     Game Started, Sust running", "10.0.0.20 Bert",
                                        "     Game Started, Sust running"}));
    EXPECT_EQ(f.view.m_counts, "Games started : 2, Connected : 3");
    EXPECT_TRUE(f.view.m_log.empty());
    EXPECT_EQ(f.view.m_calls.back(), "counts Games started : 2, Connected : 3");

    // A joiner shows the tail alone; its other entries carry the address there.
    f.state.IsServer = 0;
    f.state.PeerTable[0] = "72110145600Host";
    f.state.PeerTable[1] = "72110145601192.168.1.7 Anna";
    f.state.PeerTable[3] = "Empty";
    f.state.PeerTable[20] = "Empty";
    f.Run();
    EXPECT_EQ(f.view.m_status,
              (std::vector<std::string>{"Host", "     Game NOT Started, Sust NOT running", "192.168.1.7 Anna",
                                        "     Game NOT Started, Sust NOT running"}));
    EXPECT_EQ(f.view.m_counts, "Games started : 0, Connected : 2");

    // Nothing at all.
    Fixture empty;
    empty.Run();
    EXPECT_EQ(empty.view.m_calls,
              (std::vector<std::string>{"clear", "counts Games started : 0, Connected : 0"}));
}

TEST(EvaluateStatus, SeveralInstancesWarningNamesTheMachineByRoleAndSlot) {
    Fixture server;
    server.state.IsServer = 1;
    server.state.PeerTable[4] = "19910338404Cheater";
    server.Run();
    EXPECT_EQ(
        server.view.Warnings(),
        (std::vector<std::string>{
            "log Multiple Sudden Strikes running on Cheater 10.0.0.4 machine! " + kStamp, "sound", "save"}));
    EXPECT_EQ(server.view.m_status[1], "     Game Started, Sust running");

    Fixture joiner;
    joiner.state.PeerTable[0] = "72110445600Host"; // 104: three copies count too
    joiner.state.PeerTable[2] = "19910338402192.168.1.9 Other";
    joiner.Run();
    EXPECT_EQ(
        joiner.view.Warnings(),
        (std::vector<std::string>{
            "log Multiple Sudden Strikes running on Host 10.0.0.0 machine! " + kStamp, "sound", "save",
            "log Multiple Sudden Strikes running on 192.168.1.9 Other machine! " + kStamp, "sound", "save"}));

    // Raised again on every run while the entry says so.
    joiner.Run();
    EXPECT_EQ(joiner.view.m_log.size(), 2u);
}

TEST(EvaluateStatus, DllWarningOnlyWhileThatGameRunsWithMarkFor382) {
    Fixture server;
    server.state.IsServer = 1;
    server.state.PeerTable[1] = "19910238101Anna";
    server.state.PeerTable[2] = "19910238202Bert";
    server.state.PeerTable[3] = "72110238103Cleo"; // not started: not judged
    server.state.PeerTable[4] = "19910238404Dora";
    server.state.PeerTable[5] = "19910245605Emil";
    server.Run();
    EXPECT_EQ(server.view.Warnings(),
              (std::vector<std::string>{"log DLL not Original on Anna 10.0.0.1 machine! " + kStamp, "sound",
                                        "save", "log DLL not Original on Bert 10.0.0.2 machine! '" + kStamp,
                                        "sound", "save"}));
    EXPECT_EQ(server.view.m_status[1], "     Game Started, Sust running DLL NOT original");
    EXPECT_EQ(server.view.m_status[5], "     Game NOT Started, Sust running");

    Fixture joiner;
    joiner.state.PeerTable[0] = "19910238100Host";
    joiner.state.PeerTable[1] = "19910238201192.168.1.9 Anna";
    joiner.state.PeerTable[2] = "19910238102192.168.1.8 Bert";
    joiner.Run();
    EXPECT_EQ(joiner.view.m_log,
              (std::vector<std::string>{"DLL not Original on Host 10.0.0.0 machine!  " + kStamp,
                                        "DLL not Original on 192.168.1.9 Anna machine!  '" + kStamp,
                                        "DLL not Original on 192.168.1.8 Bert machine!  " + kStamp}));
}

// A game of 47: a player on a slot beyond the shown ones is not listed or
// counted, but a second copy or a foreign DLL there is still warned about.
TEST(EvaluateStatus, EntriesBeyondTheShownSlotsAreStillJudged) {
    Fixture f;
    f.state.IsServer = 1;
    f.state.PeerTable[40] = "19910338140Forty";
    f.Run();
    EXPECT_TRUE(f.view.m_status.empty());
    EXPECT_EQ(f.view.m_counts, "Games started : 0, Connected : 0");
    ASSERT_EQ(f.view.m_log.size(), 2u);
    EXPECT_EQ(f.view.m_log[0], "Multiple Sudden Strikes running on Forty 10.0.0.40 machine! " + kStamp);
    EXPECT_EQ(f.view.m_log[1].substr(0, 31), "DLL not Original on Forty 10.0.");
}

TEST(EvaluateStatus, BothWarningsForOneMachineInOrder) {
    Fixture f;
    f.state.IsServer = 1;
    f.state.PeerTable[6] = "19910338106Mallory";
    f.Run();
    EXPECT_EQ(f.view.Warnings(),
              (std::vector<std::string>{
                  "log Multiple Sudden Strikes running on Mallory 10.0.0.6 machine! " + kStamp, "sound",
                  "save", "log DLL not Original on Mallory 10.0.0.6 machine! " + kStamp, "sound", "save"}));
    EXPECT_EQ(f.view.m_status, (std::vector<std::string>{
                                   "10.0.0.6 Mallory", "     Game Started, Sust running DLL NOT original"}));
}

TEST(EvaluateStatus, GarbledEntriesAreShownButNeverJudged) {
    Fixture f;
    f.state.IsServer = 1;
    f.state.PeerTable[1] = "1x910338101Odd"; // game digits unreadable
    f.state.PeerTable[2] = "199-0338402Odd"; // instance digits unreadable
    f.state.PeerTable[3] = "19910338";       // DLL digits cut short
    f.state.PeerTable[4] = "garbage text";
    f.Run();
    // Readable groups are still judged: the instance digits of slots 1 and 3.
    EXPECT_EQ(f.view.m_log,
              (std::vector<std::string>{"Multiple Sudden Strikes running on Odd 10.0.0.1 machine! " + kStamp,
                                        "Multiple Sudden Strikes running on  10.0.0.3 machine! " + kStamp}));
    EXPECT_EQ(f.view.m_status, (std::vector<std::string>{
                                   "10.0.0.1 Odd", "     Sust running", "10.0.0.2 Odd", "     Game Started,",
                                   "10.0.0.3 ", "     Game Started, Sust running", "10.0.0.4 t", "    "}));
    EXPECT_EQ(f.view.m_counts, "Games started : 2, Connected : 4");
}

TEST(EvaluateStatus, StartedGamesAreComparedWithThePlayerCount) {
    Fixture f;
    f.state.IsServer = 1;
    f.state.GameStateCode = monitor::kGameStarted;
    f.state.GameWatchStart = f.clock.now - 45s;
    f.view.m_playerCount = "4";
    f.state.PeerTable[1] = "19910238401A";
    f.state.PeerTable[2] = "19910238402B";
    f.state.PeerTable[3] = "19910238403C";
    f.Run();
    EXPECT_TRUE(f.view.m_log.empty()) << "server: 3 started entries + its own game make 4";

    f.state.PeerTable[3] = "72110238403C";
    f.Run();
    EXPECT_EQ(f.view.Warnings(),
              (std::vector<std::string>{"log There should be 4 games started but only 2 are started!",
                                        "log Ignore first 15 seconds after game start!", "sound"}))
        << "no log save for this warning";

    // A joiner's table holds every game, the server's too.
    f.state.IsServer = 0;
    f.state.PeerTable[3] = "19910238403C";
    f.Run();
    EXPECT_EQ(f.view.m_log.front(), "There should be 4 games started but only 3 are started!");
    f.state.PeerTable[0] = "19910238400S";
    f.Run();
    EXPECT_TRUE(f.view.m_log.empty());

    // The player count text is quoted as it stands.
    f.view.m_playerCount = "07";
    f.Run();
    EXPECT_EQ(f.view.m_log.front(), "There should be 07 games started but only 4 are started!");

    // "0" switches the check off; so does a local game that is not running.
    f.view.m_playerCount = "0";
    f.Run();
    EXPECT_TRUE(f.view.m_log.empty());
    f.view.m_playerCount = "9";
    f.state.GameStateCode = monitor::kGameNotStarted;
    f.Run();
    EXPECT_TRUE(f.view.m_log.empty());
}

TEST(EvaluateStatus, WatchUsesTheSecondsFieldAndRestartsOnlyWhileTheGameIsNotRunning) {
    Fixture f;
    f.view.m_playerCount = "2"; // joiner, nothing started: always differs
    f.state.GameStateCode = monitor::kGameStarted;
    const TimePoint start = f.clock.now;
    f.state.GameWatchStart = start;

    const struct {
        std::chrono::milliseconds elapsed;
        bool warns;
    } cases[] = {{30s, false}, {30999ms, false}, {31s, true}, {59s, true},
                 {60s, false}, {90s, false},     {91s, true}, {-40s, false}};
    for (const auto& c : cases) {
        f.clock.now = start + c.elapsed;
        f.Run();
        EXPECT_EQ(!f.view.m_log.empty(), c.warns) << c.elapsed.count() << " ms";
        EXPECT_EQ(f.state.GameWatchStart, start) << "fixed while the local game runs";
    }

    // While the local game is not started the watch follows the clock.
    f.state.GameStateCode = monitor::kGameNotStarted;
    f.clock.now = start + 45s;
    f.Run();
    EXPECT_EQ(f.state.GameWatchStart, start + 45s);
    f.state.GameStateCode = monitor::kGameNotExamined;
    f.clock.now = start + 50s;
    f.Run();
    EXPECT_EQ(f.state.GameWatchStart, start + 50s);

    // Once it starts, the first 30 seconds are quiet.
    f.state.GameStateCode = monitor::kGameStarted;
    f.clock.now = start + 75s;
    f.Run();
    EXPECT_TRUE(f.view.m_log.empty());
    EXPECT_EQ(f.state.GameWatchStart, start + 50s);
    f.clock.now = start + 85s;
    f.Run();
    EXPECT_FALSE(f.view.m_log.empty());
}
