#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

struct MHD_Connection;
struct MHD_Daemon;

namespace gamelist {

struct HttpRequest {
    std::string method;
    std::string target;        // the request target as sent, query included
    std::string remoteAddress; // the client's IP address
    std::string host;          // the Host header
    std::string origin;        // the Origin header, when a browser sent one
    std::string fetchSite;     // the Sec-Fetch-Site header, when a browser sent one
    std::size_t bodyBytes = 0;
};

struct HttpResponse {
    int status = 200;
    std::string contentType = "text/plain; charset=windows-1252";
    std::string body;
    std::vector<std::pair<std::string, std::string>> headers; // besides Content-Type
    // A body that many replies share (a page built once a second): sent
    // instead of `body`, without a copy.
    std::shared_ptr<const std::string> sharedBody;
};

// What one client may take of the server.
struct HttpLimits {
    std::size_t maxBodyBytes = 4096;
    unsigned connections = 2000;        // open connections in all
    unsigned connectionsPerAddress = 8; // open connections from one address; 0: no limit
    std::chrono::milliseconds requestDeadline{
        10000}; // a request (head and body) must arrive whole within this
};

// An HTTP/1.0 and 1.1 server on GNU libmicrohttpd with a pool of threads.
// It hands the raw request target to the handler: the list service's
// announcements carry a second "?" in their query, which stricter parsers
// refuse. Request heads are bounded in size by the library, bodies by
// `maxBodyBytes` (a larger one gets 413 at once, unread), and a request as a
// whole, head and body, in time by `requestDeadline` (the library's own timeout
// counts only idle time, so a byte now and then would keep a connection for
// ever).
class HttpDaemon {
public:
    using Handler = std::function<HttpResponse(const HttpRequest&)>;

    HttpDaemon(Handler handler, HttpLimits limits);
    ~HttpDaemon();
    HttpDaemon(const HttpDaemon&) = delete;
    HttpDaemon& operator=(const HttpDaemon&) = delete;

    // Listens on an IPv4 address and port (0: any free port); the bound
    // port, or -1.
    int Start(const std::string& address, int port, int threads);
    void Stop();

private:
    using Clock = std::chrono::steady_clock;
    // An open connection, and whether a request is arriving (or awaited) on it.
    struct OpenConnection {
        int fd;
        bool headPending;
        Clock::time_point deadline;
    };
    void ConnectionOpened(MHD_Connection* connection, int fd);
    void HeadAwaited(MHD_Connection* connection);
    void RequestArrived(MHD_Connection* connection);
    void ConnectionClosed(MHD_Connection* connection);
    void EnforceDeadlines();

    Handler m_handler;
    HttpLimits m_limits;
    MHD_Daemon* m_daemon = nullptr;

    std::mutex m_headMutex;
    std::unordered_map<MHD_Connection*, OpenConnection> m_connections;
    std::condition_variable m_wake;
    bool m_stopping = false;
    std::thread m_watchdog;

    friend struct DaemonCallbacks;
};

} // namespace gamelist
