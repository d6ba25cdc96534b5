#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace gamelist {

// The command line of gamelistd.
struct ServiceOptions {
    std::string bind = "127.0.0.1";
    int port = 8080;      // 0: any free port
    std::string portFile; // written once the port is bound
    std::string database = "gamelistd.db";
    std::string newsDirectory; // <class>.html or index.html for the news page
    std::vector<std::string> classes{"ww2", "winter", "desert", "other"};
    std::int64_t expirySeconds = 300;
    std::int64_t watchSeconds = 180;
    int postsPerMinute = 6; // per address; 0: no limit
    std::size_t maxRequestBytes = 4096;
    std::size_t maxGames = 1000;        // open games at once; a new one beyond gets 503
    unsigned connections = 2000;        // open connections in all
    unsigned connectionsPerAddress = 8; // 0: no limit
    int requestSeconds = 10;            // a request, head and body, must arrive whole within this
    int threads = 8;
    int exampleGames = 0;
    std::string accessLog; // one line per request, appended
};

// Parses the arguments after the program name. On failure returns false with
// the reason in `error`; `--help` sets `help`.
bool ParseServiceOptions(const std::vector<std::string>& args, ServiceOptions& options, bool& help,
                         std::string& error);

extern const char* const kServiceUsage;

} // namespace gamelist
