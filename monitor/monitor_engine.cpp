#include "monitor/monitor_engine.h"

#include "monitor/log/log_file.h"
#include "monitor/peers/status_report.h"

#include <algorithm>
#include <span>
#include <utility>

namespace monitor {
namespace {

std::string GameStateText(const SharedState& state) {
    return state.GameStateCode == kGameStarted ? "Game started" : "Game not started";
}

std::string DllStateText(const SharedState& state) {
    return state.GameStateCode == kGameStarted && state.DllChecksum ? "Checked !" : "Not Checked";
}

// The number of running game copies; empty before the first check.
std::string InstanceCountText(const SharedState& state) {
    if (state.SustStateCode < kNoSust)
        return {};
    return std::to_string(state.SustStateCode - kNoSust);
}

} // namespace

// The evaluation's view of the monitor: the lists live in the display.
class MonitorEngine::Evaluation final : public EvaluationView {
public:
    explicit Evaluation(MonitorEngine& engine) : m_engine(engine) {}
    void ClearStatusList() override { m_engine.m_display.List1.clear(); }
    void AddStatusLine(std::string line) override { m_engine.m_display.List1.push_back(std::move(line)); }
    void SetCounts(std::string text) override { m_engine.m_display.Label6 = std::move(text); }
    void AddLogLine(std::string line) override { m_engine.AddLogLine(std::move(line)); }
    void PlayWarningSound() override { m_engine.m_ports.Sound.PlayErrorSound(); }
    void SaveLog() override { m_engine.SaveLog(); }
    std::string PlayerCountText() const override { return m_engine.m_playerCount; }
    std::string RemoteAddress(int socketSlot) const override {
        return socketSlot < m_engine.m_ports.Sockets.Count()
                   ? m_engine.m_ports.Sockets.RemoteAddress(socketSlot)
                   : std::string();
    }

private:
    MonitorEngine& m_engine;
};

MonitorEngine::MonitorEngine(EnginePorts ports, EngineConfig config)
    : m_ports(std::move(ports)), m_config(std::move(config)),
      m_scan(m_state, m_ports.Inspector, m_ports.Kessit, m_ports.Errors) {}

MonitorEngine::~MonitorEngine() = default;

void MonitorEngine::Start(const InspectionSettings& settings, bool asServer) {
    // Loading the window: the dial-up address and the local address.
    m_state.ExternalAddress = m_ports.DialUpAddress ? m_ports.DialUpAddress() : std::string();
    m_display.ExternIP = m_state.ExternalAddress;
    m_display.InterIP = m_ports.Sockets.LocalAddress(0);
    m_state.IsServer = 0;

    m_state.MonitorPort = m_config.MonitorPort;
    m_state.KessitResult = KessitOutcome::NoResult;
    TakeJoinerRole();

    m_scan.SetGameDllName(settings.GameDllName);
    m_scan.SetGenuineDigests(settings.GenuineDigests);
    m_scan.RefreshProcessIds();
    m_scan.ScanGameProcesses();
    if (asServer)
        TakeServerRole();
    UpdateLocalLabels();
    m_display.Surun = InstanceCountText(m_state);
    m_display.MemoryNotice = m_scan.MemoryNotice();
    Evaluate();
    m_ports.Timer.Enable(true);
}

void MonitorEngine::ResetTables() {
    m_state.PeerTable.fill(kEmptySlot);
    m_state.CandidateServers.fill(kNoCandidate);
    m_state.PeerLastSeen.fill(SteadyPoint{});
}

void MonitorEngine::CloseAll() {
    for (int slot = 0; slot < m_ports.Sockets.Count(); ++slot)
        m_ports.Sockets.Close(slot);
}

void MonitorEngine::SetInterval(int ms) {
    m_interval = ms;
    m_ports.Timer.SetInterval(ms);
}

void MonitorEngine::TakeServerRole() {
    const TimePoint now = m_ports.Clock.Now();
    ResetTables();
    m_display.List1.clear();
    m_state.IsServer = 1;
    m_display.ServerButtonEnabled = false;
    m_display.JoinerButtonEnabled = true;
    CloseAll();
    m_state.PeerLastSeen[0] = m_ports.Clock.Steady();
    m_ports.Sockets.Close(0);
    if (!m_ports.Sockets.Listen(0, m_state.MonitorPort)) {
        // No joiner could ever reach a server that does not listen.
        const std::string text = "Cannot be the server: port " + std::to_string(m_state.MonitorPort) +
                                 " cannot be opened (another program may use it). Staying a joiner.";
        TakeJoinerRole();
        AddLogLine(text);
        m_ports.View.ShowMessage(text);
        return;
    }
    m_state.CandidateCursor = 0;
    m_display.StateText = kServerRoleText;
    m_display.Label3 = std::string(30, ' ');
    SetInterval(kServerTickMs);
    m_state.GameWatchStart = now;
    Changed();
}

void MonitorEngine::TakeJoinerRole() {
    const TimePoint now = m_ports.Clock.Now();
    ResetTables();
    m_display.List1.clear();
    m_display.JoinerButtonEnabled = false;
    m_display.ServerButtonEnabled = true;
    m_state.IsServer = 0;
    CloseAll();
    m_state.LastServerUpdate = m_ports.Clock.Steady();
    m_state.GameWatchStart = now;
    m_display.StateText = kJoinerRoleText;
    m_display.Label3 = "Trying to connect to: ";
    SetInterval(kJoinerRoleTickMs);
    Changed();
}

void MonitorEngine::UpdateLocalLabels() {
    m_display.StartetLabel = GameStateText(m_state);
    m_display.Correct = DllStateText(m_state);
    m_display.LocalPlayer = m_state.PlayerName;
}

void MonitorEngine::FindCandidates() {
    m_state.CandidateServers.fill(kNoCandidate);
    std::uint32_t size = 0;
    const std::uint32_t code = m_ports.TcpTable.Read(m_rows, size);
    if (code != 0) {
        m_ports.View.ShowMessage(TcpTableErrorText(code, size));
        return;
    }
    AnalyseTcpTable(m_rows, IsServer(), m_state.MonitorPort, m_state.ExternalAddress,
                    m_state.CandidateServers);
}

void MonitorEngine::Tick() {
    if (m_inTick)
        return;
    m_inTick = true;
    m_ports.Timer.Enable(false);
    // The joiners' frames and closes since the last tick (the server's links
    // wake nothing between ticks).
    if (IsServer())
        m_ports.Sockets.TakeArrivals();

    UpdateLocalLabels();
    if (!IsServer()) {
        for (int slot = 1; slot < m_ports.Sockets.Count(); ++slot) {
            if (m_ports.Sockets.State(slot) == SocketState::Connecting)
                m_ports.Sockets.Close(slot);
        }
        FindCandidates();
        if (m_state.CandidateServers[0] == kNoCandidate) {
            m_state.CandidateCursor = 0;
            m_display.Label3 = kNoServerText;
        }
        JoinerConnectTick();
    }

    m_scan.RefreshProcessIds();
    m_scan.ScanGameProcesses();
    m_display.Surun = InstanceCountText(m_state);
    m_display.LocalPlayer = m_state.PlayerName;
    m_display.MemoryNotice = m_scan.MemoryNotice();

    const std::string own = BuildOwnReport(m_state);
    if (IsServer()) {
        BroadcastFrame(own);
        for (int slot = 1; slot < m_ports.Sockets.Count(); ++slot) {
            if (m_ports.Sockets.State(slot) == SocketState::Closed && slot < kPeerSlots)
                m_state.PeerTable[slot] = kEmptySlot;
            const std::string entry = slot < kPeerSlots ? m_state.PeerTable[slot] : std::string(kEmptySlot);
            BroadcastFrame(BuildRelayedReport(entry, slot, m_ports.Sockets.RemoteAddress(slot)));
        }
    } else if (m_ports.Sockets.Count() > 0 && m_ports.Sockets.State(0) == SocketState::Connected) {
        SendFrame(own, 0);
    }

    DropSilentPeers(m_ports.Clock.Steady());
    Evaluate();
    m_ports.Timer.Enable(true);
    m_inTick = false;
}

void MonitorEngine::DropSilentPeers(SteadyPoint now) {
    if (IsServer()) {
        for (int slot = 1; slot < m_ports.Sockets.Count() && slot <= kLastServerSlot; ++slot) {
            if (m_ports.Sockets.State(slot) == SocketState::Closed)
                continue;
            const int seconds = SecondsField(now, m_state.PeerLastSeen[slot]);
            if (seconds <= kSilentSeconds)
                continue;
            const std::string& entry = m_state.PeerTable[slot];
            if (HoldsReport(entry)) {
                m_ports.Sound.PlayErrorSound();
                AddLogLine("No update from " + ReadReport(entry).tail + " " +
                           m_ports.Sockets.RemoteAddress(slot) + " since " + std::to_string(seconds) +
                           " seconds ! Disconnected!");
            }
            m_state.PeerTable[slot] = kEmptySlot;
            m_ports.Sockets.Close(slot);
        }
        return;
    }
    const int seconds = SecondsField(now, m_state.LastServerUpdate);
    if (seconds <= kSilentSeconds)
        return;
    if (m_ports.Sockets.State(0) == SocketState::Connected) {
        m_ports.Sound.PlayErrorSound();
        AddLogLine("No update from Server since " + std::to_string(seconds) +
                   " seconds ! Disconnected from server");
    }
    TakeJoinerRole();
}

void MonitorEngine::AddLogLine(std::string line) {
    m_display.List2.push_back(std::move(line));
    Changed();
}

void MonitorEngine::Warn(std::string line) {
    m_ports.Sound.PlayErrorSound();
    AddLogLine(std::move(line));
}

void MonitorEngine::SaveLog() {
    const std::string& directory = m_config.ProgramDirectory;
    // Only the lines that this run has not yet written: a warning that repeats
    // at every tick saves after each, and rewriting the whole list each time
    // would grow the file with the square of the run's length.
    const std::size_t from = std::min(m_savedLines, m_display.List2.size());
    const std::span<const std::string> pending(m_display.List2.data() + from, m_display.List2.size() - from);
    const common::Result<common::Done> saved = monitor::SaveLog(pending, directory);
    if (saved) {
        m_savedLines = m_display.List2.size();
        m_display.SaveLogError.clear();
        ++m_display.LogSaves;
    } else
        m_display.SaveLogError = saved.Error().Text;
    Changed();
}

void MonitorEngine::Evaluate() {
    Evaluation view(*this);
    EvaluateStatus(m_state, view, m_ports.Clock, m_ports.DateTime);
    Changed();
    if (m_config.AfterEvaluation)
        m_config.AfterEvaluation();
}

void MonitorEngine::Changed() {
    m_ports.View.DisplayChanged();
}

} // namespace monitor
