#include "gamelist/service/service_routes.h"

#include "gamelist/protocol/add_query.h"
#include "gamelist/protocol/form_encoding.h"
#include "gamelist/protocol/game_list_reply.h"
#include "gamelist/service/game_page.h"
#include "gamelist/service/games_json.h"
#include "gamelist/service/web_text.h"

#include <fstream>
#include <sstream>

namespace gamelist {
namespace {

constexpr const char* kText = "text/plain; charset=windows-1252";
constexpr const char* kHtml = "text/html; charset=windows-1252";

std::string HtmlEscape(std::string_view text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '&':
            out += "&amp;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string Page(std::string_view title, std::string_view body) {
    return "<!DOCTYPE html>\n<html><head><meta charset=\"windows-1252\"><title>" + HtmlEscape(title) +
           "</title>\n<style>body{background:#12161e;color:#c0c0c0;font:13px Verdana,sans-serif;margin:8px}"
           "h1{font-size:15px;color:#e0e0e0}</style></head>\n<body><h1>" +
           HtmlEscape(title) + "</h1>\n" + std::string(body) + "\n</body></html>\n";
}

// A class name is safe as a file name when it is letters, digits, "-" and "_".
bool IsPlainName(std::string_view name) {
    if (name.empty() || name.size() > 64)
        return false;
    for (const char c : name)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
              c == '_'))
            return false;
    return true;
}

bool ReadSmallFile(const std::string& path, std::string& content) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream s;
    s << in.rdbuf();
    content = s.str();
    return content.size() <= (1u << 20);
}

HttpResponse Text(int status, std::string body) {
    return {status, kText, std::move(body), {}, {}};
}

HttpResponse Html(std::string body) {
    return {200, kHtml, std::move(body), {}, {}};
}

// A browser sends Sec-Fetch-Site and Origin; the game's own client sends
// neither. A request that another site's page makes a browser send (an
// <img> whose address is an announcement, a form) says "cross-site" or
// "same-site", or names an origin that is not this service.
bool SentForAnotherSite(const HttpRequest& request) {
    if (EqualAsciiFolded(request.fetchSite, "cross-site") || EqualAsciiFolded(request.fetchSite, "same-site"))
        return true;
    if (request.origin.empty())
        return false;
    std::string_view authority = request.origin;
    const std::size_t scheme = authority.find("://");
    if (scheme == std::string_view::npos)
        return true; // "null" (a sandboxed page, a file) or nonsense
    authority.remove_prefix(scheme + 3);
    return request.host.empty() || !EqualAsciiFolded(authority, request.host);
}

} // namespace

std::string QueryValue(std::string_view query, std::string_view name) {
    while (!query.empty()) {
        const std::size_t amp = query.find('&');
        const std::string_view pair = query.substr(0, amp);
        query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
        const std::size_t eq = pair.find('=');
        if (pair.substr(0, eq) == name)
            return eq == std::string_view::npos ? std::string() : FormDecode(pair.substr(eq + 1));
    }
    return {};
}

ServiceRoutes::ServiceRoutes(const ServiceOptions& options, GameStore& store,
                             std::function<std::int64_t()> clock)
    : m_options(options), m_store(store), m_clock(std::move(clock)), m_rateLimit(options.postsPerMinute),
      m_watchers(options.watchSeconds) {
    for (const auto& c : options.classes)
        m_classRecord += (m_classRecord.empty() ? "" : "|") + SafeListField(c, 32);
    if (!options.accessLog.empty())
        m_log = std::fopen(options.accessLog.c_str(), "a");
}

bool ServiceRoutes::ReopenLog() {
    if (m_options.accessLog.empty())
        return true;
    std::FILE* reopened = std::fopen(m_options.accessLog.c_str(), "a");
    if (!reopened)
        return false; // the old file stays in use
    std::lock_guard lock(m_logMutex);
    if (m_log)
        std::fclose(m_log);
    m_log = reopened;
    return true;
}

ServiceRoutes::~ServiceRoutes() {
    if (m_log)
        std::fclose(m_log);
}

std::string ServiceRoutes::ListReply(const std::string& address) {
    const std::int64_t now = m_clock();
    const std::size_t watchers = m_watchers.Seen(address, now);
    const auto records = m_store.EntryRecords(now);
    std::string body;
    body.reserve(address.size() + m_classRecord.size() + records->size() + 16);
    body += address.empty() ? std::string(" ") : address;
    body += '\r';
    body += std::to_string(watchers);
    body += '\r';
    body += m_classRecord;
    body += *records;
    return body;
}

void ServiceRoutes::AddExampleGames(int count) {
    static const char* const kNames[] = {"Red Tank", "Panzerfaust", "Sapper", "Major Tom", "Nightowl"};
    static const char* const kMaps[] = {"Bridge at Remagen", "Winter Valley", "Desert Fox", "Anymap"};
    static const char* const kSizes[] = {"1vs1", "2vs2", "3vs3", "4vs4"};
    const std::int64_t now = m_clock();
    for (int i = 0; i < count; ++i) {
        HostedGame g;
        // Addresses from the documentation range, so nothing real is named.
        const std::string address =
            "198.51." + std::to_string(100 + i / 250) + "." + std::to_string(1 + i % 250);
        g.ip = address;
        g.name = std::string(kNames[i % 5]) + (i >= 5 ? " " + std::to_string(i) : "");
        g.map = kMaps[i % 4];
        g.version = "v" + std::to_string(1 + i % 3);
        g.gameClass = m_options.classes[static_cast<std::size_t>(i) % m_options.classes.size()];
        g.players = kSizes[i % 4];
        g.note = i % 2 ? "all welcome" : "";
        m_store.Add(address, g, now);
    }
}

HttpResponse ServiceRoutes::Handle(const HttpRequest& request) {
    HttpResponse response;
    if (request.target.size() > m_options.maxRequestBytes) {
        response = Text(414, "request too long\n");
    } else {
        const std::string_view target = request.target;
        const std::size_t q = target.find('?');
        response = Route(request, target.substr(0, q),
                         q == std::string_view::npos ? std::string_view() : target.substr(q + 1));
    }
    Log(request, response.status);
    return response;
}

HttpResponse ServiceRoutes::Route(const HttpRequest& request, std::string_view path, std::string_view query) {
    const bool get = request.method == "GET" || request.method == "HEAD";
    if (path == "/vqx/" && (get || request.method == "POST"))
        return ListOrAdd(request, query);
    if (!get)
        return Text(405, "method not allowed\n");
    if (path == "/")
        return OpenGames(false);
    if (path == "/api/games.json")
        return OpenGames(true);
    if (path == "/vqx/myip.php")
        return Text(200, request.remoteAddress);
    if (path == "/vqx/mod_download.php") {
        const std::string modClass = QueryValue(query, "class");
        return Html(
            Page("Get the mod: " + modClass, "<p>Mods of the class <b>" + HtmlEscape(modClass) +
                                                 "</b> are shared in the community's download section.</p>"));
    }
    if (path == "/vqx/anymodnews.php")
        return News(query);
    if (path == "/vqx/chat/" || path == "/vqx/chat" || path == "/chat/" || path == "/chat")
        return Html(Page("Chat", "<p>Players waiting for a game meet here. Say hello!</p>"));
    return Text(404, "not found\n");
}

HttpResponse ServiceRoutes::ListOrAdd(const HttpRequest& request, std::string_view query) {
    if (const auto game = ParseAddV2Query(query)) {
        if (SentForAnotherSite(request))
            return Text(403, "games are announced by the game, not by web pages\n");
        const std::int64_t now = m_clock();
        if (!m_rateLimit.Allow(request.remoteAddress, now))
            return Text(429, "too many posts, try again in a minute\n");
        switch (m_store.Add(request.remoteAddress, *game, now)) {
        case GameStore::AddResult::Stored:
            return Text(200, "ok\n");
        case GameStore::AddResult::Full:
            return Text(503, "the list is full, try again later\n");
        case GameStore::AddResult::Busy:
            return Text(503, "busy, try again in a moment\n");
        case GameStore::AddResult::Failed:
            break;
        }
        return Text(503, "not stored, try again later\n");
    }
    if (QueryValue(query, "mode") == "list")
        return Text(200, ListReply(request.remoteAddress));
    return Text(400, "unknown mode\n");
}

HttpResponse ServiceRoutes::OpenGames(bool json) {
    const std::int64_t now = m_clock();
    const auto snapshot = m_store.Snapshot(now);
    std::shared_ptr<const std::string> body;
    {
        std::lock_guard lock(m_viewMutex);
        const Rendered& cached = json ? m_json : m_page;
        if (cached.body && cached.serial == snapshot->serial && cached.now == now)
            body = cached.body;
    }
    if (!body) {
        const gamelist::GameView view{snapshot->games, m_options.classes, m_watchers.Count(now), now};
        body = std::make_shared<const std::string>(json ? RenderGamesJson(view) : RenderGamePage(view));
        std::lock_guard lock(m_viewMutex);
        (json ? m_json : m_page) = {snapshot->serial, now, body};
    }
    HttpResponse response;
    response.sharedBody = std::move(body);
    if (json) {
        response.contentType = "application/json; charset=utf-8";
        // Community web sites read it from their visitors' browsers.
        response.headers = {{"Access-Control-Allow-Origin", "*"}, {"Cache-Control", "max-age=5"}};
    } else {
        response.contentType = "text/html; charset=utf-8";
        // No script runs on the page, whatever a game's name holds.
        response.headers = {
            {"Content-Security-Policy",
             "default-src 'none'; style-src 'unsafe-inline'; base-uri 'none'; form-action 'none'; "
             "frame-ancestors 'none'"},
            {"X-Content-Type-Options", "nosniff"},
            {"Cache-Control", "max-age=5"}};
    }
    return response;
}

HttpResponse ServiceRoutes::News(std::string_view query) const {
    const std::string modClass = QueryValue(query, "class");
    const std::string version = QueryValue(query, "version");
    std::string page;
    const std::string& dir = m_options.newsDirectory;
    if (!dir.empty() && ((IsPlainName(modClass) && ReadSmallFile(dir + "/" + modClass + ".html", page)) ||
                         ReadSmallFile(dir + "/index.html", page)))
        return Html(std::move(page));
    return Html(Page("News", "<p>Switcher " + HtmlEscape(version) + ", class " + HtmlEscape(modClass) +
                                 ".</p><p>No news today.</p>"));
}

void ServiceRoutes::Log(const HttpRequest& request, int status) {
    if (m_options.accessLog.empty())
        return;
    // The target is cut and its control bytes shown as "?", so the log stays one line per request.
    std::string target = request.target.substr(0, 512);
    for (char& c : target)
        if (static_cast<unsigned char>(c) < 32 || c == 127)
            c = '?';
    std::lock_guard lock(m_logMutex);
    if (!m_log)
        return;
    std::fprintf(m_log, "%s %s %s %d\n", request.remoteAddress.c_str(), request.method.c_str(),
                 target.c_str(), status);
    std::fflush(m_log);
}

} // namespace gamelist
