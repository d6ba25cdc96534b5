#include "gamelist/service/game_page.h"

#include "gamelist/service/web_text.h"

#include <ctime>

namespace gamelist {
namespace {

// Desktop: one table per class. Phone: each game is a block, its name on
// the first line, the facts on the second and the comment below.
constexpr const char* kStyle =
    "body{background:#12161e;color:#d0d0d0;font:15px/1.4 Verdana,sans-serif;margin:0 auto;padding:8px 12px;"
    "max-width:1000px}h1{font-size:20px;color:#fff;margin:8px 0}h2{font-size:17px;color:#e8c060;margin:18px "
    "0 "
    "4px}h2 a{font-size:13px;font-weight:normal;margin-left:8px}a{color:#8cb4ff}.s{color:#999;font-size:13px}"
    "table{border-collapse:collapse;width:100%;table-layout:fixed}th{text-align:left;color:#999;font-size:"
    "12px;"
    "font-weight:normal;white-space:nowrap}th:nth-child(-n+2){width:21%}th:nth-child(3){width:9%}"
    "th:nth-child(n+5){width:10%}td,th{padding:3px 8px 3px 0;vertical-align:top;overflow-wrap:anywhere}"
    "td:first-child{font-weight:bold;color:#fff}tr+tr td{border-top:1px solid #262c38}"
    "@media(max-width:600px){thead{display:none}tr{display:flex;flex-wrap:wrap;border-top:1px solid #262c38;"
    "padding:6px 0}tr+tr td{border:0}td{padding:0}td:first-child{flex-basis:100%}td:nth-child(n+3)::before{"
    "content:\"\\00a0\\00b7\\00a0\"}td:nth-child(4){order:9;flex-basis:100%;font-style:italic}"
    "td:nth-child(4)::before{content:none}}";

// A class name as a query value: letters and digits as they are, every other byte %XX.
std::string QueryValue(std::string_view text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if ((b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') || b == '-' ||
            b == '_') {
            out += c;
        } else {
            out += '%';
            out += kHex[b >> 4];
            out += kHex[b & 0xF];
        }
    }
    return out;
}

void AppendGame(std::string& out, const ListedGame& game, std::int64_t now) {
    const GameListEntry& e = game.entry;
    out += "<tr><td>";
    AppendHtml(out, ShownField(e[GameListEntry::Username]));
    out += "</td><td>";
    AppendHtml(out, ShownField(e[GameListEntry::Map]));
    out += "</td><td>";
    AppendHtml(out, ShownField(e[GameListEntry::Players]));
    out += "</td><td>";
    AppendHtml(out, ShownField(e[GameListEntry::Comment]));
    out += "</td><td>";
    AppendHtml(out, ShownField(e[GameListEntry::Version]));
    out += "</td><td>";
    out += AgeText(now - game.postedAt);
    out += "</td></tr>\n";
}

void AppendGroup(std::string& out, std::string_view title, const std::string* newsClass,
                 const std::vector<const ListedGame*>& games, std::int64_t now) {
    out += "<section><h2>";
    AppendHtml(out, title);
    if (newsClass) {
        out += "<a href=\"/vqx/anymodnews.php?class=";
        out += QueryValue(*newsClass); // only letters, digits, "-", "_" and %XX: nothing to escape
        out += "\">news</a>";
    }
    out += "</h2>\n";
    if (games.empty()) {
        out += "<p class=\"s\">No open games.</p></section>\n";
        return;
    }
    out += "<table><thead><tr><th>Game</th><th>Map</th><th>Players</th><th>Comment</th><th>Version</th>"
           "<th>Age</th></tr></thead><tbody>\n";
    for (const ListedGame* game : games)
        AppendGame(out, *game, now);
    out += "</tbody></table></section>\n";
}

} // namespace

std::string AgeText(std::int64_t seconds) {
    if (seconds < 60)
        return "just now";
    const std::int64_t minutes = seconds / 60;
    if (minutes < 60)
        return std::to_string(minutes) + " min";
    return std::to_string(minutes / 60) + " h " + std::to_string(minutes % 60) + " min";
}

std::string RenderGamePage(const GameView& view) {
    std::string out;
    out.reserve(2048 + view.games.size() * 160);
    out += "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
           "<meta name=\"viewport\" content=\"width=device-width,initial-scale=1\">"
           "<meta http-equiv=\"refresh\" content=\"60\"><title>Open games</title>\n<style>";
    out += kStyle;
    out += "</style></head>\n<body><h1>Open games</h1>\n<p class=\"s\">";
    out += std::to_string(view.games.size());
    out += view.games.size() == 1 ? " open game, " : " open games, ";
    out += std::to_string(view.watchers);
    out += view.watchers == 1 ? " player watching" : " players watching";
    const std::time_t t = static_cast<std::time_t>(view.now);
    std::tm parts{};
    gmtime_r(&t, &parts);
    char time[16];
    std::strftime(time, sizeof time, "%H:%M", &parts);
    out += ", at ";
    out += time;
    out += " UTC.</p>\n";

    std::vector<bool> shown(view.games.size(), false);
    for (const std::string& modClass : view.classes) {
        std::vector<const ListedGame*> games;
        for (std::size_t i = 0; i < view.games.size(); ++i) {
            if (!shown[i] && EqualAsciiFolded(view.games[i].entry[GameListEntry::Class], modClass)) {
                games.push_back(&view.games[i]);
                shown[i] = true;
            }
        }
        AppendGroup(out, modClass, &modClass, games, view.now);
    }
    std::vector<const ListedGame*> others;
    for (std::size_t i = 0; i < view.games.size(); ++i)
        if (!shown[i])
            others.push_back(&view.games[i]);
    if (!others.empty())
        AppendGroup(out, "Other classes", nullptr, others, view.now);

    out += "<p class=\"s\">This page refreshes itself every minute. The same list for web sites: "
           "<a href=\"/api/games.json\">/api/games.json</a>.</p>\n</body></html>\n";
    return out;
}

} // namespace gamelist
