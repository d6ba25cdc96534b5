#pragma once

#include "gamelist/service/game_store.h"
#include "gamelist/service/http_daemon.h"
#include "gamelist/service/rate_limit.h"
#include "gamelist/service/service_options.h"

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>

namespace gamelist {

// The pages of the service: everything below /vqx/ (the list, addV2,
// myip.php, mod_download.php, anymodnews.php, the chat page), /chat/, and
// for browsers and web sites the open games as a page (/) and as JSON
// (/api/games.json).
// Safe to call from several threads.
class ServiceRoutes {
public:
    ServiceRoutes(const ServiceOptions& options, GameStore& store, std::function<std::int64_t()> clock);
    ~ServiceRoutes();
    ServiceRoutes(const ServiceRoutes&) = delete;
    ServiceRoutes& operator=(const ServiceRoutes&) = delete;
    // False when the access log cannot be opened.
    bool Ready() const { return m_options.accessLog.empty() || m_log != nullptr; }

    HttpResponse Handle(const HttpRequest& request);

    // Opens the access log again under its name (after a rotation renamed
    // it); false when it cannot be opened, and the old file stays in use.
    bool ReopenLog();

    // Adds `count` example games from documentation addresses (demos and benchmarks).
    void AddExampleGames(int count);

    // The list reply for a request from `address`.
    std::string ListReply(const std::string& address);

private:
    HttpResponse Route(const HttpRequest& request, std::string_view path, std::string_view query);
    HttpResponse ListOrAdd(const HttpRequest& request, std::string_view query);
    HttpResponse News(std::string_view query) const;
    // The web page or the JSON feed of the open games, built at most once a
    // second and once per change of the list, then shared.
    HttpResponse OpenGames(bool json);
    void Log(const HttpRequest& request, int status);

    const ServiceOptions& m_options;
    GameStore& m_store;
    std::function<std::int64_t()> m_clock;
    RateLimit m_rateLimit;
    Watchers m_watchers;
    std::string m_classRecord;
    struct Rendered {
        std::uint64_t serial = 0;
        std::int64_t now = -1;
        std::shared_ptr<const std::string> body;
    };
    std::mutex m_viewMutex;
    Rendered m_page;
    Rendered m_json;
    std::mutex m_logMutex;
    std::FILE* m_log = nullptr;
};

// The decoded value of `name` in a query text ("a=1&b=2"); empty when absent.
std::string QueryValue(std::string_view query, std::string_view name);

} // namespace gamelist
