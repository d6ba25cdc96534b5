#pragma once

#include "monitor/clock.h"
#include "monitor/date_time_format.h"
#include "monitor/evaluation.h"
#include "monitor/inspect/error_report.h"
#include "monitor/inspect/game_scan.h"
#include "monitor/inspect/inspection_settings.h"
#include "monitor/inspect/kessit_port.h"
#include "monitor/inspect/process_inspector.h"
#include "monitor/inspect/tcp_table.h"
#include "monitor/peers/socket_array.h"
#include "monitor/shared_state.h"
#include "monitor/sound.h"

#include <functional>
#include <string>
#include <vector>

// The monitor: shared state, game scan, peer links, roles, start-up and the
// tick. Plain C++; the window shows what Display() holds and forwards clicks,
// timer ticks and socket events here.
namespace monitor {

inline constexpr int kServerTickMs = 8000;
inline constexpr int kJoinerRoleTickMs = 2500;
inline constexpr int kJoinerSearchTickMs = 1500;
inline constexpr int kJoinerConnectedTickMs = 5000;
// A server slot above this has no last-seen time: the link is refused.
inline constexpr int kLastServerSlot = kLastSeenSlots - 1;
// Candidates that the joiner tries in turn.
inline constexpr int kTriedCandidates = 21;
inline constexpr int kSilentSeconds = 30;
// Server slots that one remote address may hold at a time.
inline constexpr int kSlotsPerAddress = 12;

inline constexpr char kServerRoleText[] = "Server";
inline constexpr char kJoinerRoleText[] = "Joiner";
inline constexpr char kNoServerText[] = "No possible servers found. Connect to a game. Continue searching...";

// Everything the window shows, as the engine last set it.
struct MonitorDisplay {
    std::string StateText = kJoinerRoleText;
    std::string Label3 = "Trying to connect to:";
    std::string Label6;
    std::string StartetLabel = "Game not started";
    std::string Correct = "Not checked";
    std::string Surun;
    std::string ExternIP;
    std::string InterIP;
    std::string LocalPlayer;
    // Why the game DLL cannot be checked in memory; empty when it can.
    std::string MemoryNotice;
    std::vector<std::string> List1;
    std::vector<std::string> List2;
    bool ServerButtonEnabled = true; // "I am Server"
    bool JoinerButtonEnabled = true; // "I am a Joiner"
    // Set when the last log save failed; empty after a good one.
    std::string SaveLogError;
    // Good saves so far: each one leaves the last log line selected.
    int LogSaves = 0;
};

// Port: Timer1.
class TimerPort {
public:
    virtual ~TimerPort() = default;
    virtual void SetInterval(int ms) = 0;
    virtual void Enable(bool on) = 0;
};

// Port: what the window does for the engine.
class MonitorView {
public:
    virtual ~MonitorView() = default;
    // Something in the display has changed. New log lines are appended at the
    // end of List2 only.
    virtual void DisplayChanged() = 0;
    // A message box with one OK button.
    virtual void ShowMessage(const std::string& text) = 0;
};

struct EnginePorts {
    SocketArray& Sockets;
    TcpTableSource& TcpTable;
    ProcessInspector& Inspector;
    KessitPort& Kessit;
    SoundPort& Sound;
    const ClockPort& Clock;
    const DateTimeFormat& DateTime;
    TimerPort& Timer;
    MonitorView& View;
    // The own dial-up address, asked once at start-up.
    std::function<std::string()> DialUpAddress;
    // Where the game scan's internal errors go (never the log).
    ErrorReporter Errors;
};

struct EngineConfig {
    int MonitorPort = kDefaultMonitorPort;
    // Where "Save Log" writes varnok.LOG: the program directory.
    std::string ProgramDirectory;
    // Run after every evaluation (the status file).
    std::function<void()> AfterEvaluation;
};

class MonitorEngine final : public SocketEvents {
public:
    MonitorEngine(EnginePorts ports, EngineConfig config);
    ~MonitorEngine() override;
    MonitorEngine(const MonitorEngine&) = delete;
    MonitorEngine& operator=(const MonitorEngine&) = delete;

    // Start-up once the window is shown: the addresses, the port, the joiner
    // role, the game DLL settings, the game checks; `asServer` then takes the
    // server role as if "I am Server" were pressed. The timer then runs.
    void Start(const InspectionSettings& settings, bool asServer = false);

    // One tick of Timer1. A tick that would start inside another is skipped.
    void Tick();

    void TakeServerRole();
    void TakeJoinerRole();
    void SaveLog();
    // Adds a line to List2 (scrolled to by the window).
    void AddLogLine(std::string line);
    // Text1 as the window holds it.
    void SetPlayerCountText(std::string text) { m_playerCount = std::move(text); }
    const std::string& PlayerCountText() const { return m_playerCount; }

    // Socket events.
    void OnConnectionRequest(int listeningSlot, int requestId) override;
    void OnConnect(int slot) override;
    void OnDataArrival(int slot, std::size_t bytesBuffered) override;
    void OnClose(int slot) override;

    // The peer protocol's operations.
    int AllocateSocket();
    void SendFrame(const std::string& text, int slot);
    void BroadcastFrame(const std::string& text);
    void JoinerConnectTick();

    const SharedState& State() const { return m_state; }
    SharedState& State() { return m_state; }
    const MonitorDisplay& Display() const { return m_display; }
    GameScan& Scan() { return m_scan; }
    bool IsServer() const { return m_state.IsServer == 1; }
    int TimerInterval() const { return m_interval; }

private:
    class Evaluation;

    void ResetTables();
    void CloseAll();
    void SetInterval(int ms);
    void Warn(std::string line);
    void Evaluate();
    void Changed();
    void SendEncoded(const std::string& frame, int slot);
    void ServerArrival(int slot, std::size_t bytesBuffered);
    void JoinerArrival(std::size_t bytesBuffered);
    void ApplyRelayedFrame(const std::string& frame);
    void DropSilentPeers(SteadyPoint now);
    void FindCandidates();
    void UpdateLocalLabels();

    EnginePorts m_ports;
    EngineConfig m_config;
    SharedState m_state;
    GameScan m_scan;
    MonitorDisplay m_display;
    std::string m_playerCount = "0";
    std::vector<TcpRow> m_rows;
    int m_interval = kServerTickMs;
    bool m_inTick = false;
    // Lines of List2 that reached the log file in this run.
    std::size_t m_savedLines = 0;
};

} // namespace monitor
