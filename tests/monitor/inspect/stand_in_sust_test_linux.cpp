// The game scan on this machine's real processes: stand-in games started by
// the test in an installation of their own. Other programs (and other tests)
// may run stand-ins at the same time, so the scan looks only at this test's
// children.
#include "monitor/inspect/game_scan.h"
#include "monitor/inspect/sha256.h"
#include "tests/monitor/inspect/inspect_test_platform.h"
#include "tests/support/game_scan_rig.h"
#include "tests/support/temp_dir.h"

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <poll.h>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using monitor::KessitOutcome;
using testsupport::TempDir;

// One running stand-in game, talking over its standard input and output.
class StandIn {
public:
    StandIn(const std::string& program, const std::vector<std::string>& options) {
        int in[2];
        int out[2];
        if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) {
            return;
        }
        m_pid = fork();
        if (m_pid == 0) {
            dup2(in[0], 0);
            dup2(out[1], 1);
            std::vector<char*> argv{const_cast<char*>(program.c_str())};
            for (const auto& o : options) {
                argv.push_back(const_cast<char*>(o.c_str()));
            }
            argv.push_back(nullptr);
            execv(program.c_str(), argv.data());
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        m_to = in[1];
        m_from = out[0];
        m_ready = ReadLine() == "ok";
    }
    ~StandIn() {
        if (m_pid > 0) {
            close(m_to); // the stand-in ends when its input closes
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
            close(m_from);
        }
    }
    StandIn(const StandIn&) = delete;
    StandIn& operator=(const StandIn&) = delete;

    bool Ready() const { return m_ready; }
    std::uint32_t Pid() const { return static_cast<std::uint32_t>(m_pid); }

    std::string Command(const std::string& command) {
        const std::string line = command + "\n";
        if (write(m_to, line.data(), line.size()) != static_cast<ssize_t>(line.size())) {
            return "write failed";
        }
        return ReadLine();
    }

private:
    // One line of the answer; gives up after 10 s so a broken stand-in
    // fails the test instead of hanging it.
    std::string ReadLine() {
        std::string line;
        char c;
        while (line.size() < 1000) {
            pollfd p{m_from, POLLIN, 0};
            if (poll(&p, 1, 10000) <= 0 || read(m_from, &c, 1) != 1) {
                return "no answer: " + line;
            }
            if (c == '\n') {
                return line;
            }
            line += c;
        }
        return line;
    }

    pid_t m_pid = -1;
    int m_to = -1;
    int m_from = -1;
    bool m_ready = false;
};

// DIR/game/bin/ holds the stand-in and its libraries, DIR/sudtest.ini the
// game's settings (two folders up from the libraries).
struct GameInstallation {
    TempDir dir;
    std::string bin = (dir.path() / "game" / "bin" / "").string();

    GameInstallation() {
        std::filesystem::create_directories(bin);
        for (const char* file : {"stand_in_sust", "n2text_dll.dll", "game_main.dll"}) {
            std::filesystem::copy_file(inspecttest::BinDirectory() + file, bin + file);
        }
        testsupport::WriteBytes(dir.path() / "sudtest.ini", "[Game]\nPlayer0=Tester\n");
    }
    std::unique_ptr<StandIn> Start(std::vector<std::string> options = {}) {
        return std::make_unique<StandIn>(bin + "stand_in_sust", options);
    }
};

using Monitor = testsupport::GameScanRig;

TEST(StandInGames, EachRunningCopyCountsAndTheNameComesFromItsSettings) {
    GameInstallation game;
    Monitor m;
    m.Tick();
    EXPECT_EQ(m.state.SustStateCode, 101);
    EXPECT_EQ(m.state.PlayerName, "Name not available! ATTENTION!");

    std::vector<std::unique_ptr<StandIn>> copies;
    for (int expected = 102; expected <= 104; ++expected) {
        copies.push_back(game.Start());
        ASSERT_TRUE(copies.back()->Ready());
        m.Watch(copies.back()->Pid());
        m.Tick();
        EXPECT_EQ(m.state.SustStateCode, expected);
        EXPECT_EQ(m.state.PlayerName, "Tester");
        EXPECT_EQ(m.state.GameStateCode, monitor::kGameNotStarted);
    }
    copies.clear();
    m.Tick();
    EXPECT_EQ(m.state.SustStateCode, 101);
    EXPECT_EQ(m.state.PlayerName, "Name not available! ATTENTION!");
}

TEST(StandInGames, LoadedGameDllIsChecksummedAndJudgedByKessit) {
    GameInstallation game;
    Monitor m;
    auto copy = game.Start();
    ASSERT_TRUE(copy->Ready());
    m.Watch(copy->Pid());
    m.Tick();
    EXPECT_FALSE(m.state.DllChecksum);

    ASSERT_EQ(copy->Command("load"), "ok");
    m.Tick();
    EXPECT_EQ(m.state.GameStateCode, monitor::kGameStarted);
    ASSERT_TRUE(m.state.DllChecksum);
    std::string bytes = testsupport::ReadBytes(game.bin + "game_main.dll");
    EXPECT_EQ(*m.state.DllChecksum, monitor::Sha256Hex(bytes));
    EXPECT_EQ(m.scan.GameDllPath(), game.bin + "game_main.dll");
    EXPECT_EQ(m.state.KessitResult, KessitOutcome::Passed);

    // A second copy whose game DLL was changed in memory marks the machine.
    auto patched = game.Start({"--patch-game-dll"});
    ASSERT_TRUE(patched->Ready());
    m.Watch(patched->Pid());
    m.Tick();
    EXPECT_EQ(m.state.SustStateCode, 103);
    EXPECT_EQ(m.state.KessitResult, KessitOutcome::Failed);
    patched.reset();

    ASSERT_EQ(copy->Command("unload"), "ok");
    m.Tick();
    EXPECT_EQ(m.state.GameStateCode, monitor::kGameNotStarted);
    EXPECT_FALSE(m.state.DllChecksum);
    EXPECT_EQ(m.state.KessitResult, KessitOutcome::NoResult);
    EXPECT_EQ(copy->Command("quit"), "ok");
}

// A 32-bit game under Wine: its PE32 DLLs mapped the way Wine maps them, in an
// installation deep in a home folder (paths longer than Windows' 259
// characters), with the settings two folders above the DLLs.
TEST(StandInGames, A32BitGameUnderWineIsCountedNamedChecksummedAndJudged) {
    const std::string pe = inspecttest::BinDirectory() + "pe/";
    if (!std::filesystem::exists(pe + "pe32_game.dll"))
        GTEST_SKIP() << "PE test files were not built";
    TempDir dir;
    std::filesystem::path root = dir.path() / "home" / "player" / ".wine" / "drive_c";
    for (int i = 0; i < 6; ++i)
        root /= "Program Files (x86) deeply nested folder " + std::to_string(i);
    const std::filesystem::path bin = root / "game" / "bin";
    std::filesystem::create_directories(bin);
    std::filesystem::copy_file(pe + "pe32_n2text.dll", bin / "n2text_dll.dll");
    std::filesystem::copy_file(pe + "pe32_game.dll", bin / "game_main.dll");
    testsupport::WriteBytes(root / "sudtest.ini", "[Game]\r\nPlayer0=Wine Player\r\n");
    ASSERT_GT((bin / "game_main.dll").string().size(), 300u);

    Monitor m;
    StandIn game(inspecttest::BinDirectory() + "wine_mapped_game",
                 {(bin / "n2text_dll.dll").string(), (bin / "game_main.dll").string()});
    ASSERT_TRUE(game.Ready());
    m.Watch(game.Pid());
    m.Tick();
    EXPECT_EQ(m.state.SustStateCode, 102);
    EXPECT_EQ(m.state.PlayerName, "Wine Player");
    EXPECT_EQ(m.state.GameStateCode, monitor::kGameStarted);
    EXPECT_EQ(m.scan.GameDllPath(), (bin / "game_main.dll").string());
    ASSERT_TRUE(m.state.DllChecksum);
    EXPECT_EQ(*m.state.DllChecksum, monitor::Sha256Hex(testsupport::ReadBytes(bin / "game_main.dll")));
    EXPECT_EQ(m.state.KessitResult, KessitOutcome::Passed);

    ASSERT_EQ(game.Command("patch"), "ok");
    m.Tick();
    EXPECT_EQ(m.state.KessitResult, KessitOutcome::Failed);
    EXPECT_EQ(game.Command("quit"), "ok");
}

} // namespace
