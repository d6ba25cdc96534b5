// The game scan against scripted walks, with real sudtest.ini and DLL files
// in a temporary installation.
#include "monitor/inspect/game_scan.h"
#include "monitor/inspect/inspection_settings.h"
#include "monitor/inspect/sha256.h"
#include "monitor/peers/status_report.h"
#include "tests/support/fake_inspection.h"
#include "tests/support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

using inspecttest::Module;
using monitor::KessitAnswer;
using monitor::KessitOutcome;
using testsupport::TempDir;
using testsupport::WriteBytes;

// An installation with its game folders: DIR/<copy>/bin/n2text_dll.dll and
// DIR/<copy>/../sudtest.ini, i.e. two folders up from the DLL's folder.
struct Installation {
    TempDir dir;
    std::string Bin(const std::string& copy) const {
        return (dir.path() / copy / "game" / "bin" / "").string();
    }
    void WriteName(const std::string& copy, const std::string& name) const {
        std::filesystem::create_directories(Bin(copy));
        WriteBytes(dir.path() / copy / "sudtest.ini", "[Game]\r\nPlayer0=" + name + "\r\n");
    }
};

struct Fixture {
    monitor::SharedState state;
    inspecttest::FakeInspector inspector;
    inspecttest::FakeKessit kessit;
    std::vector<monitor::ErrorReport> reports;
    monitor::GameScan scan{state, inspector, kessit, [this](const auto& r) { reports.push_back(r); }};

    void Tick() {
        scan.RefreshProcessIds();
        scan.ScanGameProcesses();
    }
};

TEST(GameScan, CountsGameCopiesAndReadsThePlayerNameOfTheLastCopy) {
    Installation inst;
    inst.WriteName("a", "Alice");
    inst.WriteName("b", "Bob");
    Fixture f;
    f.inspector.walks = {{1, 2, 3, 4}};
    f.inspector.modules[1] = {Module("kernel32.dll", "C:\\windows\\kernel32.dll", 1)};
    f.inspector.modules[2] = {Module("game.exe", inst.Bin("a") + "game.exe", 2),
                              Module("n2text_dll.dll", inst.Bin("a") + "n2text_dll.dll", 2)};
    // Capital letters count, and so does a longer name that begins alike.
    f.inspector.modules[4] = {Module("N2TEXT_DLL.DLL.old", inst.Bin("b") + "N2TEXT_DLL.DLL", 4)};

    EXPECT_EQ(f.state.GameStateCode, monitor::kGameNotExamined);
    f.Tick();
    EXPECT_EQ(f.state.SustStateCode, 103);
    EXPECT_EQ(f.state.PlayerName, "Bob");
    EXPECT_EQ(f.state.GameStateCode, monitor::kGameNotStarted);
    EXPECT_EQ(f.scan.GameIniPath(), inst.Bin("b") + "..\\..\\sudtest.ini");
    EXPECT_EQ(f.inspector.moduleWalks, (std::vector<std::uint32_t>{1, 2, 3, 4}));

    // A copy whose settings have no name.
    inst.WriteName("b", "");
    f.Tick();
    EXPECT_EQ(f.state.PlayerName, monitor::kUnknownPlayerName);
    // A long name is cut as the game's reader cuts it.
    inst.WriteName("b", std::string(300, 'n'));
    f.Tick();
    EXPECT_EQ(f.state.PlayerName, std::string(254, 'n'));
    // Control bytes in the name (an ini line ends at CR or LF, so those are
    // the peers' concern) are replaced before the name is shown or sent.
    inst.WriteName("b", std::string("Es\x1b[2Jc\tb\x7f"));
    f.Tick();
    EXPECT_EQ(f.state.PlayerName, "Es?[2Jc?b?");

    // No copy at all: the start values, and the ini path stays.
    f.inspector.modules.clear();
    f.Tick();
    EXPECT_EQ(f.state.SustStateCode, 101);
    EXPECT_EQ(f.state.GameStateCode, monitor::kGameNotStarted);
    EXPECT_EQ(f.state.PlayerName, monitor::kNoGameName);
    EXPECT_EQ(f.state.KessitResult, KessitOutcome::NoResult);
    EXPECT_FALSE(f.state.DllChecksum);
    EXPECT_FALSE(f.scan.GameIniPath().empty());

    // The filter limits the scan to accepted processes.
    f.inspector.modules[2] = {Module("n2text_dll.dll", inst.Bin("a") + "n2text_dll.dll", 2)};
    f.scan.SetProcessFilter([](std::uint32_t pid) { return pid != 2; });
    f.Tick();
    EXPECT_EQ(f.state.SustStateCode, 101);
}

TEST(GameScan, GameDllIsCheckedByKessitAndChecksummedOncePerGameStart) {
    Installation inst;
    const std::string dll = inst.Bin("a") + "game_main.dll";
    WriteBytes(dll, "the genuine game code");
    Fixture f;
    f.scan.SetGenuineDigests({monitor::Sha256Hex("the genuine game code")});
    f.inspector.walks = {{7, 8}};
    f.inspector.modules[7] = {Module("n2text_dll.dll", inst.Bin("a") + "n2text_dll.dll", 7),
                              Module("Game_Main.dll", dll, 7, 0x180000000, 0x21000)};
    f.inspector.modules[8] = {Module("game_main.dll", dll, 8, 0x10000, 0x400)};
    f.kessit.answers = {{"7", KessitAnswer::Passed}, {"8", KessitAnswer::Failed}};

    f.Tick();
    EXPECT_EQ(f.state.GameStateCode, monitor::kGameStarted);
    ASSERT_TRUE(f.state.DllChecksum);
    EXPECT_EQ(*f.state.DllChecksum, monitor::Sha256Hex("the genuine game code"));
    EXPECT_TRUE(f.state.DllGenuine);
    EXPECT_EQ(f.scan.GameDllPath(), dll);
    // One failed process marks the machine, in either order.
    EXPECT_EQ(f.state.KessitResult, KessitOutcome::Failed);
    ASSERT_EQ(f.kessit.calls.size(), 2u);
    EXPECT_EQ(f.kessit.calls[0], (std::vector<std::string>{"6442450944", "135168", "7"}));
    f.kessit.answers = {{"7", KessitAnswer::Failed}, {"8", KessitAnswer::Passed}};
    f.Tick();
    EXPECT_EQ(f.state.KessitResult, KessitOutcome::Failed);
    // An unanswered check changes nothing; a result of an earlier scan does not stay.
    f.kessit.answers = {{"7", KessitAnswer::Passed}};
    f.Tick();
    EXPECT_EQ(f.state.KessitResult, KessitOutcome::Passed);
    f.kessit.answers.clear();
    f.Tick();
    EXPECT_EQ(f.state.KessitResult, KessitOutcome::NoResult);

    // While the game runs the file is not read again.
    WriteBytes(dll, "patched game code");
    f.Tick();
    EXPECT_EQ(*f.state.DllChecksum, monitor::Sha256Hex("the genuine game code"));

    // The game ends: the checksum is forgotten, and the next start reads the
    // file afresh (now not genuine).
    const auto running = f.inspector.modules;
    f.inspector.modules.clear();
    f.Tick();
    EXPECT_FALSE(f.state.DllChecksum);
    EXPECT_EQ(f.state.GameStateCode, monitor::kGameNotStarted);
    f.inspector.modules = running;
    f.Tick();
    ASSERT_TRUE(f.state.DllChecksum);
    EXPECT_EQ(*f.state.DllChecksum, monitor::Sha256Hex("patched game code"));
    EXPECT_FALSE(f.state.DllGenuine);
    EXPECT_TRUE(f.state.DllJudged);
    EXPECT_TRUE(f.reports.empty());

    // Without any genuine digest the digest is computed but not judged.
    f.scan.SetGenuineDigests({});
    f.inspector.modules.clear();
    f.Tick();
    f.inspector.modules = running;
    f.kessit.answers.clear();
    f.Tick();
    ASSERT_TRUE(f.state.DllChecksum);
    EXPECT_FALSE(f.state.DllJudged);
    EXPECT_EQ(monitor::DllCode(f.state), "456");
}

TEST(GameScan, GameDllNameComparesFourteenCharacters) {
    Fixture f;
    f.inspector.walks = {{5}};
    f.scan.SetGameDllName("GAME_MAIN.DLL");
    f.inspector.modules[5] = {Module("game_main.dllx", "/x/game_main.dllx", 5)};
    f.Tick();
    EXPECT_EQ(f.state.GameStateCode, monitor::kGameNotStarted); // a 13-character name matches exactly

    f.scan.SetGameDllName("engine_sixteen.dll");
    f.inspector.modules[5] = {Module("engine_sixteen.dlx", "/x/engine_sixteen.dlx", 5)};
    f.Tick();
    EXPECT_EQ(f.state.GameStateCode, monitor::kGameStarted); // only 14 characters count
}

TEST(GameScan, ChecksumKeepsItsBusyFlagAndTimerHooksAndSurvivesUnreadableFiles) {
    TempDir dir;
    const std::string big = dir / "big.dll";
    WriteBytes(big, std::string(3u << 20, 'x') + "tail");
    Fixture f;
    std::vector<std::string> events;
    int secondAttempts = 0;
    f.scan.SetChecksumHooks({[&] { events.push_back("stop"); }, [&] { events.push_back("start"); },
                             [&] {
                                 events.push_back("block");
                                 EXPECT_EQ(f.scan.ChecksumBusy(), 1);
                                 EXPECT_FALSE(f.state.DllChecksum);
                                 // An event handler may try again meanwhile: it is refused.
                                 f.scan.ChecksumGameDll(big);
                                 ++secondAttempts;
                             }});
    f.scan.ChecksumGameDll(big);
    EXPECT_EQ(events, (std::vector<std::string>{"stop", "block", "block", "block", "start"}));
    EXPECT_EQ(secondAttempts, 3);
    EXPECT_EQ(f.scan.ChecksumBusy(), 0);
    ASSERT_TRUE(f.state.DllChecksum);
    EXPECT_EQ(*f.state.DllChecksum, monitor::Sha256Hex(std::string(3u << 20, 'x') + "tail"));

    // Known already: nothing happens.
    events.clear();
    f.scan.ChecksumGameDll(dir / "missing.dll");
    EXPECT_TRUE(events.empty());

    // A file that cannot be read leaves the checksum not yet computed, keeps
    // the timer going and reports an error line.
    f.state.DllChecksum.reset();
    f.scan.ChecksumGameDll(dir / "missing.dll");
    f.scan.ChecksumGameDll(dir.str()); // a directory
    EXPECT_FALSE(f.state.DllChecksum);
    EXPECT_EQ(f.scan.ChecksumBusy(), 0);
    EXPECT_EQ(events, (std::vector<std::string>{"stop", "start", "stop", "start"}));
    ASSERT_EQ(f.reports.size(), 2u);
    EXPECT_EQ(f.reports[0].Procedure, "ChecksumGameDll");
    EXPECT_NE(f.reports[0].Text.find("missing.dll"), std::string::npos);
}

TEST(InspectionSettings, ReadsDllNameAndGenuineDigests) {
    TempDir dir;
    const std::string a(64, 'a');
    const std::string b = "0123456789abcdef0123456789ABCDEF0123456789abcdef0123456789abcdef";
    WriteBytes(dir.path() / "varnok.ini",
               "[Game]\nDllName=Main_Game.dll\n[integrity]\nGenuine=" + a + ", " + b + " tooshort,,\n");
    const auto settings = monitor::ReadInspectionSettings(dir / "varnok.ini");
    EXPECT_EQ(settings.GameDllName, "Main_Game.dll");
    EXPECT_EQ(
        settings.GenuineDigests,
        (std::vector<std::string>{a, "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef"}));

    const auto defaults = monitor::ReadInspectionSettings(dir / "absent.ini");
    EXPECT_EQ(defaults.GameDllName, monitor::kDefaultGameDllName);
    EXPECT_TRUE(defaults.GenuineDigests.empty());
}

} // namespace

// The notice asks about the game's own process, and goes with the game.
TEST(GameScan, MemoryNoticeFollowsTheRunningGame) {
    Installation inst;
    const std::string dll = inst.Bin("a") + "game_main.dll";
    WriteBytes(dll, "code");
    Fixture f;
    std::vector<std::uint32_t> asked;
    f.scan.SetMemoryAccess([&](std::uint32_t pid) {
        asked.push_back(pid);
        return std::string("Memory check blocked (ptrace_scope 1)");
    });
    f.inspector.walks = {{7}};
    f.inspector.modules[7] = {Module("n2text_dll.dll", inst.Bin("a") + "n2text_dll.dll", 7),
                              Module("game_main.dll", dll, 7)};
    f.Tick();
    EXPECT_EQ(f.scan.MemoryNotice(), "Memory check blocked (ptrace_scope 1)");
    EXPECT_EQ(asked, std::vector<std::uint32_t>{7});
    f.inspector.modules.clear();
    f.Tick();
    EXPECT_TRUE(f.scan.MemoryNotice().empty());
}
