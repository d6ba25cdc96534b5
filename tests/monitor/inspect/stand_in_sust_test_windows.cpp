// The game scan with the toolhelp walk of this machine: stand-in games started
// by the test in an installation of their own, found by the module walk of
// another process. Other tests may run stand-ins at the same time, so the
// scan looks only at the processes this test started.
#include "monitor/inspect/game_scan.h"
#include "monitor/inspect/sha256.h"
#include "tests/monitor/inspect/inspect_test_platform.h"
#include "tests/support/game_scan_rig.h"
#include "tests/support/temp_dir.h"

#include <windows.h>

#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <set>

namespace {

using monitor::KessitOutcome;
using testsupport::TempDir;

constexpr DWORD kAnswerTimeoutMs = 30000; // Wine may start slowly on a busy machine

// One running stand-in game, talking over its standard input and output.
class StandIn {
public:
    StandIn(const std::string& program, const std::string& options) {
        SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        HANDLE childIn = nullptr;
        HANDLE childOut = nullptr;
        if (!CreatePipe(&childIn, &m_to, &inherit, 0)) {
            return;
        }
        if (!CreatePipe(&m_from, &childOut, &inherit, 0)) {
            CloseHandle(childIn);
            return;
        }
        // Only the child's ends may be inherited, or the child would keep its
        // own input open and never see it close.
        SetHandleInformation(m_to, HANDLE_FLAG_INHERIT, 0);
        SetHandleInformation(m_from, HANDLE_FLAG_INHERIT, 0);

        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = childIn;
        startup.hStdOutput = childOut;
        startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
        std::string commandLine = "\"" + program + "\"" + (options.empty() ? "" : " " + options);
        PROCESS_INFORMATION info{};
        const bool started = CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0,
                                            nullptr, nullptr, &startup, &info) != 0;
        CloseHandle(childIn);
        CloseHandle(childOut);
        if (!started) {
            m_failure = "CreateProcess failed, error " + std::to_string(GetLastError());
            return;
        }
        CloseHandle(info.hThread);
        m_process = info.hProcess;
        m_pid = info.dwProcessId;
        const std::string first = ReadLine();
        m_ready = first == "ok";
        if (!m_ready) {
            m_failure = "start-up answer: " + first;
        }
    }
    ~StandIn() {
        if (m_to) {
            CloseHandle(m_to); // the stand-in ends when its input closes
        }
        if (m_process) {
            if (WaitForSingleObject(m_process, 0) != WAIT_OBJECT_0) {
                TerminateProcess(m_process, 1);
            }
            WaitForSingleObject(m_process, kAnswerTimeoutMs);
            CloseHandle(m_process);
        }
        if (m_from) {
            CloseHandle(m_from);
        }
    }
    StandIn(const StandIn&) = delete;
    StandIn& operator=(const StandIn&) = delete;

    bool Ready() const { return m_ready; }
    const std::string& Failure() const { return m_failure; }
    std::uint32_t Pid() const { return m_pid; }

    std::string Command(const std::string& command) {
        const std::string line = command + "\n";
        DWORD written = 0;
        if (!WriteFile(m_to, line.data(), static_cast<DWORD>(line.size()), &written, nullptr) ||
            written != line.size()) {
            return "write failed";
        }
        return ReadLine();
    }

    // Waits until the process has ended; true when it did in time.
    bool WaitForExit() {
        return m_process && WaitForSingleObject(m_process, kAnswerTimeoutMs) == WAIT_OBJECT_0;
    }

private:
    // One line of the answer, without its line end. Polls the pipe so that a
    // broken stand-in fails the test after the timeout instead of hanging it.
    std::string ReadLine() {
        const ULONGLONG deadline = GetTickCount64() + kAnswerTimeoutMs;
        for (;;) {
            const std::size_t end = m_pending.find('\n');
            if (end != std::string::npos) {
                std::string line = m_pending.substr(0, end);
                m_pending.erase(0, end + 1);
                if (!line.empty() && line.back() == '\r') {
                    line.pop_back();
                }
                return line;
            }
            if (m_pending.size() > 1000) {
                return "overlong answer: " + m_pending.substr(0, 80);
            }
            DWORD available = 0;
            if (!PeekNamedPipe(m_from, nullptr, 0, nullptr, &available, nullptr)) {
                return "no answer (pipe closed): " + m_pending;
            }
            if (available == 0) {
                if (GetTickCount64() > deadline) {
                    return "no answer: " + m_pending;
                }
                Sleep(5);
                continue;
            }
            char buffer[256];
            DWORD got = 0;
            if (!ReadFile(m_from, buffer, available < sizeof buffer ? available : sizeof buffer, &got,
                          nullptr)) {
                return "no answer (read failed): " + m_pending;
            }
            m_pending.append(buffer, got);
        }
    }

    HANDLE m_process = nullptr;
    HANDLE m_to = nullptr;
    HANDLE m_from = nullptr;
    std::uint32_t m_pid = 0;
    bool m_ready = false;
    std::string m_failure;
    std::string m_pending;
};

// DIR\game\bin\ holds the stand-in and its libraries, DIR\sudtest.ini the
// game's settings (two folders up from the libraries).
struct GameInstallation {
    TempDir dir;
    std::string bin = (dir.path() / "game" / "bin" / "").string();

    GameInstallation() {
        std::filesystem::create_directories(bin);
        for (const char* file : {"stand_in_sust.exe", "n2text_dll.dll", "game_main.dll"}) {
            std::filesystem::copy_file(inspecttest::BinDirectory() + file, bin + file);
        }
        testsupport::WriteBytes(dir.path() / "sudtest.ini", "[Game]\r\nPlayer0=Tester\r\n");
    }
    std::unique_ptr<StandIn> Start(const std::string& options = {}) {
        return std::make_unique<StandIn>(bin + "stand_in_sust.exe", options);
    }
};

using Monitor = testsupport::GameScanRig;

TEST(StandInGamesUnderToolhelp, EachRunningCopyCountsUntilItQuits) {
    GameInstallation game;
    Monitor m;
    m.Tick();
    EXPECT_EQ(m.state.SustStateCode, 101);

    auto first = game.Start();
    ASSERT_TRUE(first->Ready()) << first->Failure();
    m.Watch(first->Pid());
    m.Tick();
    EXPECT_EQ(m.state.SustStateCode, 102);
    EXPECT_EQ(m.state.PlayerName, "Tester");
    EXPECT_EQ(m.state.GameStateCode, monitor::kGameNotStarted);
    EXPECT_FALSE(m.state.DllChecksum);

    auto second = game.Start();
    ASSERT_TRUE(second->Ready()) << second->Failure();
    m.Watch(second->Pid());
    m.Tick();
    EXPECT_EQ(m.state.SustStateCode, 103);
    EXPECT_EQ(m.state.PlayerName, "Tester");

    EXPECT_EQ(first->Command("quit"), "ok");
    EXPECT_TRUE(first->WaitForExit());
    m.Tick();
    EXPECT_EQ(m.state.SustStateCode, 102);

    EXPECT_EQ(second->Command("quit"), "ok");
    EXPECT_TRUE(second->WaitForExit());
    m.Tick();
    EXPECT_EQ(m.state.SustStateCode, 101);
    EXPECT_EQ(m.state.PlayerName, "Name not available! ATTENTION!");
}

TEST(StandInGamesUnderToolhelp, LoadedGameDllIsChecksummedAndJudgedByKessit) {
    GameInstallation game;
    Monitor m;
    auto copy = game.Start();
    ASSERT_TRUE(copy->Ready()) << copy->Failure();
    m.Watch(copy->Pid());
    m.Tick();
    EXPECT_EQ(m.state.GameStateCode, monitor::kGameNotStarted);

    ASSERT_EQ(copy->Command("load"), "ok");
    m.Tick();
    EXPECT_EQ(m.state.SustStateCode, 102);
    EXPECT_EQ(m.state.GameStateCode, monitor::kGameStarted);
    ASSERT_TRUE(m.state.DllChecksum);
    EXPECT_EQ(*m.state.DllChecksum, monitor::Sha256Hex(testsupport::ReadBytes(game.bin + "game_main.dll")));
    // The path comes from the other process's module record.
    EXPECT_TRUE(std::filesystem::equivalent(m.scan.GameDllPath(), game.bin + "game_main.dll"))
        << m.scan.GameDllPath();
    EXPECT_EQ(m.state.KessitResult, KessitOutcome::Passed);

    // A second copy whose game DLL was changed in memory marks the machine.
    auto patched = game.Start("--patch-game-dll");
    ASSERT_TRUE(patched->Ready()) << patched->Failure();
    m.Watch(patched->Pid());
    m.Tick();
    EXPECT_EQ(m.state.SustStateCode, 103);
    EXPECT_EQ(m.state.KessitResult, KessitOutcome::Failed);
    patched.reset();

    ASSERT_EQ(copy->Command("unload"), "ok");
    m.Tick();
    EXPECT_EQ(m.state.GameStateCode, monitor::kGameNotStarted);
    EXPECT_FALSE(m.state.DllChecksum);

    EXPECT_EQ(copy->Command("quit"), "ok");
    EXPECT_TRUE(copy->WaitForExit());
    m.Tick();
    EXPECT_EQ(m.state.SustStateCode, 101);
    EXPECT_EQ(m.state.PlayerName, "Name not available! ATTENTION!");
}

} // namespace
