#include "monitor/player_count.h"

#include <algorithm>

namespace monitor {
namespace {

bool AllDigits(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

int PlayerCountValue(std::string_view text) {
    if (!AllDigits(text))
        return 0;
    // Saturating at a bound far above 12 keeps every comparison right.
    constexpr int kCap = 1000000;
    int value = 0;
    for (char c : text)
        value = std::min(kCap, value * 10 + (c - '0'));
    return value;
}

std::string FilterPlayerCount(std::string_view text) {
    if (text.empty() || !AllDigits(text))
        return "0";
    if (PlayerCountValue(text) > kMaxPlayers)
        return std::to_string(kMaxPlayers);
    return std::string(text);
}

std::string AddPlayer(std::string_view text) {
    return std::to_string(std::min(kMaxPlayers, PlayerCountValue(text) + 1));
}

std::string SubPlayer(std::string_view text) {
    return std::to_string(std::max(0, PlayerCountValue(text) - 1));
}

} // namespace monitor
