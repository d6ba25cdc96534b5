#pragma once

#include "monitor/shared_state.h"

#include <optional>
#include <string>
#include <string_view>

// The status report: the text each monitor sends about its machine and the
// content of every peer table entry. Characters 1-3 game state, 4-6 game
// instances, 7-9 DLL state, 10-11 slot, 12 to the end the tail.
namespace monitor {

// DLL state codes (characters 7-9).
inline constexpr int kDllNotChecked = 456;
inline constexpr int kDllGenuine = 384;
inline constexpr int kDllNotGenuine = 381;
inline constexpr int kDllCheckFailed = 382;

// "456" while the DLL digest is not computed; otherwise "384" genuine or
// "381" not, and "382" instead of either when the kessit check failed. With
// no genuine digest configured the digest is not judged: "456", unless the
// kessit check failed ("382").
std::string DllCode(const SharedState& state);

// The own report: game state, instances, DLL code, slot "00", player name.
std::string BuildOwnReport(const SharedState& state);

// The server's relay of the entry of one of its slots: the entry's first 9
// characters, the slot in two digits, the slot's remote address, a blank and
// the entry's tail. A free slot ("Empty") thus becomes "Empty" + slot +
// address + " ".
std::string BuildRelayedReport(std::string_view entry, int slot, std::string_view remoteAddress);

// The fields of an entry as the evaluation reads them. A digit group is read
// only when all three of its characters are there and are digits; otherwise
// it stays empty. The tail is empty for entries of 11 characters or fewer.
struct ReportFields {
    std::optional<int> game;
    std::optional<int> instances;
    std::optional<int> dll;
    std::string tail;
};
ReportFields ReadReport(std::string_view entry);

// Whether a peer table entry holds a report rather than "Empty": only such a
// peer is named (by the entry's tail) in the warnings about its link.
bool HoldsReport(std::string_view entry);

// A report as a joiner receives it from the server: the slot it is for (its
// characters 10-11, or the two digits after "Empty" for a free slot), and
// whether the slot is free. No slot when those digits are not digits.
struct RelayedEntry {
    std::optional<int> slot;
    bool free = false;
};
RelayedEntry ReadRelayed(std::string_view report);

} // namespace monitor
