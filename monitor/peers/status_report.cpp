#include "monitor/peers/status_report.h"

#include "monitor/peers/frame.h"

namespace monitor {
namespace {

// Codes always travel as three digits; a value outside 0-999 would break the
// fixed layout, so it is clamped rather than written longer.
std::string ThreeDigits(int code) {
    if (code < 0)
        code = 0;
    if (code > 999)
        code = 999;
    std::string digits = std::to_string(code);
    return std::string(3 - digits.size(), '0') + digits;
}

std::string TwoDigits(int slot) {
    std::string digits = std::to_string(slot < 0 ? 0 : slot);
    return digits.size() < 2 ? "0" + digits : digits;
}

std::optional<int> DigitGroup(std::string_view entry, std::size_t start) {
    if (entry.size() < start + 3)
        return std::nullopt;
    int value = 0;
    for (std::size_t i = start; i < start + 3; ++i) {
        const char c = entry[i];
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace

std::string DllCode(const SharedState& state) {
    if (!state.DllChecksum)
        return ThreeDigits(kDllNotChecked);
    if (state.KessitResult == KessitOutcome::Failed)
        return ThreeDigits(kDllCheckFailed);
    // Without a genuine digest to compare with, the file says nothing either
    // way; only a failed check of the image in memory still counts.
    if (!state.DllJudged)
        return ThreeDigits(kDllNotChecked);
    return ThreeDigits(state.DllGenuine ? kDllGenuine : kDllNotGenuine);
}

std::string BuildOwnReport(const SharedState& state) {
    return ThreeDigits(state.GameStateCode) + ThreeDigits(state.SustStateCode) + DllCode(state) + "00" +
           state.PlayerName;
}

std::string BuildRelayedReport(std::string_view entry, int slot, std::string_view remoteAddress) {
    std::string relayed(entry.substr(0, 9));
    relayed += TwoDigits(slot);
    relayed.append(remoteAddress);
    relayed += ' ';
    if (entry.size() > 11)
        relayed.append(entry.substr(11));
    return relayed;
}

bool HoldsReport(std::string_view entry) {
    // Anything longer than "Empty": a stored entry is either that or a whole
    // report (at least the 11 characters of its digits).
    return entry.size() > sizeof kEmptySlot - 1;
}

RelayedEntry ReadRelayed(std::string_view report) {
    RelayedEntry relayed;
    relayed.free = report.size() <= 10 || report.compare(0, 3, "Emp") == 0;
    const int slot = TwoDigitValue(report, relayed.free ? 5 : 9);
    if (slot >= 0)
        relayed.slot = slot;
    return relayed;
}

ReportFields ReadReport(std::string_view entry) {
    ReportFields fields;
    fields.game = DigitGroup(entry, 0);
    fields.instances = DigitGroup(entry, 3);
    fields.dll = DigitGroup(entry, 6);
    if (entry.size() > 11)
        fields.tail = std::string(entry.substr(11));
    return fields;
}

} // namespace monitor
