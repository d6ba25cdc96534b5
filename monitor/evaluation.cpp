#include "monitor/evaluation.h"

#include "monitor/peers/status_report.h"
#include "monitor/player_count.h"

#include <string>
#include <utility>

namespace monitor {
namespace {

constexpr int kSeveralInstances = 103; // 101 + 2 copies and up
constexpr int kWatchSeconds = 30;

void RaiseWarning(EvaluationView& view, std::string text) {
    view.AddLogLine(std::move(text));
    view.PlayWarningSound();
    view.SaveLog();
}

} // namespace

void EvaluateStatus(SharedState& state, EvaluationView& view, const ClockPort& clock,
                    const DateTimeFormat& format) {
    const TimePoint now = clock.Now();
    const bool server = state.IsServer == 1;
    const std::string stamp = format.ShortDate(now) + " " + format.ShortTime(now);

    view.ClearStatusList();
    int connected = 0;
    int started = 0;
    for (int slot = 0; slot < kPeerSlots; ++slot) {
        // A copy: the view's callbacks must not be able to change what is judged.
        const std::string entry = state.PeerTable[slot];
        if (!HoldsReport(entry))
            continue;
        const ReportFields report = ReadReport(entry);

        // The server names every machine by its socket's address; a joiner
        // knows only the server's (socket 0), the others carry theirs in the tail.
        const bool withAddress = server || slot == 0;
        const std::string address = withAddress ? view.RemoteAddress(server ? slot : 0) : std::string();
        const std::string who = withAddress ? report.tail + " " + address : report.tail;

        const bool shown = slot < kShownSlots;
        if (shown)
            view.AddStatusLine(server ? address + " " + report.tail : report.tail);

        std::string line = "    ";
        if (report.game) {
            if (*report.game == kGameNotStarted) {
                line += " Game NOT Started,";
            } else {
                line += " Game Started,";
                started += shown ? 1 : 0;
            }
        }
        if (report.instances) {
            if (*report.instances == kNoSust) {
                line += " Sust NOT running";
            } else if (*report.instances > kNoSust) {
                line += " Sust running";
                if (*report.instances >= kSeveralInstances)
                    RaiseWarning(view, "Multiple Sudden Strikes running on " + who + " machine! " + stamp);
            }
        }
        if (report.game && *report.game != kGameNotStarted && report.dll && *report.dll != kDllGenuine &&
            *report.dll != kDllNotChecked) {
            const std::string mark = *report.dll == kDllCheckFailed ? " '" : " ";
            // The server's text has no blank between "machine!" and the mark.
            const std::string machine = server ? " machine!" : " machine! ";
            RaiseWarning(view, "DLL not Original on " + who + machine + mark + stamp);
            line += " DLL NOT original";
        }
        if (shown) {
            view.AddStatusLine(std::move(line));
            ++connected;
        }
    }

    // Started games against the expected player count; the server's own game
    // is not in its table. Only while the local game runs, and only in
    // seconds 31 to 59 of each minute since it was last seen not running.
    const std::string playerCount = view.PlayerCountText();
    if (playerCount != "0" && state.GameStateCode == kGameStarted &&
        SecondsField(now, state.GameWatchStart) > kWatchSeconds) {
        const int expected = PlayerCountValue(playerCount) - (server ? 1 : 0);
        if (started != expected) {
            view.AddLogLine("There should be " + playerCount + " games started but only " +
                            std::to_string(started) + " are started!");
            view.AddLogLine("Ignore first 15 seconds after game start!");
            view.PlayWarningSound();
        }
    }
    if (state.GameStateCode != kGameStarted)
        state.GameWatchStart = now;

    view.SetCounts("Games started : " + std::to_string(started) +
                   ", Connected : " + std::to_string(connected));
}

} // namespace monitor
