#pragma once

#include "monitor/clock.h"
#include "monitor/date_time_format.h"
#include "monitor/shared_state.h"

#include <string>

namespace monitor {

// What the evaluation needs of the monitor window.
class EvaluationView {
public:
    virtual ~EvaluationView() = default;
    virtual void ClearStatusList() = 0;               // List1
    virtual void AddStatusLine(std::string line) = 0; // List1
    virtual void SetCounts(std::string text) = 0;     // Label6
    virtual void AddLogLine(std::string line) = 0;    // List2, then scrolled to the new line
    virtual void PlayWarningSound() = 0;              // "SystemHand"
    virtual void SaveLog() = 0;                       // the "Save Log" action
    virtual std::string PlayerCountText() const = 0;  // Text1
    virtual std::string RemoteAddress(int socketSlot) const = 0;
};

// Only these peer table slots are shown and counted. Every entry is judged:
// a game has up to 47 players, and a copy or a DLL on the 22nd is no less
// a reason to warn.
inline constexpr int kShownSlots = 21;

// Rebuilds the status list from the peer table, sets the counts, raises the
// warnings (log line, sound, log save) and refreshes GameWatchStart while the
// local game is not started.
//
// Each shown entry gives two status lines: who (on the server the slot's
// remote address and the tail, on a joiner the tail) and what, built of
// " Game NOT Started," / " Game Started," and " Sust NOT running" /
// " Sust running", plus " DLL NOT original" when the DLL warning fires.
// An entry is shown when it is longer than 5 characters. A digit group that
// is missing or not three digits matches no rule: it adds no mark, counts as
// neither started nor not started, and raises nothing (the DLL is judged only
// when the game digits are readable too), so a garbled group never causes a
// warning and never stops the run.
void EvaluateStatus(SharedState& state, EvaluationView& view, const ClockPort& clock,
                    const DateTimeFormat& format);

} // namespace monitor
