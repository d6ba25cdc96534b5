#pragma once

#include "monitor/clock.h"
#include "monitor/date_time_format.h"
#include "monitor/evaluation.h"
#include "monitor/inspect/game_scan.h"
#include "monitor/inspect/inspection_settings.h"
#include "monitor/shared_state.h"

#include <string>

// The part of the monitor tick that concerns this machine only: the labels of
// the local game state, the game checks and the evaluation. The peer links
// join in between these steps later.
namespace monitor {

inline constexpr int kServerTickMs = 8000;
inline constexpr int kJoinerTickMs = 1500;

inline constexpr char kServerRoleText[] = "Server";
inline constexpr char kJoinerRoleText[] = "Joiner";

// What the local tick shows in the window.
class LocalStateView {
public:
    virtual ~LocalStateView() = default;
    virtual void SetGameStateText(std::string text) = 0;     // StartetLabel
    virtual void SetDllStateText(std::string text) = 0;      // Correct
    virtual void SetInstanceCountText(std::string text) = 0; // surun
};

// "Game started" while the game DLL is loaded, else "Game not started".
std::string GameStateText(const SharedState& state);
// "Checked !" while the game runs and its DLL digest is known, else "Not Checked".
std::string DllStateText(const SharedState& state);
// The number of running game copies; empty before the first check.
std::string InstanceCountText(const SharedState& state);

// Takes the server or the joiner role: empties the peer and candidate tables,
// restarts the game watch and the server silence clock. Returns the tick
// interval of the role in milliseconds.
int TakeRole(SharedState& state, bool server, TimePoint now);

// Start-up before the first check: the module name and genuine digests of
// the game DLL.
void ApplyInspectionSettings(GameScan& scan, const InspectionSettings& settings);

// The game checks: a fresh process list, then the scan of the game.
void RunGameChecks(GameScan& scan);

// All three labels from the state as it is now.
void ShowLocalState(const SharedState& state, LocalStateView& view);

// One tick, local part, in order: the game and DLL labels from the previous
// checks, the game checks, the instance count, the evaluation.
void RunLocalTick(SharedState& state, GameScan& scan, LocalStateView& labels, EvaluationView& view,
                  const ClockPort& clock, const DateTimeFormat& format);

} // namespace monitor
