#pragma once

#include <string>
#include <string_view>

// The expected number of players, kept as the text of the window's player
// count box (0 to 12). These are the rules applied to that text.
namespace monitor {

inline constexpr int kMaxPlayers = 12;

// Applied on every change of the text: any character that is not a digit
// makes the whole text "0"; empty text becomes "0"; a value above 12 becomes
// "12". Anything else (also leading zeros such as "07") is kept as it is.
// Applying it to its own result changes nothing.
std::string FilterPlayerCount(std::string_view text);

// The numeric value of a filtered text; long digit runs saturate instead of
// overflowing, and text that is not all digits counts as 0.
int PlayerCountValue(std::string_view text);

// "Add": value + 1, at most 12. "Sub": value - 1, at least 0.
std::string AddPlayer(std::string_view text);
std::string SubPlayer(std::string_view text);

} // namespace monitor
