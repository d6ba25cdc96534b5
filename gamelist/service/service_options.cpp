#include "gamelist/service/service_options.h"

#include <charconv>

namespace gamelist {

const char* const kServiceUsage =
    "Usage: gamelistd [options]\n"
    "The game list service: lists open online games, takes announcements, and\n"
    "serves the pages of the multiplayer launcher below /vqx/. Browsers get the\n"
    "open games as a web page at /, web sites as JSON at /api/games.json.\n"
    "\n"
    "  --bind ADDRESS          address to listen on (default 127.0.0.1; 0.0.0.0 for all)\n"
    "  --port N                port (default 8080; 0 picks a free one)\n"
    "  --port-file FILE        write the bound port to FILE once listening\n"
    "  --database FILE         SQLite database of the games (default gamelistd.db;\n"
    "                          :memory: keeps nothing)\n"
    "  --news-dir DIR          news pages: DIR/<class>.html, else DIR/index.html\n"
    "  --classes A,B,...       the mod classes of the list (default ww2,winter,desert,other)\n"
    "  --expiry-seconds N      a game leaves the list N seconds after its last post (300)\n"
    "  --watch-seconds N       a player watches for N seconds after listing (180)\n"
    "  --posts-per-minute N    posts allowed per address and minute; 0: no limit (6)\n"
    "  --max-request-bytes N   longest request target and body (4096)\n"
    "  --max-games N           open games at once; a new game beyond them is refused (1000)\n"
    "  --connections N         open connections in all (2000)\n"
    "  --connections-per-address N\n"
    "                          open connections from one address; 0: no limit (8)\n"
    "  --request-seconds N     a request (line, headers, body) must arrive within N seconds (10)\n"
    "  --threads N             worker threads (8)\n"
    "  --example-games N       start with N example games (demos and benchmarks)\n"
    "  --access-log FILE       append one line per request: address, method, target, status\n"
    "  --help                  show this text\n"
    "  --version               show the version\n"
    "\n"
    "A game is listed with the address its announcement came from, whatever ip it\n"
    "names. Announcements that a browser sends on another site's behalf are refused.\n"
    "\n"
    "SIGTERM or SIGINT stops the service cleanly; SIGHUP reopens the access log.\n";

namespace {

template <typename T> bool ParseNumber(const std::string& text, T& value, T minimum, T maximum) {
    T v{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (error != std::errc() || end != text.data() + text.size() || v < minimum || v > maximum)
        return false;
    value = v;
    return true;
}

std::vector<std::string> SplitClasses(const std::string& text) {
    std::vector<std::string> classes;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = text.find(',', start);
        const std::string piece =
            text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (!piece.empty())
            classes.push_back(piece);
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    return classes;
}

} // namespace

bool ParseServiceOptions(const std::vector<std::string>& args, ServiceOptions& o, bool& help,
                         std::string& error) {
    help = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& name = args[i];
        if (name == "--help" || name == "-h") {
            help = true;
            return true;
        }
        static const char* const kValueOptions[] = {"--bind",
                                                    "--port",
                                                    "--port-file",
                                                    "--access-log",
                                                    "--database",
                                                    "--news-dir",
                                                    "--classes",
                                                    "--expiry-seconds",
                                                    "--watch-seconds",
                                                    "--posts-per-minute",
                                                    "--max-request-bytes",
                                                    "--max-games",
                                                    "--connections",
                                                    "--connections-per-address",
                                                    "--request-seconds",
                                                    "--threads",
                                                    "--example-games"};
        bool known = false;
        for (const char* option : kValueOptions)
            known = known || name == option;
        if (!known) {
            error = "unknown argument " + name;
            return false;
        }
        if (i + 1 >= args.size()) {
            error = "missing value for " + name;
            return false;
        }
        const std::string& value = args[++i];
        bool ok = true;
        if (name == "--bind")
            o.bind = value;
        else if (name == "--port")
            ok = ParseNumber(value, o.port, 0, 65535);
        else if (name == "--port-file")
            o.portFile = value;
        else if (name == "--access-log")
            o.accessLog = value;
        else if (name == "--database")
            o.database = value;
        else if (name == "--news-dir")
            o.newsDirectory = value;
        else if (name == "--classes") {
            o.classes = SplitClasses(value);
            // The list's class record must not be empty, or the records shift.
            ok = !o.classes.empty() && value.find_first_of("|\r\n") == std::string::npos;
        } else if (name == "--expiry-seconds")
            ok = ParseNumber<std::int64_t>(value, o.expirySeconds, 1, 86400 * 7);
        else if (name == "--watch-seconds")
            ok = ParseNumber<std::int64_t>(value, o.watchSeconds, 1, 86400);
        else if (name == "--posts-per-minute")
            ok = ParseNumber(value, o.postsPerMinute, 0, 1000000);
        else if (name == "--max-request-bytes")
            ok = ParseNumber<std::size_t>(value, o.maxRequestBytes, 256, 8192);
        else if (name == "--max-games")
            ok = ParseNumber<std::size_t>(value, o.maxGames, 1, 100000);
        else if (name == "--connections")
            ok = ParseNumber(value, o.connections, 16u, 60000u);
        else if (name == "--connections-per-address")
            ok = ParseNumber(value, o.connectionsPerAddress, 0u, 60000u);
        else if (name == "--request-seconds")
            ok = ParseNumber(value, o.requestSeconds, 1, 600);
        else if (name == "--threads")
            ok = ParseNumber(value, o.threads, 1, 256);
        else if (name == "--example-games")
            ok = ParseNumber(value, o.exampleGames, 0, 100000);
        else {
            error = "unknown argument " + name;
            return false;
        }
        if (!ok) {
            error = "bad value for " + name + ": " + value;
            return false;
        }
    }
    return true;
}

} // namespace gamelist
