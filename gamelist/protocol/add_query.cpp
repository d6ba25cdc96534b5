#include "gamelist/protocol/add_query.h"

#include "gamelist/protocol/form_encoding.h"

namespace gamelist {

std::string BuildAddV2Path(const HostedGame& game) {
    std::string path = "/vqx/?mode=addV2&";
    path += "?mode=addV2&name=" + FormEncode(game.name);
    path += "&map=" + FormEncode(game.map);
    path += "&ip=" + FormEncode(game.ip);
    path += "&version=" + FormEncode(game.version);
    path += "&class=" + FormEncode(game.gameClass);
    path += "&players=" + FormEncode(game.players);
    path += "&note=" + FormEncode(game.note);
    return path;
}

std::optional<HostedGame> ParseAddV2Query(std::string_view query) {
    HostedGame game;
    bool isAdd = false;
    struct Seen {
        std::string_view key;
        std::string* value;
        bool set = false;
    } fields[] = {{"name", &game.name},       {"map", &game.map},         {"ip", &game.ip},
                  {"version", &game.version}, {"class", &game.gameClass}, {"players", &game.players},
                  {"note", &game.note}};
    while (!query.empty()) {
        const std::size_t amp = query.find('&');
        std::string_view pair = query.substr(0, amp);
        query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
        if (!pair.empty() && pair.front() == '?')
            pair.remove_prefix(1);
        const std::size_t eq = pair.find('=');
        const std::string_view key = pair.substr(0, eq);
        const std::string_view value =
            eq == std::string_view::npos ? std::string_view() : pair.substr(eq + 1);
        if (key == "mode") {
            isAdd = isAdd || value == "addV2";
            continue;
        }
        for (auto& f : fields) {
            if (f.key == key && !f.set) {
                *f.value = FormDecode(value);
                f.set = true;
            }
        }
    }
    if (!isAdd)
        return std::nullopt;
    return game;
}

} // namespace gamelist
