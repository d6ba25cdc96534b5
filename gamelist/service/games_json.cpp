#include "gamelist/service/games_json.h"

#include "gamelist/service/web_text.h"

namespace gamelist {
namespace {

void AppendField(std::string& out, const char* name, std::string_view value) {
    out += '"';
    out += name;
    out += "\":";
    AppendJsonString(out, ShownField(value));
    out += ',';
}

} // namespace

std::string RenderGamesJson(const GameView& view) {
    std::string out;
    out.reserve(256 + view.games.size() * 256);
    out += "{\"time\":";
    out += std::to_string(view.now);
    out += ",\"watchers\":";
    out += std::to_string(view.watchers);
    out += ",\"classes\":[";
    for (std::size_t i = 0; i < view.classes.size(); ++i) {
        if (i > 0)
            out += ',';
        AppendJsonString(out, view.classes[i]);
    }
    out += "],\"games\":[";
    bool first = true;
    for (const ListedGame& game : view.games) {
        const GameListEntry& e = game.entry;
        out += first ? "\n{" : ",\n{";
        first = false;
        AppendField(out, "name", e[GameListEntry::Username]);
        AppendField(out, "map", e[GameListEntry::Map]);
        AppendField(out, "players", e[GameListEntry::Players]);
        AppendField(out, "comment", e[GameListEntry::Comment]);
        AppendField(out, "version", e[GameListEntry::Version]);
        AppendField(out, "class", e[GameListEntry::Class]);
        AppendField(out, "ip", e[GameListEntry::IP]);
        AppendField(out, "posted", e[GameListEntry::Posted]);
        out += "\"posted_at\":";
        out += std::to_string(game.postedAt);
        out += ",\"age_seconds\":";
        out += std::to_string(view.now > game.postedAt ? view.now - game.postedAt : 0);
        out += '}';
    }
    out += "]}\n";
    return out;
}

} // namespace gamelist
