#pragma once

#include "gamelist/service/game_page.h"

#include <string>

namespace gamelist {

// The open games as JSON (UTF-8, the fields decoded from Windows-1252):
// {"time": seconds since the epoch, "watchers": N, "classes": [...],
//  "games": [{"name", "map", "players", "comment", "version", "class", "ip",
//  "posted" (the list's text), "posted_at" (seconds since the epoch),
//  "age_seconds"}, ...]}, newest game first. An empty field is "".
std::string RenderGamesJson(const GameView& view);

} // namespace gamelist
