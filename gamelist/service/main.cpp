// gamelistd: the game list service of the multiplayer launcher.
#include "gamelist/service/game_store.h"
#include "gamelist/service/http_daemon.h"
#include "gamelist/service/service_options.h"
#include "gamelist/service/service_routes.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <pthread.h>

namespace {

std::int64_t Now() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// Written beside the target and renamed, so a reader never sees half a number.
bool WritePortFile(const std::string& path, int port) {
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::trunc);
        out << port << "\n";
        if (!out.flush())
            return false;
    }
    return std::rename(temporary.c_str(), path.c_str()) == 0;
}

} // namespace

int main(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--version") {
            std::printf("gamelistd %s\n", ZANDREL_VERSION);
            return 0;
        }
    }
    gamelist::ServiceOptions options;
    bool help = false;
    std::string error;
    if (!gamelist::ParseServiceOptions(std::vector<std::string>(argv + 1, argv + argc), options, help,
                                       error)) {
        std::fprintf(stderr, "gamelistd: %s\n\n%s", error.c_str(), gamelist::kServiceUsage);
        return 2;
    }
    if (help) {
        std::fputs(gamelist::kServiceUsage, stdout);
        return 0;
    }

    // The signals are taken by sigwait below; blocked here, before any
    // thread starts, so that no worker receives them.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    // The store's messages go to standard error: the journal, under systemd.
    gamelist::GameStore store(
        options.database, options.expirySeconds, options.maxGames,
        [](const std::string& line) { std::fprintf(stderr, "gamelistd: %s\n", line.c_str()); });
    if (!store.Error().empty()) {
        std::fprintf(stderr, "gamelistd: %s\n", store.Error().c_str());
        return 1;
    }
    gamelist::ServiceRoutes routes(options, store, Now);
    if (!routes.Ready()) {
        std::fprintf(stderr, "gamelistd: cannot open the access log %s\n", options.accessLog.c_str());
        return 1;
    }
    routes.AddExampleGames(options.exampleGames);

    gamelist::HttpLimits limits;
    limits.maxBodyBytes = options.maxRequestBytes;
    limits.connections = options.connections;
    limits.connectionsPerAddress = options.connectionsPerAddress;
    limits.requestDeadline = std::chrono::seconds(options.requestSeconds);
    gamelist::HttpDaemon daemon([&routes](const gamelist::HttpRequest& r) { return routes.Handle(r); },
                                limits);
    const int port = daemon.Start(options.bind, options.port, options.threads);
    if (port < 0) {
        std::fprintf(stderr, "gamelistd: cannot listen on %s:%d\n", options.bind.c_str(), options.port);
        return 1;
    }
    if (!options.portFile.empty() && !WritePortFile(options.portFile, port)) {
        std::fprintf(stderr, "gamelistd: cannot write %s\n", options.portFile.c_str());
        return 1;
    }
    std::fprintf(stderr, "gamelistd: listening on %s:%d\n", options.bind.c_str(), port);

    for (;;) {
        int signal = 0;
        sigwait(&signals, &signal);
        if (signal != SIGHUP)
            break;
        // A log rotation renamed the access log: the next lines go to a new file.
        if (!routes.ReopenLog())
            std::fprintf(stderr, "gamelistd: cannot reopen the access log %s\n", options.accessLog.c_str());
    }
    std::fprintf(stderr, "gamelistd: stopping\n");
    // Requests under way are finished; new connections are no longer taken.
    daemon.Stop();
    return 0;
}
