#pragma once

#include "gamelist/service/game_store.h"

#include <cstdint>
#include <string>
#include <vector>

namespace gamelist {

// What the web page and the JSON feed show: the open games, the mod classes
// of the list and the players watching, at `now`.
struct GameView {
    const std::vector<ListedGame>& games;
    const std::vector<std::string>& classes;
    std::size_t watchers;
    std::int64_t now;
};

// The open games as one HTML page (UTF-8, no script): grouped by mod class
// in the order of `classes` (a class is matched without regard to case;
// games of other classes follow under "Other classes"), each class with a
// link to its news page, each game with its name, map, players, comment,
// version and age. It refreshes itself every minute and fits a phone's width.
// Every field is escaped.
std::string RenderGamePage(const GameView& view);

// How long ago a game was posted, in words: "just now", "4 min", "1 h 5 min".
std::string AgeText(std::int64_t seconds);

} // namespace gamelist
