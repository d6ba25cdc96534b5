#include "monitor/local_tick.h"

namespace monitor {

std::string GameStateText(const SharedState& state) {
    return state.GameStateCode == kGameStarted ? "Game started" : "Game not started";
}

std::string DllStateText(const SharedState& state) {
    return state.GameStateCode == kGameStarted && state.DllChecksum ? "Checked !" : "Not Checked";
}

std::string InstanceCountText(const SharedState& state) {
    // SustStateCode is 0 until the first scan has counted anything.
    if (state.SustStateCode < kNoSust)
        return {};
    return std::to_string(state.SustStateCode - kNoSust);
}

int TakeRole(SharedState& state, bool server, TimePoint now) {
    state.IsServer = server ? 1 : 0;
    state.PeerTable.fill(kEmptySlot);
    state.PeerLastSeen.fill(TimePoint{});
    state.CandidateServers.fill(kNoCandidate);
    state.CandidateCursor = 0;
    state.LastUpdateText.clear();
    state.GameWatchStart = now;
    state.LastServerUpdate = now;
    return server ? kServerTickMs : kJoinerTickMs;
}

void ApplyInspectionSettings(GameScan& scan, const InspectionSettings& settings) {
    scan.SetGameDllName(settings.GameDllName);
    scan.SetGenuineDigests(settings.GenuineDigests);
}

void RunGameChecks(GameScan& scan) {
    scan.RefreshProcessIds();
    scan.ScanGameProcesses();
}

void ShowLocalState(const SharedState& state, LocalStateView& view) {
    view.SetGameStateText(GameStateText(state));
    view.SetDllStateText(DllStateText(state));
    view.SetInstanceCountText(InstanceCountText(state));
}

void RunLocalTick(SharedState& state, GameScan& scan, LocalStateView& labels, EvaluationView& view,
                  const ClockPort& clock, const DateTimeFormat& format) {
    // The game and DLL labels show what the previous checks found; the
    // instance count shows this tick's.
    labels.SetGameStateText(GameStateText(state));
    labels.SetDllStateText(DllStateText(state));
    RunGameChecks(scan);
    labels.SetInstanceCountText(InstanceCountText(state));
    EvaluateStatus(state, view, clock, format);
}

} // namespace monitor
