#pragma once

#include <cstdint>
#include <functional>
#include <string>

struct MHD_Daemon;

namespace gamelist {

struct HttpRequest {
    std::string method;
    std::string target;        // the request target as sent, query included
    std::string remoteAddress; // the client's IP address
    std::size_t bodyBytes = 0;
};

struct HttpResponse {
    int status = 200;
    std::string contentType = "text/plain; charset=windows-1252";
    std::string body;
};

// An HTTP/1.0 and 1.1 server on GNU libmicrohttpd with a pool of threads.
// It hands the raw request target to the handler: the list service's
// announcements carry a second "?" in their query, which stricter parsers
// refuse. Request heads are bounded by the library, bodies by `maxBodyBytes`
// (larger ones get 413 without reaching the handler).
class HttpDaemon {
public:
    using Handler = std::function<HttpResponse(const HttpRequest&)>;

    HttpDaemon(Handler handler, std::size_t maxBodyBytes);
    ~HttpDaemon();
    HttpDaemon(const HttpDaemon&) = delete;
    HttpDaemon& operator=(const HttpDaemon&) = delete;

    // Listens on an IPv4 address and port (0: any free port); the bound
    // port, or -1.
    int Start(const std::string& address, int port, int threads);
    void Stop();

private:
    Handler m_handler;
    std::size_t m_maxBodyBytes;
    MHD_Daemon* m_daemon = nullptr;

    friend struct DaemonCallbacks;
};

} // namespace gamelist
